#pragma once

// The game's command line: --help, --version, --record FILE and --replay FILE.
// Read before Qt starts, so that a wrong argument or a request for help never
// needs a display.

#include <optional>
#include <string>
#include <vector>

namespace lilyhops {

struct CommandLine {
    enum class Action { Play, Help, Version, Error };
    Action action = Action::Play;
    // Where to write a recording of the game that is played, if anywhere.
    std::optional<std::string> recordFile;
    // A recording to show instead of a game the player steers.
    std::optional<std::string> replayFile;
    // With Action::Error: one line saying what is wrong.
    std::string error;
};

// `args` are the arguments after the program's name. Qt's own platform
// options (-platform NAME, and the like) are left for Qt and not refused.
CommandLine parseCommandLine(const std::vector<std::string>& args);

} // namespace lilyhops
