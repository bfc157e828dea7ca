#pragma once

// Runs the game's scheduler on wall time. The wake-up is re-armed for the
// next due tick whenever the schedule changes, so a timer's ticks keep to
// their fixed grid; a handler that opens a modal window keeps the clock
// running through the window's own message loop.

#include "timing/Scheduler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace lilyhops {

class WallClock : public QObject {
    Q_OBJECT
  public:
    explicit WallClock(Scheduler& scheduler, QObject* parent = nullptr);
    ~WallClock() override;

    // Game time: wall time since start, less any stall the game skipped.
    Millis gameNow() const { return elapsed_.elapsed() - skipped_; }

  signals:
    // Something may have changed: the window redraws.
    void advanced();

  private:
    void run();
    void rearm();

    // After a stall longer than this (the process was stopped, the machine
    // slept) the missed ticks are dropped instead of run in a burst.
    static constexpr Millis kMaxLag = 250;

    Scheduler& scheduler_;
    QElapsedTimer elapsed_;
    QTimer wake_;
    Millis skipped_ = 0;
};

} // namespace lilyhops
