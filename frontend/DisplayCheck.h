#pragma once

// Opening the game's window needs a display. Without one Qt aborts with a
// page of its own text; the game says instead, in one line, what is missing
// and what to do, and exits with status 1.

#include <optional>
#include <string>
#include <vector>

namespace lilyhops {

// Where the window is asked to go, from Qt's own options and the environment.
struct DisplayRequest {
    std::string platform;       // -platform NAME, else QT_QPA_PLATFORM
    std::string display;        // -display NAME, else DISPLAY
    std::string waylandDisplay; // WAYLAND_DISPLAY
};

// `args` are the arguments after the program's name.
DisplayRequest displayRequest(const std::vector<std::string>& args);

// The line to print before Qt is even tried, when nothing names a display
// or a platform; nothing when Qt may try.
std::optional<std::string> missingDisplayLine(const DisplayRequest& request);

// The line to print when Qt could not start the window system.
std::string displayFailedLine(const DisplayRequest& request);

// Call before the QApplication is made: Qt's failure to start the window
// system becomes `displayFailedLine` and exit status 1, and the complaints of
// Qt and of the libraries below it on the way there are held back. Also keeps out Qt's line about a
// missing sound server, which the sound control reports in the game's words.
void watchWindowSystemStart(const DisplayRequest& request);

// Call once the QApplication exists: held-back messages go out after all.
void windowSystemStarted();

} // namespace lilyhops
