// The Audio menu: effects and music on and off, the choice of song, cycling
// through the songs, and what happens when a song ends.

#include "game/frmLilyhops.h"

namespace lilyhops {

void frmLilyhops::mnuSound_Click() {
    soundOn = !soundOn;
    mnuSound.Checked = soundOn;
}

void frmLilyhops::mnuCycle_Click() {
    cycleMusic = !cycleMusic;
    mnuCycle.Checked = cycleMusic;
}

void frmLilyhops::mnuMusic_Click() {
    if (musicOn) {
        musicOn = false;
        mnuMusic.Checked = false;
        mnuSong.Enabled = false;
        TegoSnd.StopMusic();
    } else {
        musicOn = true;
        mnuMusic.Checked = true;
        mnuSong.Enabled = true;
        // From the beginning, even before the first game; a pause leaves it
        // to the resume.
        if (!gamePaused)
            TegoSnd.PlayMusic(appFolder + songFile, 0, -1);
    }
}

void frmLilyhops::ChooseSong(MenuItem& item, const char* file) {
    musicOn = false;
    TegoSnd.StopMusic();
    songFile = file;
    songChanged = true;
    // Only a running game with a toad free to move starts the song at once;
    // otherwise the next New Game or resume starts it from its beginning.
    if (!gamePaused && canMove) {
        savedCanMove = canMove;
        canMove = false;
        TegoSnd.PlayMusic(appFolder + songFile, 0, -1);
        canMove = savedCanMove;
        songChanged = false;
    }
    musicOn = true;
    for (MenuItem* song : {&mnuSong1, &mnuSong2, &mnuSong3, &mnuSong4})
        song->Checked = song == &item;
}

void frmLilyhops::mnuSong1_Click() {
    ChooseSong(mnuSong1, "OrigBogt.mid");
}
void frmLilyhops::mnuSong2_Click() {
    ChooseSong(mnuSong2, "Pelto64.mid");
}
void frmLilyhops::mnuSong3_Click() {
    ChooseSong(mnuSong3, "VraxHeav.mid");
}
void frmLilyhops::mnuSong4_Click() {
    ChooseSong(mnuSong4, "TollBrdg.mid");
}

void frmLilyhops::TegoSnd_PlaybackNotify() {
    std::int32_t length = TegoSnd.TrackLength();
    std::int32_t position = TegoSnd.TrackPosition();
    if (musicOn && cycleMusic && position == length) {
        if (mnuSong1.Checked)
            mnuSong2_Click();
        else if (mnuSong2.Checked)
            mnuSong3_Click();
        else if (mnuSong3.Checked)
            mnuSong4_Click();
        else if (mnuSong4.Checked)
            mnuSong1_Click();
    }
    length = TegoSnd.TrackLength();
    position = TegoSnd.TrackPosition();
    if (musicOn && !cycleMusic && position == length) {
        if (mnuSong1.Checked)
            mnuSong1_Click();
        else if (mnuSong2.Checked)
            mnuSong2_Click();
        else if (mnuSong3.Checked)
            mnuSong3_Click();
        else if (mnuSong4.Checked)
            mnuSong4_Click();
    }
}

} // namespace lilyhops
