#include "frontend/Stats.h"

#include "frontend/GameWindow.h"
#include "frontend/PlayfieldView.h"

#include <QEvent>
#include <chrono>
#include <fstream>
#include <iostream>

namespace lilyhops {

namespace {

// CLOCK_MONOTONIC, the clock the benchmark reads too (Python's
// time.monotonic_ns).
std::int64_t monotonicNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

Stats::Stats(const char* file, GameWindow& window, Scheduler& scheduler)
    : file_(file ? file : ""), scheduler_(scheduler) {
    if (!watching())
        return;
    playfield_ = &window.playfield();
    playfield_->installEventFilter(this);

    frmLilyhops& game = window.game();
    for (Timer* t : {&game.tmrRow12, &game.tmrRow38, &game.tmrRow46, &game.tmrRow57, &game.tmrDelay,
                     &game.tmrChkFocus}) {
        timers_.push_back({t, t->onTimer});
        // While a tick runs the scheduler stands at the instant it was due.
        t->onTimer = [this, t, handler = t->onTimer] {
            ticks_.push_back({t, monotonicNs(), scheduler_.now()});
            if (handler)
                handler();
        };
    }
}

Stats::~Stats() {
    if (!watching())
        return;
    for (const Watched& w : timers_)
        w.timer->onTimer = w.handler;
    if (playfield_)
        playfield_->removeEventFilter(this);
    if (!write())
        std::cerr << "lilyhops: cannot write the statistics file " << file_ << "\n";
}

bool Stats::eventFilter(QObject* watched, QEvent* event) {
    if (watched == playfield_ && event->type() == QEvent::Paint)
        paints_.push_back(monotonicNs());
    return false;
}

bool Stats::write() const {
    std::ofstream out(file_, std::ios::trunc);
    if (!out)
        return false;
    for (std::int64_t ns : paints_)
        out << "paint " << ns << "\n";
    for (const Tick& t : ticks_)
        out << "tick " << t.timer->name() << " " << t.ns << " " << t.dueMs << "\n";
    out.flush();
    return bool(out);
}

} // namespace lilyhops
