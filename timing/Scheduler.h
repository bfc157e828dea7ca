#pragma once

// One scheduler for every timer of the window and for the end of a song. The
// game runs it on wall time, the script runner on a virtual clock; the rules
// are the same, so a script shows what the window does.
//
// - A timer fires every Interval ms counted from the moment it was switched
//   on; switching on a timer that is already on changes nothing. Its ticks lie
//   on that fixed grid, so it never drifts however late a tick is run.
// - A timer switched off stops at once; one switched on is first due Interval
//   ms later.
// - Events due at the same instant run in the order the timers were added,
//   then the one-shot events in the order they were scheduled.

#include <cstdint>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

namespace lilyhops {

using Millis = std::int64_t;

class Scheduler;

class Timer {
  public:
    Timer(std::string name, int interval, bool enabled);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    int Interval() const { return interval_; }
    // A new interval restarts the count from now, as a fresh switch-on would.
    void setInterval(int ms);

    std::function<void()> onTimer;

  private:
    friend class Scheduler;
    bool due(Millis upTo) const { return enabled_ && interval_ > 0 && nextDue_ <= upTo; }

    std::string name_;
    int interval_;
    bool enabled_;
    Millis nextDue_ = 0;
    Scheduler* scheduler_ = nullptr;
};

class Scheduler {
  public:
    using EventId = std::uint64_t;

    Millis now() const { return now_; }

    // Timers are ranked in the order they are added.
    void add(Timer& timer);
    void remove(Timer& timer);

    EventId scheduleAt(Millis due, std::function<void()> fn);
    void cancel(EventId id);

    // Runs everything due up to and including `until`, in time order, then
    // stands at `until`. Handlers may switch timers, schedule events and even
    // run a nested advance (a modal window's message loop).
    void advanceTo(Millis until);
    void advanceBy(Millis ms) { advanceTo(now_ + ms); }

    // The earliest instant at which something is due, if anything is.
    std::optional<Millis> nextDue() const;

    // After this nothing fires any more (the program has ended).
    void halt() { halted_ = true; }
    bool halted() const { return halted_; }

    // Called whenever what is due may have changed, so that a wall-clock
    // driver can re-arm its wake-up.
    std::function<void()> onChanged;

  private:
    friend class Timer;
    struct Event {
        EventId id;
        Millis due;
        std::function<void()> fn;
    };
    void changed() {
        if (onChanged)
            onChanged();
    }

    Millis now_ = 0;
    bool halted_ = false;
    std::vector<Timer*> timers_;
    std::list<Event> events_;
    EventId nextId_ = 1;
};

} // namespace lilyhops
