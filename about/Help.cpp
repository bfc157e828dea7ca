// The Help menu: the rules box and the About window. Both pause a running
// game first and leave it paused.

#include "game/frmLilyhops.h"

namespace lilyhops {

namespace {
const char* const kRules = "The object of Lilyhops is to get a toad from the\r\n"
                           "bottom of the screen into each of the five home bays\r\n"
                           "at the top of the screen.  To do this, you must keep\r\n"
                           "the toad from getting hit by cars and trucks while\r\n"
                           "crossing the road, and from drowning while crossing\r\n"
                           "over the water (on logs and the backs of turtles).\r\n"
                           "Use the four arrow keys to control the movement of\r\n"
                           "the toad.  You have a total of three toad lives.";
constexpr int kInformation = 64;
} // namespace

void frmLilyhops::mnuFHelp_Click() {
    keyReleased = true;
    if (!gamePaused)
        mnuPause_Click();
    desktop_.MsgBox(kRules, "Lilyhops Rules", kInformation);
}

void frmLilyhops::mnuAbout_Click() {
    keyReleased = true;
    if (!gamePaused)
        mnuPause_Click();
    desktop_.ShowAbout(1);
}

} // namespace lilyhops
