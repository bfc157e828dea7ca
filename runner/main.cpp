// lilyhops-script [FILE]: runs a script of events against the game's window
// logic on a virtual clock. Reads standard input when FILE is absent or "-".

#include "about/Version.h"
#include "runner/CommandLine.h"
#include "runner/ScriptRunner.h"
#include "runner/Text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    namespace script = lilyhops::script;
    // Unsynchronised streams report read errors of standard input the same
    // way as those of a file.
    std::ios::sync_with_stdio(false);
    const script::CommandLine cl =
        script::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (cl.action) {
    case script::CommandLine::Action::Help:
        std::cout << script::usage();
        return 0;
    case script::CommandLine::Action::Version:
        std::cout << lilyhops::versionText("lilyhops-script");
        return 0;
    case script::CommandLine::Action::Error:
        std::cerr << "lilyhops-script: " << cl.error << " (try 'lilyhops-script --help')\n";
        return 2;
    case script::CommandLine::Action::Run:
        break;
    }

    std::ifstream file;
    std::istream* in = &std::cin;
    if (cl.file != "-") {
        const std::string& path = cl.file;
        auto cannot = [&path](const std::string& why) {
            std::cerr << "lilyhops-script: cannot open '" << script::shown(path, 200)
                      << "': " << why << "\n";
            return 2;
        };
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec))
            return cannot(std::strerror(EISDIR));
        file.open(path);
        if (!file)
            return cannot(std::strerror(errno));
        in = &file;
    }
    script::ScriptRunner runner;
    return runner.run(*in, std::cout, std::cerr);
}
