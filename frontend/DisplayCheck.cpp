#include "frontend/DisplayCheck.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
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

// While the window system starts, libraries below Qt (libwayland, libxcb)
// write their complaints straight to standard error. Standard error goes to
// a scratch file until the start is known to have worked: then what was
// written there is passed on, and on failure only the game's line is shown.
std::FILE* capturedErrors = nullptr;
int realStderr = -1;

void captureStderr() {
    std::fflush(stderr);
    capturedErrors = std::tmpfile();
    if (!capturedErrors)
        return;
    realStderr = dup(STDERR_FILENO);
    if (realStderr < 0 || dup2(fileno(capturedErrors), STDERR_FILENO) < 0) {
        std::fclose(capturedErrors);
        capturedErrors = nullptr;
    }
}

// Puts standard error back; with `passOn`, writes out what was captured.
void releaseStderr(bool passOn) {
    if (!capturedErrors)
        return;
    std::fflush(stderr);
    dup2(realStderr, STDERR_FILENO);
    close(realStderr);
    if (passOn) {
        std::rewind(capturedErrors);
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, capturedErrors)) > 0)
            std::fwrite(buffer, 1, n, stderr);
        std::fflush(stderr);
    }
    std::fclose(capturedErrors);
    capturedErrors = nullptr;
}

void gameMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Without a sound server Qt says so in its own words; the sound control
    // already reports it once, in the game's.
    if (message.startsWith("PulseAudioService: pa_context_connect() failed"))
        return;
    if (!started) {
        if (type == QtFatalMsg && message.contains("platform plugin")) {
            releaseStderr(false);
            std::fprintf(stderr, "%s\n", failureLine.c_str());
            std::fflush(stderr);
            // Qt is half-way through starting; running its exit-time clean-up
            // from here is not safe.
            std::_Exit(1);
        }
        // Every complaint on the way to a failed start (the Wayland plugin
        // names no category) is held back until the start is known to work.
        if (type != QtFatalMsg) {
            held.push_back({type, QByteArray(context.category ? context.category : ""), message});
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
    captureStderr();
}

void windowSystemStarted() {
    started = true;
    releaseStderr(true);
    for (const HeldMessage& m : std::exchange(held, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        qtDefaultHandler(m.type, context, m.text);
    }
}

} // namespace lilyhops
