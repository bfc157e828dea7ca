// The statistics the engine benchmark reads: kept only when asked for,
// ticks noted with the instant they were due, paints counted, the game's own
// handlers untouched, and a file that cannot be written told, not fatal.

#include "audio/RecordingTegoSnd.h"
#include "frontend/GameWindow.h"
#include "frontend/PlayfieldView.h"
#include "frontend/Stats.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <iostream>
#include <map>
#include <sstream>

using namespace lilyhops;

namespace {

std::int64_t nowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

struct StatLine {
    QString kind, timer;
    std::int64_t ns = 0, due = -1;
};

std::vector<StatLine> readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    std::vector<StatLine> lines;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QList<QByteArray> parts = raw.split(' ');
        if (parts.size() == 2 && parts[0] == "paint")
            lines.push_back({"paint", {}, parts[1].toLongLong(), -1});
        else if (parts.size() == 4 && parts[0] == "tick")
            lines.push_back({"tick", parts[1], parts[2].toLongLong(), parts[3].toLongLong()});
        else if (!raw.isEmpty())
            lines.push_back({"?", QString(raw), 0, -1});
    }
    return lines;
}

} // namespace

class StatsTest : public QObject {
    Q_OBJECT

    struct Fixture {
        Scheduler scheduler;
        CallLog log;
        RecordingTegoSnd sound{scheduler, log};
        GameWindow window{scheduler, sound, "/tmp"};
        Fixture() {
            window.show();
            window.activateWindow();
            QApplication::setActiveWindow(&window);
            (void)QTest::qWaitForWindowActive(&window);
        }
        frmLilyhops& game() { return window.game(); }
    };

  private slots:
    void ticksAreNotedWithTheInstantTheyWereDue() {
        QTemporaryDir dir;
        const QString path = dir.filePath("stats");
        const std::int64_t from = nowNs();
        {
            Fixture f;
            Stats stats(path.toUtf8().constData(), f.window, f.scheduler);
            QVERIFY(stats.watching());
            f.game().chooseMenu(f.game().mnuNew);
            QTest::qWait(450);
            f.window.playfield().repaint();
        }
        const std::int64_t to = nowNs();
        const std::vector<StatLine> lines = readLines(path);
        std::map<QString, std::vector<StatLine>> ticks;
        int paints = 0;
        for (const StatLine& l : lines) {
            QVERIFY2(l.kind != "?", qPrintable("unknown line " + l.timer));
            QVERIFY(l.ns >= from && l.ns <= to);
            if (l.kind == "paint")
                ++paints;
            else
                ticks[l.timer].push_back(l);
        }
        QVERIFY(paints >= 1);
        // 450 ms of a game: the 40 ms lane timer ticks about 11 times, on
        // its grid, and never before it is due by the game's clock.
        const std::vector<StatLine>& row38 = ticks["tmrRow38"];
        QVERIFY2(row38.size() >= 8 && row38.size() <= 12,
                 qPrintable(QString::number(row38.size())));
        for (std::size_t i = 1; i < row38.size(); ++i) {
            QCOMPARE(row38[i].due - row38[i - 1].due, std::int64_t(40));
            QVERIFY(row38[i].ns > row38[i - 1].ns);
        }
        QVERIFY(ticks["tmrRow12"].size() >= 3);
        QVERIFY(ticks["tmrChkFocus"].size() >= 3);
        QVERIFY(ticks["tmrDelay"].empty()); // nobody was run over
    }

    void theGameRunsOnWhenTheStatisticsEnd() {
        QTemporaryDir dir;
        Fixture f;
        f.game().chooseMenu(f.game().mnuNew);
        const float carBefore = f.game().imgCars[0].Left;
        {
            Stats stats(dir.filePath("stats").toUtf8().constData(), f.window, f.scheduler);
            QTest::qWait(150);
        }
        const float carBetween = f.game().imgCars[0].Left;
        QVERIFY(carBetween != carBefore); // the watched ticks ran the game
        QTest::qWait(250);
        QVERIFY(f.game().imgCars[0].Left != carBetween); // and so do the ticks after
    }

    void nothingIsWatchedOrWrittenUnlessAskedFor() {
        QTemporaryDir dir;
        Fixture f;
        for (const char* file : {static_cast<const char*>(nullptr), ""}) {
            Stats stats(file, f.window, f.scheduler);
            QVERIFY(!stats.watching());
        }
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void aFileThatCannotBeWrittenIsToldOnce() {
        Fixture f;
        std::ostringstream captured;
        std::streambuf* old = std::cerr.rdbuf(captured.rdbuf());
        {
            Stats stats("/nonexistent-folder/stats", f.window, f.scheduler);
            QTest::qWait(120);
        }
        std::cerr.rdbuf(old);
        QCOMPARE(QString::fromStdString(captured.str()),
                 QString("lilyhops: cannot write the statistics file /nonexistent-folder/stats\n"));
    }
};

QTEST_MAIN(StatsTest)
#include "test_stats.moc"
