// The game's clock on wall time: its ticks keep to their grid while the
// event loop runs, a late wake-up is made up, a long stall is skipped instead
// of run in a burst, and a replay's hold lets every tick before it run at its
// own time.

#include "frontend/WallClock.h"

#include <QTest>
#include <QThread>

using namespace lilyhops;

namespace {

// A lane timer of 50 ms on the wall clock, counting its ticks.
struct Lanes {
    Scheduler scheduler;
    Timer lanes{"lanes", 50, true};
    int ticks = 0;
    WallClock clock{scheduler};
    QElapsedTimer wall;
    Lanes() {
        lanes.onTimer = [this] { ++ticks; };
        scheduler.add(lanes); // the clock re-arms for it
        wall.start();
    }
};

} // namespace

class WallClockTest : public QObject {
    Q_OBJECT

  private slots:
    void aStallIsSkippedNotRunInABurst() {
        Lanes g;
        int& ticks = g.ticks;
        WallClock& clock = g.clock;
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);

        // The process stands still for a second (stopped, or the machine
        // slept), then the event loop runs again.
        QThread::msleep(1000);
        const int before = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(ticks > before, 5000);

        // Game time fell behind wall time by the stall less the lag it
        // tolerates, and the lanes ticked only on what game time passed.
        const Millis behind = g.wall.elapsed() - clock.gameNow();
        QVERIFY2(behind >= 600 && behind <= 1000,
                 qPrintable(QString("game time %1 ms behind").arg(behind)));
        QVERIFY2(ticks - before <= 250 / 50 + 2,
                 qPrintable(QString("%1 ticks at once after the stall").arg(ticks - before)));
        QCOMPARE(Millis(ticks) * 50, g.scheduler.now() - g.scheduler.now() % 50);
    }

    void aLateWakeUpLosesNoGameTime() {
        Lanes g;
        int& ticks = g.ticks;
        WallClock& clock = g.clock;
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
        // A busy machine runs the event loop a tenth of a second late: the
        // missed ticks are made up, and game time keeps up with wall time.
        QThread::msleep(120);
        const int before = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(ticks > before, 5000);
        QVERIFY(ticks - before >= 2);
        QVERIFY2(g.wall.elapsed() - clock.gameNow() < 10,
                 qPrintable(QString("%1 ms lost").arg(g.wall.elapsed() - clock.gameNow())));
    }

    void aHoldLetsTheTicksBeforeItRunOnTime() {
        Lanes g;
        int& ticks = g.ticks;
        WallClock& clock = g.clock;
        int holdsReached = 0;
        clock.onHold = [&] { ++holdsReached; };
        clock.holdAt(Millis(1500));

        // Well before the hold the lanes already move...
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 1200);
        QCOMPARE(holdsReached, 0);
        // ...and at the hold the clock stands, whatever wall time does.
        QTRY_COMPARE_WITH_TIMEOUT(holdsReached, 1, 5000);
        QCOMPARE(g.scheduler.now(), Millis(1500));
        QCOMPARE(ticks, 30);
        QTest::qWait(200);
        QCOMPARE(g.scheduler.now(), Millis(1500));
        QCOMPARE(ticks, 30);

        // Let go, it runs on from the hold.
        clock.holdAt(std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(ticks > 30, 5000);
    }
};

QTEST_GUILESS_MAIN(WallClockTest)
#include "test_wallclock.moc"
