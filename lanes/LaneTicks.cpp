// The four lane timers: each moves two lanes by a fixed step and brings an
// object that has left the playfield back in at the other side. The same
// ticks carry a riding toad, shrink the time bar and run the road and river
// tests.

#include "game/frmLilyhops.h"

namespace lilyhops {

namespace {

// Rule for a vehicle moving left: once its right edge has reached the
// window's left edge it starts again one length beyond the right boundary.
void wrapLeftward(Sprite& v, float W) {
    if (v.Left <= -v.Width)
        v.Left = W + v.Width;
}

// Rule for a vehicle moving right: every vehicle of the lane re-enters at
// minus the width of the lane's reference vehicle, so the gaps keep.
void wrapRightward(Sprite& v, float W, const Sprite& reference) {
    if (v.Left >= W)
        v.Left = -reference.Width;
}

// A raft of turtles (listed left to right) re-forms just left of the window
// once its first turtle has reached the right boundary; neighbours overlap by
// 30 twips.
template <std::size_t N> void wrapRaft(const std::array<Sprite*, N>& raft, float W) {
    if (raft[0]->Left < W)
        return;
    raft[N - 1]->Left = -raft[N - 1]->Width;
    for (std::size_t i = N - 1; i-- > 0;)
        raft[i]->Left = raft[i + 1]->Left + 30 - raft[i]->Width;
}

} // namespace

void frmLilyhops::tmrRow12_Timer() {
    for (int n : {1, 2, 3}) {
        imgCar(n).Left = imgCar(n).Left - 150;
        wrapLeftward(imgCar(n), Width);
    }
    for (int n : {4, 5, 6, 10}) {
        imgCar(n).Left = imgCar(n).Left + 150;
        wrapRightward(imgCar(n), Width, imgCar(4));
    }
}

void frmLilyhops::tmrRow38_Timer() {
    imgCar(7).Left = imgCar(7).Left - 200;
    wrapLeftward(imgCar(7), Width);
    for (int n = 7; n <= 12; ++n)
        imgTurtle(n).Left = imgTurtle(n).Left + 100;
    wrapRaft<2>({&imgTurtle(7), &imgTurtle(8)}, Width);
    wrapRaft<2>({&imgTurtle(9), &imgTurtle(10)}, Width);
    wrapRaft<2>({&imgTurtle(11), &imgTurtle(12)}, Width);
    if (onTurtle[1] && frogRow == 10)
        imgFrog.Left = imgFrog.Left + 100;
    KeepFrogOnScreen();
    CheckCars();
    CheckWater();
}

void frmLilyhops::tmrRow46_Timer() {
    for (int n : {8, 9}) {
        imgCar(n).Left = imgCar(n).Left + 100;
        wrapRightward(imgCar(n), Width, imgCar(9));
    }
    imgLog1.Left = imgLog1.Left - 100;
    if (imgLog1.Left <= -imgLog1.Width)
        imgLog1.Left = Width;
    if (onLog[0] && frogRow == 8)
        imgFrog.Left = imgFrog.Left - 100;
    // The time bar shrinks from its right end; a bar under one step stays.
    if (imgTime.Width >= 15)
        imgTime.Width = imgTime.Width - 15;
    KeepFrogOnScreen();
}

void frmLilyhops::tmrRow57_Timer() {
    for (int n = 1; n <= 6; ++n)
        imgTurtle(n).Left = imgTurtle(n).Left + 150;
    wrapRaft<3>({&imgTurtle(1), &imgTurtle(2), &imgTurtle(3)}, Width);
    wrapRaft<3>({&imgTurtle(4), &imgTurtle(5), &imgTurtle(6)}, Width);
    if (onTurtle[0] && frogRow == 7)
        imgFrog.Left = imgFrog.Left + 150;
    KeepFrogOnScreen();
    // The short logs drift a further 5000 twips out of sight before they
    // come back at the right.
    for (Sprite* log : {&imgLog2, &imgLog3}) {
        log->Left = log->Left - 200;
        if (log->Left <= -log->Width - 5000)
            log->Left = Width;
    }
    if (onLog[1] && frogRow == 9)
        imgFrog.Left = imgFrog.Left - 200;
    KeepFrogOnScreen();
}

void frmLilyhops::KeepFrogOnScreen() {
    if (imgFrog.Left < 0) {
        imgFrog.Left = 0;
        return;
    }
    // The limit comes from the window's outer width, so a toad held there
    // has its last 90 twips beyond the visible playfield.
    float limit = Width - imgFrog.Width;
    if (imgFrog.Left > limit)
        imgFrog.Left = limit;
}

} // namespace lilyhops
