#pragma once

// The runner's world: the game on a virtual clock that moves only at a
// `wait`, with a sound control that plays nothing and a desktop that answers
// at once, both noting every call for `log`. Lines go to the streams given.

#include "audio/RecordingTegoSnd.h"
#include "game/CallLog.h"
#include "game/frmLilyhops.h"
#include "runner/RecordingDesktop.h"
#include "runner/World.h"
#include "timing/Scheduler.h"

#include <iosfwd>
#include <memory>

namespace lilyhops::script {

// The program's folder as the runner presents it to the game.
inline constexpr const char* kAppFolder = "/app";

class VirtualWorld : public World {
  public:
    // Loads the game: its start-up code runs at virtual time 0.
    VirtualWorld();

    void writeTo(std::ostream& out, std::ostream& err);

    // The game ended the program.
    bool ended() const { return desktop_.ended; }

    // The most calls of the game that may wait for the next log line. Past
    // it the run stops (exit 2): a script that lets the game make that many
    // calls without a log line is almost surely a runaway.
    static constexpr std::size_t kMaxPendingCalls = 100000;
    // Throws LineError when more calls wait than that.
    void checkPendingCalls() const;
    // Throws LineError when what was written could not all be written.
    void flushOutput();

    frmLilyhops& game() override { return *game_; }
    RecordingTegoSnd& songClock() override { return sound_; }
    void setActive(bool on) override { desktop_.active = on; }
    bool stopped() override { return desktop_.ended || tooManyCalls(); }
    void letTimePass(Millis ms) override { clock_.advanceBy(ms); }
    std::optional<std::vector<RecordedCall>> takeCalls() override { return log_.take(); }
    void print(const std::string& line) override;
    void report(const std::string& line) override;

  private:
    bool tooManyCalls() const { return log_.calls().size() > kMaxPendingCalls; }

    Scheduler clock_;
    CallLog log_;
    RecordingTegoSnd sound_;
    RecordingDesktop desktop_;
    std::unique_ptr<frmLilyhops> game_;
    std::ostream* out_ = nullptr;
    std::ostream* err_ = nullptr;
};

} // namespace lilyhops::script
