#pragma once

// A script played into a game driven as the window drives it, with every
// line the replay writes or reports kept, and the time of each wait let
// pass on the test's clock as the window's clock lets it pass.

#include "PlayedGame.h"
#include "recording/ScriptReplay.h"

#include <istream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace lilyhops::testing {

struct Replayed {
    PlayedGame g{false};
    std::vector<std::string> reports, printed;
    std::vector<bool> activations;
    int playerInputs = 0;
    std::unique_ptr<ScriptReplay> replay;

    explicit Replayed(const std::string& text) {
        std::istringstream in(text);
        start(in);
    }
    explicit Replayed(std::istream& in) { start(in); }

    void toTheEnd() {
        while (auto wait = replay->runToNextWait())
            g.runTo(g.clock.now() + *wait);
    }

  private:
    void start(std::istream& in) {
        g.gate.setReplaying(true);
        replay = std::make_unique<ScriptReplay>(
            in, g.game, g.sound,
            ScriptReplay::Hooks{[this](bool on) {
                                    activations.push_back(on);
                                    g.gate.setReplayedActive(on);
                                },
                                [this](const std::string& l) { reports.push_back(l); },
                                [this](const std::string& l) { printed.push_back(l); },
                                [this] { ++playerInputs; }});
    }
};

} // namespace lilyhops::testing
