#include "frontend/WallClock.h"

#include <algorithm>

namespace lilyhops {

WallClock::WallClock(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {
    elapsed_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &WallClock::run);
    scheduler_.onChanged = [this] { rearm(); };
    rearm();
}

WallClock::~WallClock() {
    scheduler_.onChanged = nullptr;
}

Millis WallClock::present() {
    Millis now = gameNow();
    if (auto due = scheduler_.nextDue(); due && now - *due > kMaxLag) {
        skipped_ += now - *due - kMaxLag;
        now = gameNow();
    }
    return now;
}

Millis WallClock::catchUp() {
    Millis now = present();
    // A hold reached calls back into the replay, which runs its lines at the
    // hold's instant and may move the hold on.
    while (hold_ && !holdReached_ && now >= *hold_ && !holding_) {
        scheduler_.advanceTo(*hold_);
        holdReached_ = true;
        if (onHold) {
            holding_ = true;
            onHold();
            holding_ = false;
        }
    }
    Millis target = hold_ ? std::min(now, *hold_) : now;
    if (target >= scheduler_.now())
        scheduler_.advanceTo(target);
    return scheduler_.now();
}

void WallClock::holdAt(std::optional<Millis> at) {
    hold_ = at;
    holdReached_ = false;
    rearm();
}

void WallClock::run() {
    catchUp();
    emit advanced();
    rearm();
}

void WallClock::rearm() {
    std::optional<Millis> due = scheduler_.nextDue();
    if (hold_) {
        if (holdReached_) {
            wake_.stop(); // held where it stands until told otherwise
            return;
        }
        due = due ? std::min(*due, *hold_) : *hold_;
    }
    if (!due) {
        wake_.stop();
        return;
    }
    wake_.start(int(std::clamp<Millis>(*due - gameNow(), 0, 60000)));
}

} // namespace lilyhops
