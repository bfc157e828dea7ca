// The game's clock on wall time: its ticks keep to their grid while the
// event loop runs, a long stall is skipped instead of run in a burst, and a
// replay's hold lets every tick before it run at its own time.

#include "frontend/WallClock.h"

#include <QTest>
#include <QThread>

using namespace lilyhops;

class WallClockTest : public QObject {
    Q_OBJECT

  private slots:
    void aStallIsSkippedNotRunInABurst() {
        Scheduler scheduler;
        Timer lanes("lanes", 50, true);
        int ticks = 0;
        lanes.onTimer = [&] { ++ticks; };
        scheduler.add(lanes);
        WallClock clock(scheduler);
        QElapsedTimer wall;
        wall.start();
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);

        // The process stands still for a second (stopped, or the machine
        // slept), then the event loop runs again.
        QThread::msleep(1000);
        const int before = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(ticks > before, 5000);

        // Game time fell behind wall time by the stall less the lag it
        // tolerates, and the lanes ticked only on what game time passed.
        const Millis behind = wall.elapsed() - clock.gameNow();
        QVERIFY2(behind >= 600, qPrintable(QString("game time %1 ms behind").arg(behind)));
        QVERIFY2(ticks - before <= 250 / 50 + 2,
                 qPrintable(QString("%1 ticks at once after the stall").arg(ticks - before)));
        QCOMPARE(Millis(ticks) * 50, scheduler.now() - scheduler.now() % 50);
    }

    void aHoldLetsTheTicksBeforeItRunOnTime() {
        Scheduler scheduler;
        Timer lanes("lanes", 50, true);
        int ticks = 0;
        lanes.onTimer = [&] { ++ticks; };
        scheduler.add(lanes);
        WallClock clock(scheduler);
        int holdsReached = 0;
        clock.onHold = [&] { ++holdsReached; };
        clock.holdAt(Millis(1500));

        // Well before the hold the lanes already move...
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 1200);
        QCOMPARE(holdsReached, 0);
        // ...and at the hold the clock stands, whatever wall time does.
        QTRY_COMPARE_WITH_TIMEOUT(holdsReached, 1, 5000);
        QCOMPARE(scheduler.now(), Millis(1500));
        QCOMPARE(ticks, 30);
        QTest::qWait(200);
        QCOMPARE(scheduler.now(), Millis(1500));
        QCOMPARE(ticks, 30);

        // Let go, it runs on from the hold.
        clock.holdAt(std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(ticks > 30, 5000);
    }
};

QTEST_GUILESS_MAIN(WallClockTest)
#include "test_wallclock.moc"
