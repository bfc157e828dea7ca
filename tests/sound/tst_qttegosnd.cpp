// The sound control as the game window uses it, on a machine without a sound
// device: songs keep time on the clock, end once, resume where they stopped,
// and bad files or a missing SoundFont are told once and then left alone.

#include "SoundTestFiles.h"
#include "audio/real/QtTegoSnd.h"

#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <filesystem>

using namespace lilyhops;
using namespace soundtest;

namespace {

constexpr int kSongMs = 3000; // shortSong(6): six beats at 120

std::vector<std::string> ourLines(StderrCapture& capture) {
    std::vector<std::string> out;
    for (const std::string& line : capture.lines())
        if (line.rfind("lilyhops: ", 0) == 0)
            out.push_back(line);
    return out;
}

int linesNaming(const std::vector<std::string>& lines, const std::string& file) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find('"' + file + '"') != std::string::npos;
    }));
}

// What the window sees of the control's one event.
struct NotifyLog {
    int count = 0;
    bool nested = false;
    bool inHandler = false;
    bool onOwnerThread = true;
    std::vector<std::pair<int, int>> lengthAndPosition;
    qint64 lastAtMs = -1;
};

} // namespace

class QtTegoSndTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string song_;
    std::string effect_;

    QtTegoSnd::Options silent() const {
        QtTegoSnd::Options o;
        o.useSoundDevice = false;
        if (std::filesystem::exists(kGeneralMidi))
            o.soundFonts = std::vector<std::string>{kGeneralMidi};
        else
            o.soundFonts = std::vector<std::string>{};
        return o;
    }

    std::string folder() const { return dir_.path().toStdString() + "/"; }

    void watch(QtTegoSnd& sound, NotifyLog& log, QElapsedTimer& clock) {
        sound.onPlaybackNotify([&sound, &log, &clock] {
            log.nested = log.nested || log.inHandler;
            log.inHandler = true;
            log.onOwnerThread = log.onOwnerThread && QThread::currentThread() == sound.thread();
            ++log.count;
            log.lengthAndPosition.emplace_back(sound.TrackLength(), sound.TrackPosition());
            log.lastAtMs = clock.elapsed();
            log.inHandler = false;
        });
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        song_ = folder() + "Short.mid";
        effect_ = folder() + "hop.wav";
        writeFile(QString::fromStdString(song_), shortSong(6));
        writeFile(QString::fromStdString(effect_), sineWave(80, 0.4));
    }

    void aSongPlaysToItsEndOnTheClock() {
        StderrCapture capture;
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        watch(sound, log, clock);

        clock.start();
        sound.PlayMusic(song_, 0, -1);
        QVERIFY(sound.IsPlaying());
        QCOMPARE(sound.TrackLength(), kSongMs);
        QVERIFY(sound.TrackPosition() < 300);

        QTest::qWait(700);
        const int early = sound.TrackPosition();
        QVERIFY2(early >= 500 && early <= 2000, qPrintable(QString::number(early)));
        QVERIFY(sound.IsPlaying());

        QTRY_COMPARE_WITH_TIMEOUT(log.count, 1, 15000);
        QVERIFY2(log.lastAtMs >= kSongMs - 100, qPrintable(QString::number(log.lastAtMs)));
        QCOMPARE(log.lengthAndPosition.front(), std::make_pair(kSongMs, kSongMs));
        QVERIFY(log.onOwnerThread);
        QVERIFY(!sound.IsPlaying());
        QCOMPARE(sound.TrackPosition(), kSongMs);

        QTest::qWait(600); // told once, not again
        QCOMPARE(log.count, 1);
        QCOMPARE(sound.TrackPosition(), kSongMs);
        // Nothing to tell, but a missing SoundFont on a bare machine.
        QCOMPARE(ourLines(capture).size(), std::size_t(sound.soundFont().empty() ? 1 : 0));
    }

    void theEndIsToldAfterTheCallNotInsideIt() {
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        sound.PlayMusic(song_, kSongMs, -1); // a song resumed at its very end
        QCOMPARE(log.count, 0);
        QVERIFY(!sound.IsPlaying());
        QCOMPARE(sound.TrackPosition(), sound.TrackLength());
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 1, 2000);
        QCOMPARE(log.lengthAndPosition.front(), std::make_pair(kSongMs, kSongMs));

        sound.PlayMusic(song_, kSongMs + 5000, -1); // past the end counts as the end
        QCOMPARE(sound.TrackPosition(), kSongMs);
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 2, 2000);
    }

    void theHandlerMayStartTheSongAgain() {
        // As the window does with cycling off: each end starts the song anew.
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);
        int restarts = 0;
        sound.onPlaybackNotify([&] {
            log.nested = log.nested || log.inHandler;
            log.inHandler = true;
            ++log.count;
            log.lengthAndPosition.emplace_back(sound.TrackLength(), sound.TrackPosition());
            if (sound.TrackPosition() == sound.TrackLength() && restarts < 2) {
                ++restarts;
                sound.StopMusic();
                sound.PlayMusic(song_, kSongMs - 400, -1);
            }
            log.inHandler = false;
        });

        sound.PlayMusic(song_, kSongMs - 400, -1);
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 3, 10000);
        QTest::qWait(800);
        QCOMPARE(log.count, 3);
        QVERIFY(!log.nested);
        for (const auto& lp : log.lengthAndPosition)
            QCOMPARE(lp, std::make_pair(kSongMs, kSongMs));
        QVERIFY2(clock.elapsed() >= 3 * 400 - 100, qPrintable(QString::number(clock.elapsed())));
    }

    void aStoppedSongStaysWhereItStopped() {
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        sound.PlayMusic(song_, 1500, -1);
        QTest::qWait(400);
        const int before = sound.TrackPosition();
        sound.StopMusic();
        const int stopped = sound.TrackPosition();
        QVERIFY(stopped >= before && stopped < before + 200);
        QVERIFY(!sound.IsPlaying());
        QTest::qWait(kSongMs - 1500 + 500); // longer than the rest of the song
        QCOMPARE(log.count, 0);
        QCOMPARE(sound.TrackPosition(), stopped);
        QCOMPARE(sound.TrackLength(), kSongMs);
        sound.StopMusic(); // stopping twice is harmless
        QCOMPARE(sound.TrackPosition(), stopped);
    }

    void aPausedSongResumesWhereItStopped() {
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        sound.PlayMusic(song_, 0, -1);
        QTest::qWait(1000);
        const int saved = sound.TrackPosition(); // as the pause saves it
        sound.StopMusic();
        QVERIFY2(saved >= 800 && saved <= 2500, qPrintable(QString::number(saved)));
        QTest::qWait(500);

        const qint64 resumedAt = clock.elapsed();
        sound.PlayMusic(song_, saved, -1);
        const int resumed = sound.TrackPosition();
        QVERIFY2(resumed >= saved && resumed <= saved + 100,
                 qPrintable(QString("%1 -> %2").arg(saved).arg(resumed)));
        QVERIFY(sound.IsPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 1, 15000);
        // Only the rest of the song was left to play.
        const qint64 rest = log.lastAtMs - resumedAt;
        QVERIFY2(rest >= kSongMs - saved - 100, qPrintable(QString::number(rest)));
        QCOMPARE(log.lengthAndPosition.front(), std::make_pair(kSongMs, kSongMs));
    }

    void aReplacedSongSendsNoStaleEnd() {
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        sound.PlayMusic(song_, kSongMs, -1); // ends at once; the news is on its way
        sound.PlayMusic(song_, 0, -1);       // but another song has started
        QTest::qWait(300);
        QCOMPARE(log.count, 0);
        QVERIFY(sound.IsPlaying());
        sound.PlayMusic(song_, kSongMs, -1);
        sound.StopMusic();
        QTest::qWait(300);
        QCOMPARE(log.count, 0);
    }

    void effectsDoNotStopTheMusic() {
        StderrCapture capture;
        QtTegoSnd sound(folder(), silent());
        sound.PlayMusic(song_, 0, -1);
        int last = sound.TrackPosition();
        for (int i = 0; i < 12; ++i) { // hops faster than the effect lasts
            sound.PlayEffect(effect_, 0, -1);
            QTest::qWait(40);
        }
        sound.PlayEffect(folder() + "nothing-here.wav", 0, -1);
        QVERIFY(sound.IsPlaying());
        QTest::qWait(100);
        const int now = sound.TrackPosition();
        QVERIFY2(now > last + 300, qPrintable(QString("%1 -> %2").arg(last).arg(now)));
        QCOMPARE(sound.TrackLength(), kSongMs);
        const std::vector<std::string> lines = ourLines(capture);
        QCOMPARE(linesNaming(lines, folder() + "nothing-here.wav"), 1);
        QCOMPARE(lines.size(), std::size_t(sound.soundFont().empty() ? 2 : 1));
    }

    void badFilesAreToldOnceEachAndLeftSilent() {
        const std::string missingWav = folder() + "missing.wav";
        const std::string emptyWav = folder() + "empty.wav";
        const std::string corruptWav = folder() + "corrupt.wav";
        const std::string missingMid = folder() + "missing.mid";
        const std::string emptyMid = folder() + "empty.mid";
        const std::string corruptMid = folder() + "corrupt.mid";
        writeFile(QString::fromStdString(emptyWav), {});
        writeFile(QString::fromStdString(emptyMid), {});
        Bytes garbage(3000);
        for (std::size_t i = 0; i < garbage.size(); ++i)
            garbage[i] = static_cast<std::uint8_t>(i * 7919 % 251);
        Bytes fakeWav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
        fakeWav.insert(fakeWav.end(), garbage.begin(), garbage.end());
        writeFile(QString::fromStdString(corruptWav), fakeWav);
        Bytes fakeMid = shortSong(6);
        fakeMid.resize(fakeMid.size() / 2); // cut off in the middle
        writeFile(QString::fromStdString(corruptMid), fakeMid);

        StderrCapture capture;
        QtTegoSnd sound(folder(), silent());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        sound.PlayMusic(song_, 0, -1);
        QVERIFY(sound.IsPlaying());
        for (int round = 0; round < 3; ++round) {
            for (const std::string& wav : {missingWav, emptyWav, corruptWav})
                sound.PlayEffect(wav, 0, -1);
            for (const std::string& mid : {missingMid, emptyMid, corruptMid}) {
                sound.PlayMusic(mid, 0, -1);
                // An unreadable song has no length: nothing plays.
                QVERIFY(!sound.IsPlaying());
                QCOMPARE(sound.TrackLength(), 0);
                QCOMPARE(sound.TrackPosition(), 0);
                sound.StopMusic();
            }
        }
        QTest::qWait(kSongMs + 300); // the song that was replaced never ends
        QCOMPARE(log.count, 0);

        std::vector<std::string> lines = ourLines(capture);
        if (sound.soundFont().empty()) // a bare machine also lacks the SoundFont
            lines.erase(lines.begin());
        QCOMPARE(static_cast<int>(lines.size()), 6);
        // Effects are read on the audio thread, so their lines may come
        // before or after the songs'; each file still has its one line.
        const std::pair<std::string, std::string> told[] = {
            {missingWav, "is missing"}, {emptyWav, "is empty"}, {corruptWav, ""},
            {missingMid, "is missing"}, {emptyMid, "is empty"}, {corruptMid, "is cut short"}};
        for (const auto& [file, reason] : told) {
            QVERIFY2(linesNaming(lines, file) == 1, file.c_str());
            const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
                return l.find('"' + file + '"') != std::string::npos;
            });
            QVERIFY2(line->find(reason) != std::string::npos, line->c_str());
        }

        // Good files still play afterwards.
        sound.PlayMusic(song_, 0, -1);
        QVERIFY(sound.IsPlaying());
        QCOMPARE(sound.TrackLength(), kSongMs);
    }

    void withoutASoundFontSongsStillKeepTime() {
        StderrCapture capture;
        QtTegoSnd::Options o;
        o.useSoundDevice = false;
        o.soundFonts = std::vector<std::string>{folder() + "no-such-font.sf2"};
        QtTegoSnd sound(folder(), o);
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        QVERIFY(sound.soundFont().empty());
        const std::vector<std::string> lines = ourLines(capture);
        QCOMPARE(static_cast<int>(lines.size()), 1);
        QVERIFY(lines[0].find("no SoundFont") != std::string::npos);
        QVERIFY(lines[0].find("no-such-font.sf2") != std::string::npos);

        sound.PlayMusic(song_, kSongMs - 800, -1);
        QVERIFY(sound.IsPlaying());
        QTest::qWait(300);
        QVERIFY(sound.TrackPosition() > kSongMs - 800 + 150);
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 1, 5000);
        QCOMPARE(log.lengthAndPosition.front(), std::make_pair(kSongMs, kSongMs));
        sound.PlayMusic(song_, 0, -1);
        QCOMPARE(static_cast<int>(ourLines(capture).size()), 1); // not told again
    }

    void aBrokenSoundFontIsSkippedForTheNext() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        const std::string broken = folder() + "broken.sf2";
        writeFile(QString::fromStdString(broken), Bytes(4096, 0x55));
        StderrCapture capture;
        QtTegoSnd::Options o;
        o.useSoundDevice = false;
        o.soundFonts = std::vector<std::string>{broken, kGeneralMidi};
        QtTegoSnd sound(folder(), o);
        QCOMPARE(sound.soundFont(), std::string(kGeneralMidi));
        const std::vector<std::string> lines = ourLines(capture);
        QCOMPARE(static_cast<int>(lines.size()), 1);
        QCOMPARE(linesNaming(lines, broken), 1);
        QFile::remove(QString::fromStdString(broken));
    }

    void aBrokenSoundFontGivesOnlyTheGamesOwnLine() {
        // Looks like a SoundFont to the first bytes, so the library itself
        // reads it and trips over the rest.
        const std::string broken = folder() + "looks-right.sf2";
        Bytes bytes = {'R', 'I', 'F', 'F'};
        putLittle(bytes, 4096, 4);
        bytes.insert(bytes.end(), {'s', 'f', 'b', 'k', 'L', 'I', 'S', 'T'});
        putLittle(bytes, 4000, 4);
        bytes.insert(bytes.end(), {'I', 'N', 'F', 'O'});
        for (int i = 0; i < 4000; ++i)
            bytes.push_back(static_cast<std::uint8_t>(i * 7));
        writeFile(QString::fromStdString(broken), bytes);

        StderrCapture capture;
        QtTegoSnd::Options o;
        o.useSoundDevice = false;
        o.soundFonts = std::vector<std::string>{broken};
        QtTegoSnd sound(folder(), o);
        QVERIFY(sound.soundFont().empty());
        const std::vector<std::string> all = capture.lines();
        std::string text;
        for (const std::string& l : all)
            text += l + "\n";
        // One line that the SoundFont was skipped, one that there is none.
        QCOMPARE(static_cast<int>(all.size()), 2);
        QCOMPARE(ourLines(capture).size(), std::size_t(2));
        QCOMPARE(linesNaming(all, broken), 1);
        QVERIFY2(text.find("CRITICAL") == std::string::npos, text.c_str());
        QFile::remove(QString::fromStdString(broken));
    }

    void noCallWaitsForABusyAudioThread() {
        // The audio thread spends a second and a half on every render; the
        // game's calls must neither wait for it nor lose their meaning.
        QtTegoSnd::Options o = silent();
        o.renderDelayMs = 1500;
        QtTegoSnd sound(folder(), o);
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);

        QElapsedTimer spent;
        qint64 longest = 0;
        auto call = [&](auto&& f) {
            spent.start();
            f();
            longest = std::max(longest, spent.elapsed());
        };
        call([&] { sound.PlayMusic(song_, kSongMs - 600, -1); });
        call([&] { sound.PlayEffect(effect_, 0, -1); });
        call([&] { QVERIFY(sound.IsPlaying()); });
        call([&] { QCOMPARE(sound.TrackLength(), kSongMs); });
        int position = 0;
        call([&] { position = sound.TrackPosition(); });
        QVERIFY(position >= kSongMs - 600 && position < kSongMs);
        QTest::qWait(100);
        call([&] { sound.StopMusic(); });
        call([&] { QCOMPARE(sound.TrackPosition(), position); });
        call([&] { sound.PlayMusic(song_, position, -1); }); // a resume
        call([&] { sound.StopMusic(); });
        call([&] { sound.PlayMusic(song_, kSongMs - 300, -1); });
        QVERIFY2(longest < 500, qPrintable(QString("a call took %1 ms").arg(longest)));

        // The busy thread still ends the song, and the end is told on the
        // game's thread, once.
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 1, 10000);
        QVERIFY(log.onOwnerThread);
        QCOMPARE(log.lengthAndPosition.front(), std::make_pair(kSongMs, kSongMs));
        QTest::qWait(200);
        QCOMPARE(log.count, 1);
    }

    void soundFontsAreLookedForBesideTheGameFirst() {
        QTemporaryDir game;
        const std::string here = game.path().toStdString() + "/";
        writeFile(game.path() + "/b.sf2", Bytes(16, 0));
        writeFile(game.path() + "/A.SF2", Bytes(16, 0));
        writeFile(game.path() + "/notes.txt", Bytes(16, 0));
        QDir(game.path()).mkdir("folder.sf2");
        const std::vector<std::string> search = QtTegoSnd::soundFontSearch(here, "/lib/gm.sf2");
        const std::vector<std::string> want = {here + "A.SF2", here + "b.sf2", "/lib/gm.sf2",
                                               "/usr/share/sounds/sf2/default-GM.sf2",
                                               "/usr/share/soundfonts/default.sf2"};
        QCOMPARE(search, want);
        // The library's default is not listed twice.
        QCOMPARE(QtTegoSnd::soundFontSearch(here, "/usr/share/sounds/sf2/default-GM.sf2").size(),
                 std::size_t(4));

        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        QTemporaryDir other;
        QVERIFY(QFile::link(kGeneralMidi, other.path() + "/Own.sf2"));
        QtTegoSnd::Options o;
        o.useSoundDevice = false;
        QtTegoSnd sound(other.path().toStdString() + "/", o);
        QCOMPARE(sound.soundFont(), other.path().toStdString() + "/Own.sf2");
    }

    void withoutASoundDeviceTheGamePlaysOnSilently() {
        if (!QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("this machine has a sound device");
        StderrCapture capture;
        QtTegoSnd sound(folder());
        QVERIFY(!sound.hasSoundDevice());
        NotifyLog log;
        QElapsedTimer clock;
        clock.start();
        watch(sound, log, clock);
        sound.PlayEffect(effect_, 0, -1);
        sound.PlayMusic(song_, kSongMs - 500, -1);
        QVERIFY(sound.IsPlaying());
        QTRY_COMPARE_WITH_TIMEOUT(log.count, 1, 5000);
        QVERIFY(log.lastAtMs >= 400);
        const std::vector<std::string> lines = ourLines(capture);
        QCOMPARE(static_cast<int>(std::count_if(
                     lines.begin(), lines.end(),
                     [](const auto& l) { return l.find("no sound device") != std::string::npos; })),
                 1);
    }
};

QTEST_GUILESS_MAIN(QtTegoSndTest)
#include "tst_qttegosnd.moc"
