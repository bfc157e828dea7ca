// The keys: one action per key press, arrows only while the toad may move,
// and the toad kept inside the window after every key that was taken.

#include "game/frmLilyhops.h"

namespace lilyhops {

namespace {
constexpr std::int16_t kEsc = 27, kSpace = 32, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
constexpr float kSideStep = 225;
} // namespace

void frmLilyhops::txtControl_KeyDown(std::int16_t& KeyCode, std::int16_t /*Shift*/) {
    // Esc pauses on its character event; here it is swallowed.
    if (KeyCode == kEsc) {
        KeyCode = 0;
        return;
    }
    // Auto-repeat sends key-downs without key-ups: a held key acts once.
    if (!keyReleased)
        return;
    keyReleased = false;

    if (KeyCode == kUp && canMove) {
        HopNorth();
        onLog = {false, false};
        onTurtle = {false, false};
    }
    if (KeyCode == kDown && canMove) {
        HopSouth();
        onLog = {false, false};
        onTurtle = {false, false};
    }
    if (KeyCode == kLeft && canMove)
        StepSideways(FrogWest, -kSideStep);
    if (KeyCode == kRight && canMove)
        StepSideways(FrogEast, kSideStep);
    if (KeyCode == kSpace)
        mnuPause_Click();
    KeepFrogOnScreen();
}

void frmLilyhops::StepSideways(const Sprite& facing, float step) {
    // Turning from upright to sideways raises the taller picture so that its
    // feet stay where they were; a second sideways step does not.
    if (imgFrog.picture != FrogEast.picture && imgFrog.picture != FrogWest.picture)
        RaiseFrog();
    imgFrog.setPicture(facing.picture);
    for (loopIndex = 1; loopIndex <= 2; ++loopIndex)
        imgFrog.Left = imgFrog.Left + step;
    if (soundOn)
        TegoSnd.PlayEffect(appFolder + "move.wav", 0, -1);
    onLog = {false, false};
    onTurtle = {false, false};
}

} // namespace lilyhops
