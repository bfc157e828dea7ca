#include "game/frmLilyhops.h"

#include "game/Numbers.h"

namespace lilyhops {

frmLilyhops::frmLilyhops(Scheduler& scheduler, lilyhops::TegoSnd& sound, Desktop& desktop,
                         RichTextBox& richText, std::string programFolder)
    : frmAbout(richText, programFolder), TegoSnd(sound), scheduler_(scheduler), desktop_(desktop),
      programFolder_(std::move(programFolder)) {
    buildControls();
    buildMenus();

    // Ranked in this order when ticks fall on the same instant.
    for (Timer* t : {&tmrRow12, &tmrRow38, &tmrRow46, &tmrRow57, &tmrDelay, &tmrChkFocus})
        scheduler_.add(*t);
    tmrRow12.onTimer = [this] { tmrRow12_Timer(); };
    tmrRow38.onTimer = [this] { tmrRow38_Timer(); };
    tmrRow46.onTimer = [this] { tmrRow46_Timer(); };
    tmrRow57.onTimer = [this] { tmrRow57_Timer(); };
    tmrDelay.onTimer = [this] { tmrDelay_Timer(); };
    tmrChkFocus.onTimer = [this] { tmrChkFocus_Timer(); };
    TegoSnd.onPlaybackNotify([this] { TegoSnd_PlaybackNotify(); });

    registerProcedures();
}

void frmLilyhops::registerProcedures() {
    auto plain = [this](const char* name, void (frmLilyhops::*fn)()) {
        procedures_[name] = {false, [this, fn](std::int16_t) { (this->*fn)(); }};
    };
    plain("Form_Load", &frmLilyhops::Form_Load);
    plain("mnuNew_Click", &frmLilyhops::mnuNew_Click);
    plain("mnuEnd_Click", &frmLilyhops::mnuEnd_Click);
    plain("mnuExit_Click", &frmLilyhops::mnuExit_Click);
    plain("tmrDelay_Timer", &frmLilyhops::tmrDelay_Timer);

    plain("mnuPause_Click", &frmLilyhops::mnuPause_Click);
    plain("PauseGame", &frmLilyhops::PauseGame);
    plain("ResumeGame", &frmLilyhops::ResumeGame);
    plain("tmrChkFocus_Timer", &frmLilyhops::tmrChkFocus_Timer);
    plain("txtControl_LostFocus", &frmLilyhops::txtControl_LostFocus);
    procedures_["txtControl_KeyPress"] = {true, [this](std::int16_t c) { txtControl_KeyPress(c); }};
    procedures_["txtControl_KeyUp"] = {true, [this](std::int16_t c) { txtControl_KeyUp(c, 0); }};
    procedures_["txtControl_KeyDown"] = {true,
                                         [this](std::int16_t c) { txtControl_KeyDown(c, 0); }};

    plain("HopNorth", &frmLilyhops::HopNorth);
    plain("HopSouth", &frmLilyhops::HopSouth);
    plain("RaiseFrog", &frmLilyhops::RaiseFrog);
    plain("LowerFrog", &frmLilyhops::LowerFrog);

    plain("tmrRow12_Timer", &frmLilyhops::tmrRow12_Timer);
    plain("tmrRow38_Timer", &frmLilyhops::tmrRow38_Timer);
    plain("tmrRow46_Timer", &frmLilyhops::tmrRow46_Timer);
    plain("tmrRow57_Timer", &frmLilyhops::tmrRow57_Timer);
    plain("KeepFrogOnScreen", &frmLilyhops::KeepFrogOnScreen);

    plain("CheckCars", &frmLilyhops::CheckCars);
    plain("CheckWater", &frmLilyhops::CheckWater);
    plain("SquashOff", &frmLilyhops::SquashOff);
    plain("DrownOff", &frmLilyhops::DrownOff);
    procedures_["FrogInCubby"] = {true, [this](std::int16_t bay) { FrogInCubby(bay); }};

    plain("mnuSound_Click", &frmLilyhops::mnuSound_Click);
    plain("mnuMusic_Click", &frmLilyhops::mnuMusic_Click);
    plain("mnuSong1_Click", &frmLilyhops::mnuSong1_Click);
    plain("mnuSong2_Click", &frmLilyhops::mnuSong2_Click);
    plain("mnuSong3_Click", &frmLilyhops::mnuSong3_Click);
    plain("mnuSong4_Click", &frmLilyhops::mnuSong4_Click);
    plain("mnuCycle_Click", &frmLilyhops::mnuCycle_Click);
    plain("TegoSnd_PlaybackNotify", &frmLilyhops::TegoSnd_PlaybackNotify);

    plain("mnuFHelp_Click", &frmLilyhops::mnuFHelp_Click);
    plain("mnuAbout_Click", &frmLilyhops::mnuAbout_Click);
    procedures_["frmAbout.Form_Load"] = {false, [this](std::int16_t) { frmAbout.Form_Load(); }};
    procedures_["frmAbout.cmdOK_Click"] = {false, [this](std::int16_t) { frmAbout.cmdOK_Click(); }};
}

void frmLilyhops::chooseMenu(MenuItem& item) {
    if (!item.reachable())
        return;
    auto handler = procedures_.find(item.name + "_Click");
    if (handler != procedures_.end())
        handler->second.run(0);
}

Sprite* frmLilyhops::findSprite(const std::string& name) {
    for (Sprite* s :
         {&imgBackground, &imgWater, &imgLog1, &imgLog2, &imgLog3, &imgFrog, &imgLife1, &imgLife2,
          &imgTime, &FrogNorth, &FrogSouth, &FrogEast, &FrogWest, &FrogDead, &FrogDrowned})
        if (s->name == name)
            return s;
    for (Sprite& s : imgCars)
        if (s.name == name)
            return &s;
    for (Sprite& s : imgTurtles)
        if (s.name == name)
            return &s;
    for (Sprite& s : imgSuccess)
        if (s.name == name)
            return &s;
    return nullptr;
}

Label* frmLilyhops::findLabel(const std::string& name) {
    for (Label* l :
         {&lblLives, &lblScore1, &lblScore2, &lblTime, &lblPaused, &lblGameOver, &lblSuccess})
        if (l->name == name)
            return l;
    return nullptr;
}

MenuItem* frmLilyhops::findMenu(const std::string& name) {
    for (MenuItem* m : menuBar())
        if (m->name == name)
            return m;
    return nullptr;
}

Timer* frmLilyhops::findTimer(const std::string& name) {
    for (Timer* t : {&tmrRow12, &tmrRow38, &tmrRow46, &tmrRow57, &tmrDelay, &tmrChkFocus})
        if (t->name() == name)
            return t;
    return nullptr;
}

const Picture* frmLilyhops::findPicture(const std::string& holderName) {
    Sprite* s = findSprite(holderName);
    return s ? s->picture : nullptr;
}

double frmLilyhops::score() const {
    return leadingNumber(lblScore2.Caption);
}

void frmLilyhops::setScore(double value) {
    lblScore2.Caption = plainDecimal(value);
}

} // namespace lilyhops
