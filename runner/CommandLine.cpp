#include "runner/CommandLine.h"

namespace lilyhops::script {

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    bool haveFile = false;
    bool optionsEnded = false;
    for (const std::string& a : args) {
        if (!optionsEnded && (a == "--help" || a == "-h")) {
            cl.action = CommandLine::Action::Help;
            return cl;
        }
        if (!optionsEnded && a == "--version") {
            cl.action = CommandLine::Action::Version;
            return cl;
        }
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
            continue;
        }
        // A lone "-" is standard input, not an option.
        if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            cl.action = CommandLine::Action::Error;
            cl.error = "unknown option '" + a + "'";
            return cl;
        }
        if (haveFile) {
            cl.action = CommandLine::Action::Error;
            cl.error = "only one FILE is read, but '" + a + "' follows '" + cl.file + "'";
            return cl;
        }
        if (a.empty()) {
            cl.action = CommandLine::Action::Error;
            cl.error = "the FILE name is empty";
            return cl;
        }
        cl.file = a;
        haveFile = true;
    }
    return cl;
}

std::string usage() {
    return "Usage: lilyhops-script [OPTION]... [FILE]\n"
           "Run a script of events against the game logic of Lilyhops on a virtual\n"
           "clock, with no screen and no sound, and print what the script asks to see.\n"
           "Reads FILE, or standard input when FILE is absent or -.\n"
           "\n"
           "Commands, one a line (# starts a comment):\n"
           "  menu ITEM   call PROC [ARG]   key CODE   keydown CODE   keypress CODE\n"
           "  keyup CODE   tick TIMER [N]   wait MS   set NAME VALUE   active on|off\n"
           "  song length MS   song end   dump NAME...   log   expect NAME VALUE\n"
           "\n"
           "  -h, --help     display this help and exit\n"
           "      --version  output version information and exit\n"
           "\n"
           "Exit status: 0 when every line ran and every expect held, 1 when an expect\n"
           "failed, 2 when a line cannot be run.\n"
           "\n"
           "Full documentation: man 6 lilyhops-script\n";
}

} // namespace lilyhops::script
