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

void WallClock::run() {
    Millis now = gameNow();
    if (auto due = scheduler_.nextDue(); due && now - *due > kMaxLag) {
        skipped_ += now - *due - kMaxLag;
        now = gameNow();
    }
    scheduler_.advanceTo(now);
    emit advanced();
    rearm();
}

void WallClock::rearm() {
    auto due = scheduler_.nextDue();
    if (!due) {
        wake_.stop();
        return;
    }
    wake_.start(int(std::clamp<Millis>(*due - gameNow(), 0, 60000)));
}

} // namespace lilyhops
