#pragma once

// The game's core with the runner's stand-ins around it (a sound control that
// records, a desktop that answers at once), on a virtual clock, with a hook
// that runs after every handler the clock runs: each tick of each timer and
// each end of a song.

#include "audio/RecordingTegoSnd.h"
#include "game/CallLog.h"
#include "game/frmLilyhops.h"
#include "runner/ScriptRunner.h"
#include "timing/Scheduler.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lilyhops::fuzz {

class GameUnderTest {
  public:
    GameUnderTest() {
        desktop.attach(game);
        game.Form_Load();
        for (Timer* t : {&game.tmrRow12, &game.tmrRow38, &game.tmrRow46, &game.tmrRow57,
                         &game.tmrDelay, &game.tmrChkFocus}) {
            t->onTimer = [this, t, handler = t->onTimer] {
                handler();
                handlerRan(t->name());
            };
        }
        sound.onPlaybackNotify([this] {
            game.TegoSnd_PlaybackNotify();
            handlerRan("song end");
        });
    }

    // Runs after every handler the clock runs, with the handler's name.
    std::function<void(const char*)> afterHandler;

    bool lanesRun() const { return game.tmrRow12.Enabled(); }
    // A game runs from New Game to its end, paused or not.
    bool inGame() const { return lanesRun() || game.gamePaused; }

    // Advances the clock to the next instant at which something is due, as
    // a tick of the window's clock does. Something must then run: otherwise
    // the clock names an instant at which nothing happens, which a window
    // waiting for it would wait for in vain; that is noted in clockProblem.
    Millis advanceToNextDue() {
        std::optional<Millis> next = clock.nextDue();
        if (!next) {
            clockProblem = "the clock has nothing due at all";
            return clock.now();
        }
        std::uint64_t before = handlersRun_;
        clock.advanceTo(*next);
        if (handlersRun_ == before)
            clockProblem = "nothing ran at the clock's next due instant " + std::to_string(*next);
        return *next;
    }
    std::string clockProblem;

    // The player chooses a menu item; what stood before is kept for the
    // checks of what the choice must have done.
    struct Choice {
        const MenuItem* item = nullptr;
        bool reachable = false, lanesRan = false, paused = false, canMove = false;
        bool soundOn = false, musicOn = false, cycleMusic = false;
    };
    void choose(MenuItem& item) {
        const frmLilyhops& w = game;
        lastChoice = {&item,     item.reachable(), lanesRun(), w.gamePaused,
                      w.canMove, w.soundOn,        w.musicOn,  w.cycleMusic};
        game.chooseMenu(item);
    }
    std::optional<Choice> lastChoice;

    void keyDown(std::int16_t code) { game.txtControl_KeyDown(code, 0); }
    void keyPress(std::int16_t code) { game.txtControl_KeyPress(code); }
    void keyUp(std::int16_t code) { game.txtControl_KeyUp(code, 0); }

    Scheduler clock;
    CallLog log;
    RecordingTegoSnd sound{clock, log};
    script::RecordingDesktop desktop{log, clock};
    frmLilyhops game{clock, sound, desktop, desktop, "/app"};

  private:
    std::uint64_t handlersRun_ = 0;
    void handlerRan(const std::string& name) {
        ++handlersRun_;
        if (afterHandler)
            afterHandler(name.c_str());
    }
};

} // namespace lilyhops::fuzz
