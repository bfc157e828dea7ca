#include "timing/Scheduler.h"

#include <algorithm>

namespace lilyhops {

Timer::Timer(std::string name, int interval, bool enabled)
    : name_(std::move(name)), interval_(interval), enabled_(enabled) {}

Timer::~Timer() {
    if (scheduler_)
        scheduler_->remove(*this);
}

void Timer::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on && scheduler_)
        nextDue_ = scheduler_->now() + interval_;
    if (scheduler_)
        scheduler_->changed();
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    if (scheduler_) {
        nextDue_ = scheduler_->now() + interval_;
        scheduler_->changed();
    }
}

void Scheduler::add(Timer& timer) {
    timer.scheduler_ = this;
    timer.nextDue_ = now_ + timer.interval_;
    timers_.push_back(&timer);
    changed();
}

void Scheduler::remove(Timer& timer) {
    std::erase(timers_, &timer);
    timer.scheduler_ = nullptr;
    changed();
}

Scheduler::EventId Scheduler::scheduleAt(Millis due, std::function<void()> fn) {
    EventId id = nextId_++;
    events_.push_back({id, due, std::move(fn)});
    changed();
    return id;
}

void Scheduler::cancel(EventId id) {
    events_.remove_if([id](const Event& e) { return e.id == id; });
    changed();
}

std::optional<Millis> Scheduler::nextDue() const {
    if (halted_)
        return std::nullopt;
    std::optional<Millis> best;
    for (const Timer* t : timers_)
        if (t->enabled_ && t->interval_ > 0 && (!best || t->nextDue_ < *best))
            best = t->nextDue_;
    for (const Event& e : events_)
        if (!best || e.due < *best)
            best = e.due;
    return best;
}

void Scheduler::advanceTo(Millis until) {
    while (!halted_) {
        // The earliest due timer, lower rank first on a tie...
        Timer* timer = nullptr;
        for (Timer* t : timers_)
            if (t->due(until) && (!timer || t->nextDue_ < timer->nextDue_))
                timer = t;
        // ...and the earliest one-shot event, which loses a tie with a timer.
        auto event = events_.end();
        for (auto it = events_.begin(); it != events_.end(); ++it)
            if (it->due <= until && (event == events_.end() || it->due < event->due))
                event = it;

        bool eventFirst = event != events_.end() && (!timer || event->due < timer->nextDue_);
        if (eventFirst) {
            now_ = std::max(now_, event->due);
            auto fn = std::move(event->fn);
            events_.erase(event);
            changed(); // a handler may run a nested message loop
            fn();
        } else if (timer) {
            now_ = std::max(now_, timer->nextDue_);
            timer->nextDue_ += timer->interval_;
            changed();
            if (timer->onTimer)
                timer->onTimer();
        } else {
            break;
        }
    }
    now_ = std::max(now_, until);
    changed();
}

} // namespace lilyhops
