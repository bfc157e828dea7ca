#pragma once

// Plays a script of the runner (a recording, usually) into a live game. The
// lines are read and compiled by the runner's own interpreter, all of them
// first, then run a stretch at a time, each stretch ending at a `wait`, so
// that the caller can let that much game time pass in its own way (the
// window lets it pass at real speed).
//
// The lines mean what they mean to the runner. `active` sets the activation
// the focus timer is to see, `song length` and `song end` act on the silent
// song clock the game hears, `expect` reports a mismatch, `dump` prints its
// line; `log` is passed over, since a window's calls are not all noted.

#include "recording/ReplayWorld.h"
#include "runner/Interpreter.h"

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace lilyhops {

class ScriptReplay {
  public:
    using Hooks = ReplayWorld::Hooks;

    // Reads the whole script. A line that cannot be run ends the replay just
    // before it, and `problem()` says which line and why, in the runner's
    // words.
    ScriptReplay(std::istream& script, frmLilyhops& game, RecordingTegoSnd& sound, Hooks hooks);

    // "line N: what is wrong", if a line cannot be run.
    const std::optional<std::string>& problem() const { return problem_; }

    // Runs the lines from where it stands up to the next `wait` and returns
    // how long that wait is, or nothing when the script is over.
    std::optional<Millis> runToNextWait();
    bool over() const { return next_ >= steps_.size(); }
    int failedExpects() const { return failedExpects_; }

  private:
    ReplayWorld world_;
    std::vector<script::Step> steps_;
    std::size_t next_ = 0;
    std::optional<std::string> problem_;
    int failedExpects_ = 0;
};

} // namespace lilyhops
