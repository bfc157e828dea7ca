#include "frontend/DisplayCheck.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace lilyhops {

namespace {

QtMessageHandler qtDefaultHandler = nullptr;
bool started = false;
std::string failureLine;
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> held;

void gameMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Without a sound server Qt says so in its own words; the sound control
    // already reports it once, in the game's.
    if (message.startsWith("PulseAudioService: pa_context_connect() failed"))
        return;
    if (!started) {
        if (type == QtFatalMsg && message.contains("platform plugin")) {
            std::fprintf(stderr, "%s\n", failureLine.c_str());
            std::fflush(stderr);
            // Qt is half-way through starting; running its exit-time clean-up
            // from here is not safe.
            std::_Exit(1);
        }
        const QByteArray category(context.category ? context.category : "");
        if (category.startsWith("qt.qpa.")) {
            held.push_back({type, category, message});
            return;
        }
    }
    qtDefaultHandler(type, context, message);
}

std::string optionValue(const std::vector<std::string>& args, const std::string& name) {
    std::string value;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-" + name || args[i] == "--" + name)
            value = args[i + 1];
    }
    return value;
}

std::string environment(const char* name) {
    return qEnvironmentVariable(name).toStdString();
}

} // namespace

DisplayRequest displayRequest(const std::vector<std::string>& args) {
    DisplayRequest r;
    r.platform = optionValue(args, "platform");
    if (r.platform.empty())
        r.platform = environment("QT_QPA_PLATFORM");
    r.display = optionValue(args, "display");
    if (r.display.empty())
        r.display = environment("DISPLAY");
    r.waylandDisplay = environment("WAYLAND_DISPLAY");
    return r;
}

std::optional<std::string> missingDisplayLine(const DisplayRequest& r) {
    if (!r.platform.empty() || !r.display.empty() || !r.waylandDisplay.empty())
        return std::nullopt;
    return "lilyhops: no display to open the game's window on (neither DISPLAY nor "
           "WAYLAND_DISPLAY is set); start the game from a desktop session";
}

std::string displayFailedLine(const DisplayRequest& r) {
    if (!r.platform.empty())
        return "lilyhops: the window system \"" + r.platform +
               "\" cannot be started; leave out -platform and QT_QPA_PLATFORM to use the "
               "desktop's own";
    std::string where;
    std::string variables;
    if (!r.display.empty()) {
        where = "the display \"" + r.display + "\"";
        variables = "DISPLAY";
    }
    if (!r.waylandDisplay.empty()) {
        where += (where.empty() ? "" : " nor ") + std::string("the Wayland display \"") +
                 r.waylandDisplay + "\"";
        variables += (variables.empty() ? "" : " or ") + std::string("WAYLAND_DISPLAY");
    }
    return "lilyhops: cannot open " + where +
           "; check that the desktop session is running and that " + variables + " names it";
}

void watchWindowSystemStart(const DisplayRequest& request) {
    failureLine = displayFailedLine(request);
    started = false;
    qtDefaultHandler = qInstallMessageHandler(gameMessages);
}

void windowSystemStarted() {
    started = true;
    for (const HeldMessage& m : std::exchange(held, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        qtDefaultHandler(m.type, context, m.text);
    }
}

} // namespace lilyhops
