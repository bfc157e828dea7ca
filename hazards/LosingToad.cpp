// Losing a toad, on the road or in the river: a spare life becomes the
// marker of the death, or, with none left, the game is over.

#include "game/frmLilyhops.h"

namespace lilyhops {

void frmLilyhops::SquashOff() {
    LoseFrog(false);
}

void frmLilyhops::DrownOff() {
    LoseFrog(true);
}

void frmLilyhops::LoseFrog(bool drowned) {
    const Picture* body = drowned ? FrogDrowned.picture : FrogDead.picture;
    if (livesLeft <= 0) {
        lblGameOver.Move(0, 1995);
        lblGameOver.Visible = true;
        imgFrog.setPicture(body); // the toad lies where it was lost
        if (soundOn)
            TegoSnd.PlayEffect(appFolder + "gameover.wav", 0, -1);
        mnuEnd_Click();
        return;
    }

    livesLeft = std::int16_t(livesLeft - 1);
    Sprite* marker = livesLeft == 1 ? &imgLife2 : livesLeft == 0 ? &imgLife1 : nullptr;
    if (marker) {
        marker->Move(imgFrog.Left, imgFrog.Top);
        marker->setPicture(body);
        if (soundOn)
            TegoSnd.PlayEffect(appFolder + "killoff.wav", 0, -1);
        if (drowned) {
            // No freeze after a drowning, and a pending one is cancelled.
            tmrDelay.setEnabled(false);
            canMove = true;
        } else {
            // The timer cannot fire before this returns.
            tmrDelay.setEnabled(true);
            canMove = false;
        }
    }

    imgFrog.Move(3255, 5460);
    if (drowned)
        imgFrog.setPicture(FrogNorth.picture);
    frogRow = 1;
    setScore(score() - 1000);
    imgTime.Width = 3000;
}

} // namespace lilyhops
