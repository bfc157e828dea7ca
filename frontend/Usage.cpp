#include "frontend/Usage.h"

namespace lilyhops {

std::string gameUsage() {
    // Kept to the options a player needs; the manual page tells the rest.
    return "Usage: lilyhops [OPTION]...\n"
           "Hop a toad across four lanes of traffic and four lanes of river into the\n"
           "five home bays. Ctrl+N starts a game, the arrow keys steer the toad, Space\n"
           "or Esc pauses.\n"
           "\n"
           "      --record FILE   write the game as a replay script to FILE\n"
           "      --replay FILE   show a recorded game from FILE\n"
           "  -h, --help          display this help and exit\n"
           "      --version       output version information and exit\n"
           "\n"
           "Qt's own options, such as -platform NAME or -display DISPLAY, are passed on\n"
           "to Qt.\n"
           "\n"
           "Exit status: 0 when the game is closed, 1 when no window can be opened,\n"
           "2 for a wrong argument.\n"
           "\n"
           "Full documentation: man 6 lilyhops\n";
}

} // namespace lilyhops
