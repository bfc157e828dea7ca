#pragma once

// The main window: every variable of the game, every control, and every
// procedure and event handler. It is the one owner of the game's state; the Qt
// window draws it and feeds it events, the script runner feeds it a script.

#include "about/frmAbout.h"
#include "audio/TegoSnd.h"
#include "game/Desktop.h"
#include "playfield/Controls.h"
#include "timing/Scheduler.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace lilyhops {

class frmLilyhops {
  public:
    // `programFolder` is the folder of the program's files, without a
    // trailing separator.
    frmLilyhops(Scheduler& scheduler, lilyhops::TegoSnd& sound, Desktop& desktop,
                RichTextBox& richText, std::string programFolder);
    frmLilyhops(const frmLilyhops&) = delete;
    frmLilyhops& operator=(const frmLilyhops&) = delete;

    // ---- Window-level variables ----
    std::int16_t loopIndex = 0;
    bool canMove = false;
    std::int16_t livesLeft = 0;
    std::int16_t frogRow = 0;
    std::string appFolder;
    bool soundOn = false;
    bool cycleMusic = false;
    std::string songFile;
    bool keyReleased = false;
    bool musicOn = false;
    std::array<bool, 5> cubbyFilled{};
    std::array<bool, 2> onTurtle{};
    std::array<bool, 2> onLog{};
    bool gamePaused = false;
    std::int32_t musicPos = 0;
    std::int16_t barTick = 0;
    bool songChanged = false;
    bool savedCanMove = false;

    // ---- The window itself ----
    std::string Caption = " Lilyhops";
    std::uint32_t BackColor = 0x004000; // &H00BBGGRR: dark green
    float Width = 0, Height = 0;        // outer size, twips
    MousePointer mousePointer = MousePointer::Default;

    // ---- Picture sprites ----
    Sprite imgBackground, imgWater;
    std::array<Sprite, 10> imgCars;    // imgCar1 .. imgCar10
    std::array<Sprite, 12> imgTurtles; // imgTurtle01 .. imgTurtle12
    Sprite imgLog1, imgLog2, imgLog3;
    std::array<Sprite, 5> imgSuccess;
    Sprite imgFrog, imgLife1, imgLife2, imgTime;
    // Hidden holders of the toad's pictures.
    Sprite FrogNorth, FrogSouth, FrogEast, FrogWest, FrogDead, FrogDrowned;

    Sprite& imgCar(int n) { return imgCars.at(n - 1); }
    Sprite& imgTurtle(int n) { return imgTurtles.at(n - 1); }

    // ---- Labels, shape, text box ----
    Label lblLives, lblScore1, lblScore2, lblTime, lblPaused, lblGameOver, lblSuccess;
    Shape shpMusicBar;
    TextBox txtControl;

    // ---- Timers ----
    Timer tmrRow12{"tmrRow12", 100, false};
    Timer tmrRow38{"tmrRow38", 40, false};
    Timer tmrRow46{"tmrRow46", 100, true};
    Timer tmrRow57{"tmrRow57", 100, false};
    Timer tmrDelay{"tmrDelay", 500, false};
    Timer tmrChkFocus{"tmrChkFocus", 100, true};

    // ---- Menu bar ----
    MenuItem mnuFile, mnuNew, mnuEnd, mnuPause, mnuSep1, mnuExit;
    MenuItem mnuAudio, mnuSound, mnuMusic, mnuSong, mnuSong1, mnuSong2, mnuSong3, mnuSong4, mnuSep2,
        mnuCycle;
    MenuItem mnuHelp, mnuFHelp, mnuAbout;

    // ---- The About window and the sound control ----
    lilyhops::frmAbout frmAbout;
    lilyhops::TegoSnd& TegoSnd;

    // ---- Start-up, new game, end of game ----
    void Form_Load();
    void mnuNew_Click();
    void mnuEnd_Click();
    void mnuExit_Click();
    void tmrDelay_Timer();

    // ---- Pause, resume and keyboard focus ----
    void mnuPause_Click();
    void tmrChkFocus_Timer();
    void txtControl_KeyPress(std::int16_t& KeyAscii);
    void txtControl_KeyUp(std::int16_t& KeyCode, std::int16_t Shift);
    void txtControl_LostFocus();

    // ---- Keyboard commands, hops and scoring ----
    void txtControl_KeyDown(std::int16_t& KeyCode, std::int16_t Shift);

    // ---- Lanes ----
    void tmrRow12_Timer();
    void tmrRow38_Timer();
    void tmrRow46_Timer();
    void tmrRow57_Timer();

    // ---- Hazards and goals (public procedures of the window) ----
    void FrogInCubby(std::int16_t& Cubbynum);
    void DrownOff();

    // ---- Audio menus and the sound control's event ----
    void mnuSound_Click();
    void mnuMusic_Click();
    void mnuSong1_Click();
    void mnuSong2_Click();
    void mnuSong3_Click();
    void mnuSong4_Click();
    void mnuCycle_Click();
    void TegoSnd_PlaybackNotify();

    // ---- Help ----
    void mnuFHelp_Click();
    void mnuAbout_Click();

    // ---- Lookup by name, for the runner, the tests and the Qt window ----
    struct Procedure {
        bool takesArgument = false;
        std::function<void(std::int16_t)> run;
    };
    // Every procedure and event handler the game has, by name.
    const std::map<std::string, Procedure>& procedures() const { return procedures_; }
    Sprite* findSprite(const std::string& name);
    Label* findLabel(const std::string& name);
    MenuItem* findMenu(const std::string& name);
    Timer* findTimer(const std::string& name);
    const Picture* findPicture(const std::string& holderName);

    // The player chooses a menu item: its click handler runs only when the
    // item and every menu above it are enabled.
    void chooseMenu(MenuItem& item);

    // Menu items in menu-bar order, top-level menus first with their children.
    std::vector<MenuItem*> menuBar();
    // Sprites, labels and the music bar, back to front.
    using Drawable = std::variant<const Sprite*, const Label*, const Shape*>;
    std::vector<Drawable> drawingOrder() const;

    Scheduler& scheduler() { return scheduler_; }
    const std::string& programFolder() const { return programFolder_; }

  private:
    // Private procedures of the window.
    void PauseGame();
    void ResumeGame();
    void HopNorth();
    void HopSouth();
    void RaiseFrog();
    void LowerFrog();
    void StepSideways(const Sprite& facing, float step);
    void KeepFrogOnScreen();
    void CheckCars();
    void CheckWater();
    void SquashOff();
    void ChooseSong(MenuItem& item, const char* file);
    void LoseFrog(bool drowned);

    // Score helpers: the score lives in lblScore2's caption.
    double score() const;
    void setScore(double value);

    void buildControls();
    void buildMenus();
    void registerProcedures();

    Scheduler& scheduler_;
    Desktop& desktop_;
    std::string programFolder_;
    std::deque<Picture> pictures_; // stable addresses: sprites point into it
    std::map<std::string, Procedure> procedures_;
};

} // namespace lilyhops
