// Where the device is in the game's stream: read from a fill level that a
// sound server changes a whole cycle at a time.

#include "audio/real/DeviceClock.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace lilyhops;

namespace {

constexpr int kRate = 44100;
constexpr std::int64_t kMs = 1000000;
// A stream's first seconds are silence anyway: the time the clock takes to
// learn the readings' depth.
constexpr std::int64_t kSettleNs = 3000 * kMs;

// A server that takes `quantum` frames at the start of each of its cycles,
// its clock running `ppm` fast against the steady one, from `startNs` on.
struct CycleServer {
    int quantum;
    double ppm = 0;
    std::int64_t startNs = 0;
    std::int64_t startFrames = 0;

    double framesPerNs() const { return kRate * (1 + ppm * 1e-6) / 1e9; }
    double cycleNs() const { return quantum / framesPerNs(); }
    std::int64_t taken(std::int64_t ns) const {
        const auto cycles = static_cast<std::int64_t>(std::floor((ns - startNs) / cycleNs()));
        return startFrames + quantum * (cycles + 1);
    }
    // Where the stream is just after a cycle was taken, continued between cycles.
    double edge(std::int64_t ns) const {
        return startFrames + quantum + framesPerNs() * static_cast<double>(ns - startNs);
    }
    // Where readings at every moment of a cycle lie on average: half a
    // cycle under the edge.
    double middle(std::int64_t ns) const { return edge(ns) - quantum / 2.0; }
};

// The largest distance, in milliseconds, between the clock and the middle of
// the server's readings at the readings from `fromNs` to `toNs`, taken every `periodNs`.
double worstMs(DeviceClock& clock, const CycleServer& server, std::int64_t fromNs,
               std::int64_t toNs, std::int64_t periodNs, std::int64_t settleNs) {
    double worst = 0;
    for (std::int64_t t = fromNs; t < toNs; t += periodNs) {
        clock.observe(t, server.taken(t));
        if (t - fromNs < settleNs)
            continue;
        // An effect due 30 ms from now: where it lands against the middle.
        const std::int64_t due = t + 30 * kMs;
        worst = std::max(worst, std::abs(clock.takenAt(due) - server.middle(due)) * 1000.0 / kRate);
    }
    return worst;
}

} // namespace

class DeviceClockTest : public QObject {
    Q_OBJECT

  private slots:
    void aSingleReadingIsTakenAsItIs() {
        DeviceClock clock(kRate);
        QVERIFY(!clock.known());
        clock.observe(5 * kMs, 1000);
        QVERIFY(clock.known());
        QCOMPARE(clock.takenAt(5 * kMs), std::int64_t(1000));
        // 10 ms later the device has taken 441 frames more.
        QCOMPARE(clock.takenAt(15 * kMs), std::int64_t(1441));
    }

    void readingsAtEveryMomentOfACycleFindItsEdge_data() {
        QTest::addColumn<int>("quantum");
        QTest::addColumn<qint64>("periodNs");
        // Readings come at discrete moments: the one nearest a cycle's start
        // is up to a period's slip past it.
        QTest::addColumn<double>("boundMs");
        // PipeWire's 512 frames at 48 kHz as the game's 44.1 kHz stream sees
        // them, read every 10 ms: the moment of the cycle moves slowly.
        QTest::newRow("pipewire quantum, 10 ms periods") << 470 << qint64(10 * kMs) << 1.2;
        QTest::newRow("a quantum twice as long") << 940 << qint64(10 * kMs) << 1.5;
        QTest::newRow("periods late now and then") << 470 << qint64(13 * kMs + 300000) << 3.0;
    }
    void readingsAtEveryMomentOfACycleFindItsEdge() {
        QFETCH(int, quantum);
        QFETCH(qint64, periodNs);
        QFETCH(double, boundMs);
        const CycleServer server{quantum};
        DeviceClock clock(kRate);
        // The raw readings wander by a whole cycle; the clock by no more
        // than a period's slip once it has seen the cycle's start.
        const double cycleMs = quantum * 1000.0 / kRate;
        const double worst = worstMs(clock, server, 0, 20000 * kMs, periodNs, kSettleNs);
        QVERIFY2(worst < boundMs,
                 qPrintable(QString("%1 ms off; a cycle is %2 ms").arg(worst).arg(cycleMs)));
    }

    void aDeviceSlowerOrFasterThanItsRateIsFollowed_data() {
        QTest::addColumn<double>("ppm");
        QTest::newRow("500 ppm slow") << -500.0;
        QTest::newRow("500 ppm fast") << 500.0;
    }
    void aDeviceSlowerOrFasterThanItsRateIsFollowed() {
        QFETCH(double, ppm);
        const CycleServer server{470, ppm};
        DeviceClock clock(kRate);
        // Over a minute the clocks part by 30 ms; the device clock keeps up.
        const double worst = worstMs(clock, server, 0, 60000 * kMs, 10 * kMs, kSettleNs);
        QVERIFY2(worst < 1.5, qPrintable(QString("%1 ms off").arg(worst)));
    }

    void aStreamThatStoppedStartsTheLineAnew() {
        DeviceClock clock(kRate);
        const CycleServer before{470};
        worstMs(clock, before, 0, 4000 * kMs, 10 * kMs, 0);
        // The stream stood still for 200 ms (the device ran dry), then went
        // on from where it stood; the depth it learnt is kept.
        const std::int64_t stopNs = 4000 * kMs;
        const CycleServer after{470, 0, stopNs + 200 * kMs, before.taken(stopNs)};
        const std::int64_t resumeNs = after.startNs + 5 * kMs;
        clock.observe(resumeNs, after.taken(resumeNs));
        const std::int64_t due = resumeNs + 30 * kMs;
        const double offMs = std::abs(clock.takenAt(due) - after.middle(due)) * 1000.0 / kRate;
        QVERIFY2(offMs < 10.7, qPrintable(QString("%1 ms off after the stop").arg(offMs)));
        const double worst =
            worstMs(clock, after, resumeNs + 10 * kMs, resumeNs + 3000 * kMs, 10 * kMs, 600 * kMs);
        QVERIFY2(worst < 1.2, qPrintable(QString("%1 ms off later on").arg(worst)));
    }

    void aResumedStreamKeepsTheDepthItLearnt() {
        // Corked after a while of silence, then resumed: a new line, on the
        // same server with the same cycles.
        DeviceClock clock(kRate);
        const CycleServer before{470};
        worstMs(clock, before, 0, 4000 * kMs, 10 * kMs, 0);
        clock.restart();
        const std::int64_t resumeNs = 9000 * kMs;
        const CycleServer after{470, 0, resumeNs, before.taken(4000 * kMs)};
        const double worst =
            worstMs(clock, after, resumeNs + kMs, resumeNs + 2000 * kMs, 10 * kMs, 600 * kMs);
        QVERIFY2(worst < 1.2, qPrintable(QString("%1 ms off after the resume").arg(worst)));
    }

    void aRestartForgetsTheOldLine() {
        DeviceClock clock(kRate);
        clock.observe(0, 0);
        clock.observe(10 * kMs, 900); // far ahead of the first: the edge rises
        clock.restart();
        QVERIFY(!clock.known());
        // A resumed stream, read a little behind where the old edge said.
        clock.observe(20 * kMs, 1000);
        QCOMPARE(clock.takenAt(20 * kMs), std::int64_t(1000));
    }

    void readingsOverALongSessionKeepTheirPrecision() {
        // The steady clock counts from boot: days of nanoseconds.
        const std::int64_t days = 3LL * 24 * 3600 * 1000 * kMs;
        const CycleServer server{470, 0, days, 5000000000LL};
        DeviceClock clock(kRate);
        const double worst =
            worstMs(clock, server, days + kMs, days + 5000 * kMs, 10 * kMs, kSettleNs);
        QVERIFY2(worst < 1.2, qPrintable(QString("%1 ms off").arg(worst)));
    }
};

QTEST_GUILESS_MAIN(DeviceClockTest)
#include "tst_deviceclock.moc"
