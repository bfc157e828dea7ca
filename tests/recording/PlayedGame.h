#pragma once

// A game driven as the window drives it, on a clock the test moves by hand:
// every input goes through the input gate, which brings the game's clock to
// "the present" first, and the window's own wake-ups are `runTo`. The game
// can be recorded, and the recording run by the script runner.

#include "audio/RecordingTegoSnd.h"
#include "game/frmLilyhops.h"
#include "recording/InputGate.h"
#include "recording/ScriptRecorder.h"
#include "runner/ScriptRunner.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace lilyhops::testing {

// The desktop of a window: the focus timer's question goes through the gate.
struct WindowDesktop : script::RecordingDesktop {
    using RecordingDesktop::RecordingDesktop;
    InputGate* gate = nullptr;
    bool reallyActive = true;
    bool MainWindowIsActive() override { return gate->activeAsSeen(reallyActive); }
};

// A sound control may raise PlaybackNotify at other times than a song's end.
struct TestSound : RecordingTegoSnd {
    using RecordingTegoSnd::RecordingTegoSnd;
    void notifyMidSong() { raisePlaybackNotify(); }
};

struct PlayedGame {
    Scheduler clock;
    CallLog calls;
    TestSound sound{clock, calls};
    WindowDesktop desktop{calls, clock};
    frmLilyhops game{clock, sound, desktop, desktop, "/app"};
    Millis present = 0;
    InputGate gate{game, [this] {
                       clock.advanceTo(present);
                       return clock.now();
                   }};
    std::ostringstream recording;
    ScriptRecorder recorder{recording};

    explicit PlayedGame(bool record = true, std::int32_t songLength = 120000) {
        desktop.attach(game);
        desktop.gate = &gate;
        sound.setSongLength(songLength);
        // The silent control ends a song inside the clock's run; the real
        // one tells of it at that instant, as an input.
        sound.onPlaybackNotify([this] {
            const Millis later = present;
            present = clock.now();
            gate.songEnded();
            present = later;
        });
        game.Form_Load();
        if (record) {
            recorder.begin({"a test game"});
            gate.recordTo(&recorder);
        }
    }

    // The wall clock stands at `ms`; the next input comes then.
    PlayedGame& at(Millis ms) {
        present = ms;
        return *this;
    }
    // The window's clock wakes at `ms` and runs what is due.
    void runTo(Millis ms) {
        present = ms;
        clock.advanceTo(ms);
    }
    void key(std::int16_t code, std::optional<std::int16_t> typed = std::nullopt) {
        gate.keyDown(code);
        if (typed)
            gate.keyPress(*typed);
        gate.keyUp(code);
    }
    void close(Millis ms) {
        at(ms);
        gate.windowClosing();
    }
};

// The lines of a text, without their line ends.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

struct RunnerResult {
    int status;
    std::string out, err;
};

inline RunnerResult runScript(const std::string& text) {
    script::ScriptRunner runner;
    std::istringstream in(text);
    std::ostringstream out, err;
    int status = runner.run(in, out, err);
    return {status, out.str(), err.str()};
}

} // namespace lilyhops::testing
