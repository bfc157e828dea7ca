#pragma once

// The world of a script replayed in the window: time passes at real speed,
// so a `wait` only notes how long the caller is to let the game run; the
// activation, the player's doings and the lines written go to the window
// through hooks; the calls the game makes are not noted, so `log` writes
// nothing.

#include "audio/RecordingTegoSnd.h"
#include "runner/World.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace lilyhops {

class ReplayWorld : public script::World {
  public:
    struct Hooks {
        // `active on` / `active off`.
        std::function<void(bool)> setActive;
        // A line for standard error: a failed `expect`.
        std::function<void(const std::string&)> report;
        // A line for standard output: a `dump`.
        std::function<void(const std::string&)> print;
        // Called before each line that stands for the player's doing (a key,
        // a menu choice, a call, `active on`), so the window can close what
        // the player must have closed before it.
        std::function<void()> beforePlayerInput;
    };

    ReplayWorld(frmLilyhops& game, RecordingTegoSnd& sound, Hooks hooks)
        : game_(game), sound_(sound), hooks_(std::move(hooks)) {}

    // The wait the last step asked for, once.
    std::optional<Millis> takeWait() { return std::exchange(wait_, std::nullopt); }

    frmLilyhops& game() override { return game_; }
    RecordingTegoSnd& songClock() override { return sound_; }
    void setActive(bool on) override { call(hooks_.setActive, on); }
    void playerActs() override { call(hooks_.beforePlayerInput); }
    bool stopped() override;
    void letTimePass(Millis ms) override { wait_ = ms; }
    std::optional<std::vector<RecordedCall>> takeCalls() override { return std::nullopt; }
    void print(const std::string& line) override { call(hooks_.print, line); }
    void report(const std::string& line) override { call(hooks_.report, line); }

  private:
    template <typename Hook, typename... Args> static void call(const Hook& hook, Args&&... args) {
        if (hook)
            hook(std::forward<Args>(args)...);
    }

    frmLilyhops& game_;
    RecordingTegoSnd& sound_;
    Hooks hooks_;
    std::optional<Millis> wait_;
};

} // namespace lilyhops
