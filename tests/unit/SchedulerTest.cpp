#include "timing/Scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using lilyhops::Millis;
using lilyhops::Scheduler;
using lilyhops::Timer;

namespace {

// Notes every tick and event as "name@time".
struct Trace {
    Scheduler& clock;
    std::vector<std::string> seen;
    std::function<void()> note(const std::string& name) {
        return [this, name] { seen.push_back(name + "@" + std::to_string(clock.now())); };
    }
};

using Seen = std::vector<std::string>;

} // namespace

TEST(Scheduler, TicksStayOnTheGridHoweverTheClockIsAdvanced) {
    Scheduler clock;
    Trace trace{clock, {}};
    Timer t("t", 40, true);
    clock.add(t);
    t.onTimer = trace.note("t");
    for (int i = 0; i < 13; ++i)
        clock.advanceBy(7); // 91 ms in uneven steps
    clock.advanceTo(130);
    EXPECT_EQ(trace.seen, (Seen{"t@40", "t@80", "t@120"}));
    EXPECT_EQ(clock.now(), 130);
    clock.advanceTo(1000);
    EXPECT_EQ(trace.seen.size(), 25u);
    EXPECT_EQ(trace.seen.back(), "t@1000");
}

TEST(Scheduler, SwitchingOnStartsTheCountButSwitchingOnAgainDoesNot) {
    Scheduler clock;
    Trace trace{clock, {}};
    Timer t("t", 100, false);
    clock.add(t);
    t.onTimer = trace.note("t");
    clock.advanceTo(30);
    t.setEnabled(true);
    clock.advanceTo(129);
    EXPECT_TRUE(trace.seen.empty());
    clock.advanceTo(180);
    t.setEnabled(true);
    clock.advanceTo(230);
    EXPECT_EQ(trace.seen, (Seen{"t@130", "t@230"}));
    t.setEnabled(false);
    clock.advanceTo(400);
    t.setEnabled(true);
    clock.advanceTo(500);
    EXPECT_EQ(trace.seen, (Seen{"t@130", "t@230", "t@500"}));
}

TEST(Scheduler, ANewIntervalRestartsTheCountFromNow) {
    // A script may give a running timer a new interval: its ticks then lie on
    // a new grid counted from that moment.
    Scheduler clock;
    Trace trace{clock, {}};
    Timer t("t", 100, true);
    clock.add(t);
    t.onTimer = trace.note("t");
    clock.advanceTo(130);
    t.setInterval(50);
    clock.advanceTo(290);
    EXPECT_EQ(trace.seen, (Seen{"t@100", "t@180", "t@230", "t@280"}));
}

TEST(Scheduler, SameInstantRunsTimersInOrderAddedThenEventsInOrderScheduled) {
    Scheduler clock;
    Trace trace{clock, {}};
    Timer a("a", 100, true), b("b", 40, true), c("c", 50, true);
    for (Timer* t : {&a, &b, &c})
        clock.add(*t);
    a.onTimer = trace.note("a");
    b.onTimer = trace.note("b");
    c.onTimer = trace.note("c");
    clock.scheduleAt(200, trace.note("e1"));
    clock.scheduleAt(200, trace.note("e2"));
    clock.scheduleAt(199, trace.note("early"));
    auto dropped = clock.scheduleAt(200, trace.note("dropped"));
    clock.cancel(dropped);
    clock.advanceTo(150);
    trace.seen.clear();
    clock.advanceTo(200);
    EXPECT_EQ(trace.seen,
              (Seen{"b@160", "early@199", "a@200", "b@200", "c@200", "e1@200", "e2@200"}));
}

TEST(Scheduler, HandlersSwitchingTimersTakeEffectAtOnce) {
    Scheduler clock;
    Trace trace{clock, {}};
    Timer first("first", 100, true), second("second", 100, true), later("later", 50, false);
    for (Timer* t : {&first, &second, &later})
        clock.add(*t);
    // At 100 the first timer stops the second, due at the same instant, and
    // switches on a third, first due one interval later.
    first.onTimer = [&] {
        trace.note("first")();
        second.setEnabled(false);
        later.setEnabled(true);
    };
    second.onTimer = trace.note("second");
    later.onTimer = [&] {
        trace.note("later")();
        // Off and on again in its own handler: counted afresh from now.
        later.setEnabled(false);
        later.setEnabled(true);
        first.setEnabled(false);
    };
    clock.advanceTo(300);
    EXPECT_EQ(trace.seen, (Seen{"first@100", "later@150", "later@200", "later@250", "later@300"}));
    EXPECT_FALSE(second.Enabled());
}

TEST(Scheduler, EventsScheduledByAHandlerForNowRunAfterTheTimersDueNow) {
    Scheduler clock;
    Trace trace{clock, {}};
    Timer a("a", 100, true), b("b", 100, true);
    clock.add(a);
    clock.add(b);
    a.onTimer = [&] {
        trace.note("a")();
        clock.scheduleAt(clock.now(), trace.note("event"));
    };
    b.onTimer = trace.note("b");
    clock.advanceTo(100);
    EXPECT_EQ(trace.seen, (Seen{"a@100", "b@100", "event@100"}));
}

TEST(Scheduler, NestedAdvanceRunsEachTickOnceAndKeepsTimeMonotonic) {
    Scheduler clock;
    Trace trace{clock, {}};
    Timer fast("fast", 40, true), modal("modal", 100, true);
    clock.add(fast);
    clock.add(modal);
    fast.onTimer = trace.note("fast");
    bool opened = false;
    // A modal window's message loop: the clock runs on inside the handler.
    modal.onTimer = [&] {
        trace.note("modal")();
        if (!opened) {
            opened = true;
            clock.advanceBy(150);
            trace.note("closed")();
        }
    };
    clock.advanceTo(300);
    EXPECT_EQ(trace.seen,
              (Seen{"fast@40", "fast@80", "modal@100", "fast@120", "fast@160", "fast@200",
                    "modal@200", "fast@240", "closed@250", "fast@280", "modal@300"}));
    EXPECT_EQ(clock.now(), 300);
}

TEST(Scheduler, NextDueAndHalt) {
    Scheduler clock;
    Timer t("t", 100, true);
    clock.add(t);
    int ticks = 0;
    t.onTimer = [&] {
        if (++ticks == 2)
            clock.halt();
    };
    clock.scheduleAt(70, [] {});
    EXPECT_EQ(clock.nextDue(), std::optional<Millis>(70));
    clock.advanceTo(1000);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(clock.halted());
    EXPECT_EQ(clock.nextDue(), std::nullopt);
}

TEST(Scheduler, ATimerOfIntervalZeroNeverFires) {
    Scheduler s;
    Timer t("t", 0, true);
    int ticks = 0;
    t.onTimer = [&] {
        if (++ticks > 100)
            s.halt(); // one that fires at all would fire without end
    };
    s.add(t);
    EXPECT_FALSE(s.nextDue());
    s.advanceTo(1000);
    EXPECT_EQ(ticks, 0);
    t.setInterval(100); // a real interval starts the count from now
    s.advanceTo(1250);
    EXPECT_EQ(ticks, 2);
    t.setInterval(0);
    s.advanceTo(5000);
    EXPECT_EQ(ticks, 2);
}
