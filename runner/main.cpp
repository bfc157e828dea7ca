// lilyhops-script [FILE]: runs a script of events against the game's window
// logic on a virtual clock. Reads standard input when FILE is absent or "-".

#include "runner/ScriptRunner.h"
#include "runner/Text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    // Unsynchronised streams report read errors of standard input the same
    // way as those of a file.
    std::ios::sync_with_stdio(false);
    if (argc > 2) {
        std::cerr << "usage: lilyhops-script [FILE]\n";
        return 2;
    }
    std::string path = argc == 2 ? argv[1] : "-";
    std::ifstream file;
    std::istream* in = &std::cin;
    if (path != "-") {
        auto cannot = [&path](const std::string& why) {
            std::cerr << "lilyhops-script: cannot open '" << lilyhops::script::shown(path, 200)
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
    lilyhops::script::ScriptRunner runner;
    return runner.run(*in, std::cout, std::cerr);
}
