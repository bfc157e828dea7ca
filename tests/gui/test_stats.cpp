// The statistics the engine benchmark reads: kept only when asked for,
// ticks noted with the instant they were due, paints counted, keys and the
// sounds they bring noted in the order they happened, the mixer's CPU time
// sampled, the game's own handlers and sound control untouched, and a file
// that cannot be written told, not fatal.

#include "audio/RecordingTegoSnd.h"
#include "frontend/GameWindow.h"
#include "frontend/PlayfieldView.h"
#include "frontend/Stats.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
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

// One line of the file: its kind, its time, and the words after the time
// (for a tick, the timer's name comes first and its due time last).
struct StatLine {
    QString kind, timer;
    std::int64_t ns = 0, due = -1;
    QStringList rest;
};

std::vector<StatLine> readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    std::vector<StatLine> lines;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QList<QByteArray> parts = raw.split(' ');
        if (parts.size() == 2 && parts[0] == "paint")
            lines.push_back({"paint", {}, parts[1].toLongLong(), -1, {}});
        else if (parts.size() == 2 && parts[0] == "underruns")
            lines.push_back({"underruns", {}, 0, -1, {QString(parts[1])}});
        else if (parts.size() == 4 && parts[0] == "tick")
            lines.push_back({"tick", parts[1], parts[2].toLongLong(), parts[3].toLongLong(), {}});
        else if (parts.size() >= 3 && (parts[0] == "key" || parts[0] == "effect" ||
                                       parts[0] == "music" || parts[0] == "mixer")) {
            QStringList rest;
            for (qsizetype i = 2; i < parts.size(); ++i)
                rest << QString(parts[i]);
            lines.push_back({QString(parts[0]), {}, parts[1].toLongLong(), -1, rest});
        } else if (!raw.isEmpty())
            lines.push_back({"?", QString(raw), 0, -1, {}});
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
        // As in the game while statistics are kept.
        StatsSound watched{sound};
        GameWindow window{scheduler, watched, "/tmp"};
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
            // Nobody gave it the device's underruns: no figure, not a zero.
            QVERIFY(l.kind != "underruns");
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

    void keysAndTheSoundsTheyBringAreNotedInOrder() {
        QTemporaryDir dir;
        const QString path = dir.filePath("stats");
        double mixerSeconds = 0;
        int underrunsAsked = 0;
        {
            Fixture f;
            Stats stats(
                path.toUtf8().constData(), f.window, f.scheduler, &f.watched,
                [&mixerSeconds] { return mixerSeconds += 0.25; },
                [&underrunsAsked] { return 3 + underrunsAsked++; });
            f.game().chooseMenu(f.game().mnuNew);
            QTest::qWait(60);
            QTest::keyClick(&f.window.playfield(), Qt::Key_Right);
            QTest::qWait(60);
            f.game().chooseMenu(f.game().mnuPause); // the song stops
            QTest::qWait(350);
            // Each call reached the real control.
            QStringList played;
            for (const RecordedCall& c : f.log.calls())
                played << QString::fromStdString(c.what);
            QCOMPARE(played.filter("PlayEffect").size(), 1);
            QVERIFY(played.contains("PlayMusic") && played.contains("StopMusic"));
        }
        const std::vector<StatLine> lines = readLines(path);
        auto find = [&lines](const QString& kind, const QStringList& rest, std::size_t from = 0) {
            for (std::size_t i = from; i < lines.size(); ++i)
                if (lines[i].kind == kind && lines[i].rest.mid(0, rest.size()) == rest)
                    return i;
            return lines.size();
        };
        const std::size_t play = find("music", {"play", "0"});
        QVERIFY(play < lines.size());
        QVERIFY(lines[play].rest.last().endsWith(".mid"));
        const std::size_t down = find("key", {"down", "39"});
        const std::size_t up = find("key", {"up", "39"});
        const std::size_t effect = find("effect", {"/tmp/move.wav"});
        const std::size_t stop = find("music", {"stop"});
        QVERIFY(down < lines.size() && up < lines.size() && effect < lines.size() &&
                stop < lines.size());
        // The hop's sound was asked for between its key's press and release,
        // after the song began and before the pause stopped it.
        QVERIFY(lines[play].ns < lines[down].ns);
        QVERIFY(lines[down].ns <= lines[effect].ns && lines[effect].ns <= lines[up].ns);
        QVERIFY(lines[up].ns < lines[stop].ns);
        // The toad's step is a frame of its own, drawn after its key.
        bool paintedAfterKey = false;
        for (const StatLine& l : lines)
            paintedAfterKey |= l.kind == "paint" && l.ns >= lines[effect].ns &&
                               l.ns < lines[effect].ns + 30'000'000;
        QVERIFY(paintedAfterKey);

        // The mixer's CPU time at every focus tick (about five in 470 ms)
        // and once more at the end, each sample as the engine told it.
        std::vector<StatLine> mixer;
        int focusTicks = 0;
        for (const StatLine& l : lines) {
            if (l.kind == "mixer")
                mixer.push_back(l);
            focusTicks += l.kind == "tick" && l.timer == "tmrChkFocus";
        }
        QCOMPARE(int(mixer.size()), focusTicks + 1);
        QVERIFY(focusTicks >= 3);
        for (std::size_t i = 0; i < mixer.size(); ++i) {
            QCOMPARE(mixer[i].rest.value(0).toLongLong(), std::int64_t(250'000'000) * (i + 1));
            if (i > 0)
                QVERIFY(mixer[i].ns >= mixer[i - 1].ns);
        }
        // The device's underruns are a count for the whole run, asked for
        // once as the file is written, on its last line.
        QCOMPARE(underrunsAsked, 1);
        QCOMPARE(lines.back().kind, QString("underruns"));
        QCOMPARE(lines.back().rest, QStringList{"3"});
        QCOMPARE(std::count_if(lines.begin(), lines.end(),
                               [](const StatLine& l) { return l.kind == "underruns"; }),
                 1);
    }

    void theSoundControlIsPassedThroughUnchanged() {
        Scheduler scheduler;
        CallLog log;
        RecordingTegoSnd sound(scheduler, log);
        int ended = 0;
        {
            StatsSound watched(sound);
            watched.onPlaybackNotify([&ended] { ++ended; });
            sound.setSongLength(5000);
            watched.PlayMusic("a.mid", 1200, -1);
            QVERIFY(watched.IsPlaying());
            QCOMPARE(watched.TrackLength(), 5000);
            QCOMPARE(watched.TrackPosition(), 1200);
            watched.PlayEffect("b.wav", 30, -1);
            sound.endSongNow(); // the end reaches the game through the wrapper
            QCOMPARE(ended, 1);
            QVERIFY(!watched.IsPlaying());
            QCOMPARE(watched.TrackPosition(), 5000);
            watched.StopMusic();
            QCOMPARE(watched.calls().size(), std::size_t(3));
            QCOMPARE(watched.calls()[0].file, std::string("a.mid"));
            QCOMPARE(watched.calls()[0].start, 1200);
            QVERIFY(watched.calls()[1].kind == StatsSound::Call::Kind::Effect);
            QVERIFY(watched.calls()[2].kind == StatsSound::Call::Kind::Stop);
        }
        const std::vector<RecordedCall> expected = {
            {"PlayMusic", {std::string("a.mid"), std::int64_t(1200), std::int64_t(-1)}},
            {"PlayEffect", {std::string("b.wav"), std::int64_t(30), std::int64_t(-1)}},
            {"StopMusic", {}}};
        std::vector<RecordedCall> calls = log.calls();
        calls.erase(std::remove_if(calls.begin(), calls.end(),
                                   [](const RecordedCall& c) {
                                       return c.what != "PlayMusic" && c.what != "PlayEffect" &&
                                              c.what != "StopMusic";
                                   }),
                    calls.end());
        QVERIFY(calls == expected);
        // Once the wrapper is gone, the control tells nobody.
        sound.PlayMusic("a.mid", 0, -1);
        sound.endSongNow();
        QCOMPARE(ended, 1);
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
