// A toad reaches a free home bay: the bay fills, the time left is added to
// the score, and the fifth bay wins the game.

#include "game/frmLilyhops.h"

#include <cmath>

namespace lilyhops {

void frmLilyhops::FrogInCubby(std::int16_t& Cubbynum) {
    // Only the five bay openings lead here.
    if (Cubbynum < 0 || Cubbynum > 4)
        return;
    onTurtle = {false, false};
    onLog = {false, false};
    if (soundOn)
        TegoSnd.PlayEffect(appFolder + "success.wav", 0, -1);
    cubbyFilled[Cubbynum] = true;
    setScore(std::floor(score()) + imgTime.Width);

    bool allFilled = true;
    for (loopIndex = 0; loopIndex <= 4; ++loopIndex)
        if (!cubbyFilled[loopIndex])
            allFilled = false;
    if (allFilled) {
        lblSuccess.Move(0, 1590);
        lblSuccess.Visible = true;
        lblScore2.ForeColor = 0x00FFFF;
        imgFrog.Visible = false;
        mnuEnd_Click();
        // The won game still shows the bay and sends the (hidden) toad home.
    }
    imgSuccess[Cubbynum].Visible = true;
    imgFrog.Move(3255, 5460);
    frogRow = 1;
    imgTime.Width = 3000;
}

} // namespace lilyhops
