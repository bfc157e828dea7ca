// lilyhops-script [FILE]: runs a script of events against the game's window
// logic on a virtual clock. Reads standard input when FILE is absent or "-".

#include "runner/ScriptRunner.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: lilyhops-script [FILE]\n";
        return 2;
    }
    std::string path = argc == 2 ? argv[1] : "-";
    std::ifstream file;
    std::istream* in = &std::cin;
    if (path != "-") {
        file.open(path);
        if (!file) {
            std::cerr << "lilyhops-script: cannot open '" << path << "': " << std::strerror(errno)
                      << "\n";
            return 2;
        }
        in = &file;
    }
    lilyhops::script::ScriptRunner runner;
    return runner.run(*in, std::cout, std::cerr);
}
