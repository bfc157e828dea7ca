#pragma once

// Runs the game's scheduler on wall time, in whole milliseconds. The wake-up
// is re-armed for the next due tick whenever the schedule changes, so a
// timer's ticks keep to their fixed grid; a handler that opens a modal window
// keeps the clock running through the window's own message loop.
//
// An input is handed to the game only after `catchUp()`: every tick due up
// to the input's instant runs first, and a timer the input switches on
// counts from that instant, not from the last wake-up.

#include "timing/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace lilyhops {

class WallClock : public QObject {
    Q_OBJECT
  public:
    explicit WallClock(Scheduler& scheduler, QObject* parent = nullptr);
    ~WallClock() override;

    // Game time: wall time since start, less any stall the game skipped.
    Millis gameNow() const { return elapsed_.elapsed() - skipped_; }

    // Runs everything due up to the present and returns the present, in game
    // time. Never beyond a hold.
    Millis catchUp();

    // Game time stops at `at` (none: it runs free). When it gets there the
    // clock calls `onHold`, which may set a later hold to let it go on; a
    // replay uses this to run each stretch of its script at its own instant.
    void holdAt(std::optional<Millis> at);
    std::function<void()> onHold;

  signals:
    // Something may have changed: the window redraws.
    void advanced();

  private:
    void run();
    void rearm();
    // The present, after dropping the ticks of a long stall.
    Millis present();

    // After a stall longer than this (the process was stopped, the machine
    // slept) the missed ticks are dropped instead of run in a burst.
    static constexpr Millis kMaxLag = 250;

    Scheduler& scheduler_;
    QElapsedTimer elapsed_;
    QTimer wake_;
    Millis skipped_ = 0;
    std::optional<Millis> hold_;
    bool holdReached_ = false; // the clock stands at the hold
    bool holding_ = false;     // `onHold` is running
};

} // namespace lilyhops
