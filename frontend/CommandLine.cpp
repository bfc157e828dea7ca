#include "frontend/CommandLine.h"

namespace lilyhops {

namespace {
// Qt's own options that take a value, as QGuiApplication reads them.
bool isQtOptionWithValue(const std::string& a) {
    for (const char* o : {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                          "-qwindowgeometry", "-qwindowtitle", "-qwindowicon", "-style",
                          "-stylesheet", "-display", "-geometry", "-title"}) {
        if (a == o || a == std::string("-") + o)
            return true;
    }
    return false;
}
} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    auto fail = [&cl](std::string why) {
        cl.action = CommandLine::Action::Error;
        cl.error = std::move(why);
        return cl;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            cl.action = CommandLine::Action::Help;
            return cl;
        }
        if (a == "--version") {
            cl.action = CommandLine::Action::Version;
            return cl;
        }
        std::optional<std::string>* file = nullptr;
        std::string option;
        std::string value;
        bool hasValue = false;
        for (const char* o : {"--record", "--replay"}) {
            const std::string name = o;
            if (a == name) {
                option = name;
            } else if (a.rfind(name + "=", 0) == 0) {
                option = name;
                value = a.substr(name.size() + 1);
                hasValue = true;
            }
        }
        if (!option.empty()) {
            file = option == "--record" ? &cl.recordFile : &cl.replayFile;
            if (!hasValue) {
                if (i + 1 >= args.size())
                    return fail("option '" + option + "' needs a FILE");
                value = args[++i];
            }
            if (value.empty())
                return fail("option '" + option + "' needs a FILE");
            if (*file)
                return fail("option '" + option + "' is given twice");
            *file = value;
            continue;
        }
        if (isQtOptionWithValue(a)) {
            if (i + 1 >= args.size())
                return fail("option '" + a + "' needs a value");
            ++i;
            continue;
        }
        if (!a.empty() && a[0] == '-')
            return fail("unknown option '" + a + "'");
        return fail("unexpected argument '" + a + "'");
    }
    if (cl.recordFile && cl.replayFile)
        return fail("--record and --replay cannot be used together");
    return cl;
}

} // namespace lilyhops
