// The sounds and songs shipped with the game, as the game will play them.

#include "SoundTestFiles.h"
#include "audio/real/MidiSong.h"
#include "audio/real/SoundMixer.h"
#include "audio/real/WaveSound.h"

#include <QTest>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

using namespace lilyhops;
using namespace soundtest;

namespace {

const std::string kAssets = LILYHOPS_ASSETS_DIR;

} // namespace

class SoundAssetsTest : public QObject {
    Q_OBJECT

  private slots:
    void effectsAreShortCleanAndLevel_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("shortestMs");
        QTest::addColumn<double>("longestMs");
        QTest::addColumn<double>("leastRms");
        QTest::addColumn<double>("mostRms");
        // The hop sits under the music, the other cues above it.
        QTest::newRow("hop") << "move.wav" << 30.0 << 150.0 << 0.04 << 0.1;
        QTest::newRow("lost toad") << "killoff.wav" << 200.0 << 1500.0 << 0.07 << 0.2;
        QTest::newRow("game over") << "gameover.wav" << 600.0 << 3000.0 << 0.07 << 0.2;
        QTest::newRow("home bay") << "success.wav" << 500.0 << 3000.0 << 0.07 << 0.2;
    }

    void effectsAreShortCleanAndLevel() {
        QFETCH(QString, file);
        QFETCH(double, shortestMs);
        QFETCH(double, longestMs);
        QFETCH(double, leastRms);
        QFETCH(double, mostRms);
        std::string error;
        auto sound = WaveSound::load(kAssets + "/sounds/" + file.toStdString(), error);
        QVERIFY2(sound, error.c_str());
        QCOMPARE(sound->fileBitsPerSample, 16);
        QVERIFY(sound->fileChannels == 1 || sound->fileChannels == 2);
        const double ms = sound->durationMs();
        const double peak = sound->peak();
        const double loudness = rms(sound->samples);
        qInfo("%s: %.0f ms, peak %.3f, rms %.3f", qPrintable(file), ms, peak, loudness);
        QVERIFY2(ms >= shortestMs && ms <= longestMs, qPrintable(QString::number(ms)));
        QVERIFY2(peak < 0.9, "peaks must stay clear of full scale");
        // Heard, and not startling; their loudness against the music is
        // measured after BS.1770 by tests/sound/test_mix.py.
        QVERIFY2(loudness > leastRms && loudness < mostRms, qPrintable(QString::number(loudness)));
        // Starts and ends quietly, so no click.
        QVERIFY(std::fabs(sound->samples.front()) < 0.05);
        QVERIFY(std::fabs(sound->samples.back()) < 0.01);
    }

    void songsAreCompleteArrangements_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("Original Bogtrot") << "OrigBogt.mid";
        QTest::newRow("Pelto 64 Slide") << "Pelto64.mid";
        QTest::newRow("Vrax - Heaven's On Fire") << "VraxHeav.mid";
        QTest::newRow("Tollbridge - When I Come Around") << "TollBrdg.mid";
    }

    void songsAreCompleteArrangements() {
        QFETCH(QString, file);
        std::string error;
        auto song = MidiSong::load(kAssets + "/music/" + file.toStdString(), error);
        QVERIFY2(song, error.c_str());
        qInfo("%s: %.1f s at %.0f a minute", qPrintable(file), song->lengthMs() / 1000,
              song->tempoAtMs(0));
        QVERIFY(song->lengthMs() >= 60000 && song->lengthMs() <= 120000);

        std::map<int, int> notesOn;        // channel -> notes
        std::map<int, std::set<int>> held; // channel -> keys sounding
        std::set<int> programs;
        double lastNoteEnd = 0;
        for (const MidiEvent& e : song->events()) {
            if (e.isNoteOn()) {
                ++notesOn[e.channel()];
                held[e.channel()].insert(e.data1);
            } else if (e.isNoteOff()) {
                held[e.channel()].erase(e.data1);
                lastNoteEnd = e.ms;
            } else if (e.kind() == 0xC0 && e.channel() != 9) {
                programs.insert(e.data1);
            }
        }
        QVERIFY2(notesOn[9] > 100, "drums play on channel 10");
        QVERIFY2(notesOn.size() >= 4, "melody, harmony, bass and drums");
        QVERIFY(programs.size() >= 3);
        for (const auto& [channel, keys] : held)
            QVERIFY2(keys.empty(),
                     qPrintable(QString("channel %1 left a note on").arg(channel + 1)));
        // Every note is let go by the end, so a repeat starts clean.
        QVERIFY(lastNoteEnd <= song->lengthMs());
    }

    void songsSoundFullWithoutClipping() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        SoundMixer mixer(22050);
        QVERIFY(mixer.loadSoundFont(kGeneralMidi));
        std::vector<float> out(2 * 22050 * 4);
        for (const char* file : {"OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"}) {
            std::string error;
            auto song = MidiSong::load(kAssets + "/music/" + file, error);
            QVERIFY2(song, error.c_str());
            // Four seconds from the middle, where every part plays.
            mixer.startSong(std::make_shared<const MidiSong>(*song), song->lengthMs() / 2);
            mixer.render(out.data(), 22050 * 4);
            float peak = 0;
            for (float v : out)
                peak = std::max(peak, std::fabs(v));
            qInfo("%s: peak %.3f, rms %.3f", file, peak, rms(out));
            QVERIFY2(rms(out) > 0.03, file);
            QVERIFY2(peak < 0.95, file);
            QVERIFY(mixer.songPlaying());
        }
    }
};

QTEST_GUILESS_MAIN(SoundAssetsTest)
#include "tst_soundassets.moc"
