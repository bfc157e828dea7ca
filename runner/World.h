#pragma once

// What the lines of a script act on besides the game's own state: the song
// clock the game hears, the activation the focus timer sees, the player, the
// passing of time, the calls the game made, and where lines are written.
// The runner's world stands on a virtual clock and notes every call; the
// window's replay lets time pass at real speed on the screen.

#include "game/CallLog.h"
#include "timing/Scheduler.h"

#include <optional>
#include <string>
#include <vector>

namespace lilyhops {
class frmLilyhops;
class RecordingTegoSnd;
} // namespace lilyhops

namespace lilyhops::script {

class World {
  public:
    virtual ~World() = default;

    virtual frmLilyhops& game() = 0;
    // The silent song clock the game hears: `song length` and `song end`.
    virtual RecordingTegoSnd& songClock() = 0;
    // `active on` / `active off`: what the focus timer is to see.
    virtual void setActive(bool on) = 0;
    // Comes before each line that stands for something the player did (a
    // key, a menu choice, a call, coming back to the window).
    virtual void playerActs() {}
    // Whether the game may run no more: the program has ended, or the world
    // can take no more of what the game does.
    virtual bool stopped() = 0;
    // `wait MS`.
    virtual void letTimePass(Millis ms) = 0;
    // The calls the game made since the last time, for `log`; nothing when
    // this world does not note them.
    virtual std::optional<std::vector<RecordedCall>> takeCalls() = 0;
    // A line of output (`dump`, `log`). Throws LineError when it cannot be
    // written.
    virtual void print(const std::string& line) = 0;
    // A line about an `expect` that did not hold.
    virtual void report(const std::string& line) = 0;
};

} // namespace lilyhops::script
