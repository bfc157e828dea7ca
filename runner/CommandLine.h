#pragma once

// The runner's own command line: --help, --version and at most one FILE.
// The script's commands never appear here; they are read from the script.

#include <string>
#include <vector>

namespace lilyhops::script {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // The script to read; "-" is standard input.
    std::string file = "-";
    // With Action::Error: one line saying what is wrong.
    std::string error;
};

// `args` are the arguments after the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// What `lilyhops-script --help` prints.
std::string usage();

} // namespace lilyhops::script
