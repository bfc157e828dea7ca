// The life of a game: start-up, New Game, End Game, Exit, and the short
// freeze of the arrow keys after a toad is run over.

#include "game/frmLilyhops.h"

namespace lilyhops {

void frmLilyhops::Form_Load() {
    keyReleased = true;
    songChanged = false;
    musicOn = true;
    appFolder = programFolder_ + "/";
    canMove = false;
    tmrRow12.setEnabled(false);
    tmrRow38.setEnabled(false);
    tmrRow46.setEnabled(false);
    tmrRow57.setEnabled(false);
    gamePaused = false;
    mnuPause.Checked = false;
    livesLeft = 2;
    frogRow = 1;
    // At this size only the status line, the playfield and the music bar are
    // inside the window; the holders and parked labels lie below it.
    Height = 6630;
    Width = 6840;
    barTick = 1;
    soundOn = true;
    musicOn = true;
    cycleMusic = false;
    songFile = "OrigBogt.mid";
    for (loopIndex = 0; loopIndex <= 4; ++loopIndex)
        cubbyFilled[loopIndex] = false;
}

void frmLilyhops::mnuNew_Click() {
    // The traffic goes on from wherever it stands.
    tmrRow12.setEnabled(true);
    tmrRow38.setEnabled(true);
    tmrRow46.setEnabled(true);
    tmrRow57.setEnabled(true);
    imgFrog.Left = 3255;
    imgFrog.Top = 5460;
    canMove = true;
    keyReleased = true;
    mnuEnd.Enabled = true;
    mnuPause.Enabled = true;
    imgFrog.setPicture(FrogNorth.picture);
    livesLeft = 2;
    imgFrog.Visible = true;
    frogRow = 1;
    imgTime.Width = 3000;
    imgLife1.Move(690, 30);
    imgLife2.Move(1050, 30);
    imgLife1.setPicture(FrogSouth.picture);
    imgLife2.setPicture(FrogSouth.picture);
    lblGameOver.Visible = false;
    lblSuccess.Visible = false;
    lblPaused.Visible = false;
    lblScore2.ForeColor = 0xFFFFFF;
    if (musicOn) {
        // From the beginning, even when it was playing.
        TegoSnd.PlayMusic(appFolder + songFile, 0, -1);
        songChanged = false;
    }
    lblScore2.Caption = "0";
    for (loopIndex = 0; loopIndex <= 4; ++loopIndex) {
        cubbyFilled[loopIndex] = false;
        imgSuccess[loopIndex].Visible = false;
    }
    onLog[0] = false;
    onLog[1] = false;
    onTurtle[0] = false;
    onTurtle[1] = false;
    gamePaused = false;
    mnuPause.Checked = false;
    mousePointer = MousePointer::Custom;
}

void frmLilyhops::mnuEnd_Click() {
    tmrRow12.setEnabled(false);
    tmrRow38.setEnabled(false);
    tmrRow46.setEnabled(false);
    tmrRow57.setEnabled(false);
    canMove = false;
    gamePaused = false;
    lblPaused.Visible = false;
    mnuPause.Checked = false;
    mnuPause.Enabled = false;
    mnuEnd.Enabled = false;
    mousePointer = MousePointer::Default;
    TegoSnd.StopMusic();
}

void frmLilyhops::mnuExit_Click() {
    desktop_.End();
}

void frmLilyhops::tmrDelay_Timer() {
    canMove = true;
    tmrDelay.setEnabled(false);
}

} // namespace lilyhops
