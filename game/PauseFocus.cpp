// Pause and resume, the focus check that pauses a game whose window is no
// longer active, the music bar, and the key latch.

#include "game/frmLilyhops.h"

namespace lilyhops {

void frmLilyhops::mnuPause_Click() {
    if (!gamePaused) {
        if (mnuPause.Enabled)
            PauseGame();
    } else {
        ResumeGame();
    }
}

void frmLilyhops::PauseGame() {
    // The first lane timer tells whether a game runs and is not paused.
    if (!tmrRow12.Enabled())
        return;
    tmrRow12.setEnabled(false);
    tmrRow38.setEnabled(false);
    tmrRow46.setEnabled(false);
    tmrRow57.setEnabled(false);
    gamePaused = true;
    if (TegoSnd.IsPlaying() || musicOn) {
        musicPos = TegoSnd.TrackPosition();
        TegoSnd.StopMusic();
    } else {
        musicPos = -1;
    }
    canMove = false;
    mnuPause.Checked = true;
    mousePointer = MousePointer::Default;
    lblPaused.Move(0, 2010);
    lblPaused.Visible = true;
}

void frmLilyhops::ResumeGame() {
    if (!gamePaused)
        return;
    gamePaused = false;
    mnuPause.Checked = false;
    lblPaused.Visible = false;
    tmrRow12.setEnabled(true);
    tmrRow38.setEnabled(true);
    tmrRow46.setEnabled(true);
    tmrRow57.setEnabled(true);
    if (musicOn) {
        if (musicPos != -1 && !songChanged) {
            TegoSnd.PlayMusic(appFolder + songFile, musicPos, -1);
        } else {
            // A song chosen during the pause starts from its beginning.
            TegoSnd.PlayMusic(appFolder + songFile, 0, -1);
            songChanged = false;
        }
    }
    canMove = true;
    mousePointer = MousePointer::Custom;
}

void frmLilyhops::tmrChkFocus_Timer() {
    if (!desktop_.MainWindowIsActive())
        PauseGame();
    if (TegoSnd.IsPlaying() && barTick == 0) {
        double length = TegoSnd.TrackLength();
        double position = TegoSnd.TrackPosition();
        // A song that reports no length leaves the bar as it is.
        if (length != 0)
            shpMusicBar.Width = float((length - position) * 6750.0 / length);
    }
    barTick = std::int16_t(barTick + 1);
    if (barTick >= 5)
        barTick = 0;
}

void frmLilyhops::txtControl_KeyPress(std::int16_t& KeyAscii) {
    if (KeyAscii == 27) {
        KeyAscii = 0;
        if (keyReleased) {
            keyReleased = false;
            mnuPause_Click();
        }
    }
}

void frmLilyhops::txtControl_KeyUp(std::int16_t& /*KeyCode*/, std::int16_t /*Shift*/) {
    keyReleased = true;
}

void frmLilyhops::txtControl_LostFocus() {
    if (!frmAbout.Visible)
        desktop_.FocusKeyCatcher();
}

} // namespace lilyhops
