// Hops north and south, row by row, with each row's own distance and the
// points for them; from the top river row a hop north enters a free bay.

#include "game/frmLilyhops.h"

namespace lilyhops {

namespace {

// The step between frogRow r and r + 1, taken twice per hop (index r - 1).
constexpr float kRowStep[9] = {250, 275, 275, 290, 260, 230, 230, 200, 270};

struct BayOpening {
    float above, below; // the toad's Left must lie strictly between them
};
constexpr BayOpening kBays[5] = {
    {240, 480}, {1560, 1920}, {3000, 3360}, {4440, 4800}, {5840, 6120}};

} // namespace

void frmLilyhops::HopNorth() {
    if (imgFrog.picture == FrogWest.picture || imgFrog.picture == FrogEast.picture)
        LowerFrog();
    imgFrog.setPicture(FrogNorth.picture);
    if (frogRow >= 1 && frogRow <= 9) {
        for (loopIndex = 1; loopIndex <= 2; ++loopIndex)
            imgFrog.Top = imgFrog.Top - kRowStep[frogRow - 1];
        if (soundOn)
            TegoSnd.PlayEffect(appFolder + "move.wav", 0, -1);
        frogRow = std::int16_t(frogRow + 1);
        setScore(score() + 200);
    } else if (frogRow == 10) {
        for (std::int16_t bay = 0; bay <= 4; ++bay) {
            if (kBays[bay].above < imgFrog.Left && imgFrog.Left < kBays[bay].below &&
                !cubbyFilled[bay]) {
                FrogInCubby(bay);
                return;
            }
        }
    }
}

void frmLilyhops::HopSouth() {
    if (imgFrog.picture == FrogWest.picture || imgFrog.picture == FrogEast.picture)
        LowerFrog();
    imgFrog.setPicture(FrogSouth.picture);
    if (frogRow >= 2 && frogRow <= 10) {
        for (loopIndex = 1; loopIndex <= 2; ++loopIndex)
            imgFrog.Top = imgFrog.Top + kRowStep[frogRow - 2];
        if (soundOn)
            TegoSnd.PlayEffect(appFolder + "move.wav", 0, -1);
        frogRow = std::int16_t(frogRow - 1);
        setScore(score() - 250);
    }
}

void frmLilyhops::RaiseFrog() {
    imgFrog.Top = imgFrog.Top - 60;
}

void frmLilyhops::LowerFrog() {
    imgFrog.Top = imgFrog.Top + 60;
}

} // namespace lilyhops
