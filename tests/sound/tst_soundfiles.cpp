// The readers of songs and wave files, and the mixer that plays them.

#include "SoundTestFiles.h"
#include "audio/real/EffectSound.h"
#include "audio/real/MidiSong.h"
#include "audio/real/SoundMixer.h"
#include "audio/real/WaveSound.h"

#include <QDir>
#include <QTest>

#include <filesystem>

using namespace lilyhops;
using namespace soundtest;

class SoundFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void songTimesFollowTheTempoMap() {
        // Two beats at 120 (1000 ms), then two beats at 60 (2000 ms), with
        // the tempo change on its own conductor track.
        Track conductor;
        conductor.tempo(0, 120).tempo(960, 60).end(0 + 960);
        Track notes;
        notes.note(0, 480, 0, 60).note(960, 480, 0, 62).note(1440, 480, 0, 64).end(1920);
        std::string error;
        auto song = MidiSong::parse(smf(1, 480, {conductor, notes}), error);
        QVERIFY2(song, error.c_str());
        QCOMPARE(song->trackCount(), 2);
        QCOMPARE(song->lengthTicks(), 1920);
        QCOMPARE(song->lengthMs(), 3000.0);
        QCOMPARE(song->msAtTick(480), 500.0);
        QCOMPARE(song->msAtTick(1440), 2000.0);
        QCOMPARE(song->tickAtMs(2000.0), 1440);
        QCOMPARE(song->tickAtMs(750.0), 720);
        QCOMPARE(song->tempoAtMs(500), 120.0);
        QCOMPARE(song->tempoAtMs(2500), 60.0);

        std::vector<double> onsets;
        for (const MidiEvent& e : song->events())
            if (e.isNoteOn())
                onsets.push_back(e.ms);
        QCOMPARE(onsets, (std::vector<double>{0.0, 1000.0, 2000.0}));
    }

    void songsWithoutTempoUseTheStandardPace() {
        Track t;
        t.note(0, 96, 0, 60).end(4 * 96);
        std::string error;
        auto song = MidiSong::parse(smf(0, 96, {t}), error);
        QVERIFY(song);
        QCOMPARE(song->lengthMs(), 2000.0); // four beats at 120
    }

    void songsTimedInFramesAreRead() {
        // 25 frames a second, 40 ticks a frame: one tick is one millisecond.
        Track t;
        t.note(0, 500, 0, 60).end(1500);
        std::string error;
        auto song = MidiSong::parse(smf(0, 0xE728, {t}), error);
        QVERIFY2(song, error.c_str());
        QCOMPARE(song->lengthMs(), 1500.0);
        QCOMPARE(song->ticksPerQuarter(), 0);
    }

    void tracksMergeInTimeOrder() {
        // Running status on one track; the same key struck again on another
        // track, listed first, at the moment the first one lets it go must
        // not be cut off by that note-off.
        Track a;
        a.at(0)
            .raw({0x90, 60, 100})
            .at(240)
            .raw({62, 100})
            .at(480)
            .raw({60, 0})
            .at(480)
            .raw({62, 0});
        a.end(480);
        Track b;
        b.note(480, 240, 0, 60, 80).end(960);
        std::string error;
        auto song = MidiSong::parse(smf(1, 480, {b, a}), error);
        QVERIFY2(song, error.c_str());
        QCOMPARE(song->lengthMs(), 1000.0);
        const auto& ev = song->events();
        QCOMPARE(ev.size(), std::size_t(6));
        QVERIFY(ev[1].isNoteOn() && ev[1].data1 == 62 && ev[1].ms == 250.0);
        // At 500 ms: both releases first, then the new note.
        QVERIFY(ev[2].isNoteOff() && ev[3].isNoteOff());
        QVERIFY(ev[4].isNoteOn() && ev[4].data1 == 60 && ev[4].data2 == 80);
        QCOMPARE(ev[4].ms, 500.0);
    }

    void systemExclusiveIsKeptWithoutFraming() {
        Track t;
        t.at(0).raw({0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
        t.note(0, 480, 0, 60).end(480);
        std::string error;
        auto song = MidiSong::parse(smf(0, 480, {t}), error);
        QVERIFY2(song, error.c_str());
        const MidiEvent& e = song->events().front();
        QCOMPARE(e.status, std::uint8_t(0xF0));
        QCOMPARE(song->sysexData(e.sysex), (std::vector<std::uint8_t>{0x7E, 0x7F, 0x09, 0x01}));
    }

    void brokenSongsAreRefusedWithAReason_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        auto raw = [](const Bytes& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
        };
        Bytes good = shortSong(4);

        QTest::newRow("empty") << QByteArray() << "is empty";
        QTest::newRow("text") << QByteArray("This is not music at all, just words.")
                              << "is not a MIDI file";
        QTest::newRow("wave file") << raw(sineWave(10, 0.5)) << "is not a MIDI file";
        QTest::newRow("cut in the header")
            << raw(Bytes(good.begin(), good.begin() + 12)) << "is not a MIDI file";
        QTest::newRow("cut in a track")
            << raw(Bytes(good.begin(), good.end() - 20)) << "is cut short";
        Bytes fewer = good;
        fewer[11] = 3; // says three tracks, holds two
        QTest::newRow("missing track") << raw(fewer) << "is cut short";

        Track orphan;
        orphan.at(0).raw({60, 100}).end(10);
        QTest::newRow("data before any status")
            << raw(smf(0, 480, {orphan})) << "has a broken track";
        Track longNumber;
        longNumber.raw({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 100});
        QTest::newRow("delta of five bytes")
            << raw(smf(0, 480, {longNumber})) << "has a broken track";
        Track silent;
        silent.tempo(0, 100).end(960);
        QTest::newRow("no notes") << raw(smf(0, 480, {silent})) << "has no notes";
        Track t;
        t.note(0, 10, 0, 60).end(10);
        QTest::newRow("zero division") << raw(smf(0, 0, {t})) << "has a broken time division";
        QTest::newRow("no tracks") << raw(smf(1, 480, {})) << "has no tracks";
    }

    void brokenSongsAreRefusedWithAReason() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        std::string error;
        auto song = MidiSong::parse(Bytes(bytes.begin(), bytes.end()), error);
        QVERIFY(!song);
        QCOMPARE(QString::fromStdString(error), reason);
    }

    void waveEncodingsDecodeToTheSameSound_data() {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("8-bit mono") << 1 << 8 << 1 << 0.01;
        QTest::newRow("16-bit mono") << 1 << 16 << 1 << 1e-4;
        QTest::newRow("16-bit stereo") << 2 << 16 << 1 << 1e-4;
        QTest::newRow("24-bit stereo") << 2 << 24 << 1 << 1e-6;
        QTest::newRow("32-bit mono") << 1 << 32 << 1 << 1e-6;
        QTest::newRow("float stereo") << 2 << 32 << 3 << 1e-6;
    }

    void waveEncodingsDecodeToTheSameSound() {
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(int, encoding);
        QFETCH(double, tolerance);
        std::string error;
        auto sound = WaveSound::parse(sineWave(100, 0.5, 22050, channels, bits, encoding), error);
        QVERIFY2(sound, error.c_str());
        QCOMPARE(sound->sampleRate, 22050);
        QCOMPARE(sound->fileChannels, channels);
        QCOMPARE(sound->fileBitsPerSample, bits);
        QCOMPARE(sound->frames(), std::size_t(2205));
        QCOMPARE(sound->durationMs(), 100.0);
        QVERIFY(std::fabs(sound->peak() - 0.5) < 0.01);
        for (std::size_t f = 0; f < sound->frames(); f += 97) {
            const double want =
                0.5 * std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(f) / 22050);
            QVERIFY(std::fabs(sound->samples[2 * f] - want) <= tolerance + 1e-7);
            QCOMPARE(sound->samples[2 * f + 1], sound->samples[2 * f]); // both sides
        }
    }

    void brokenWavesAreRefusedWithAReason_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        auto raw = [](const Bytes& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()));
        };
        const Bytes good = sineWave(20, 0.5);
        QTest::newRow("empty") << QByteArray() << "is empty";
        QTest::newRow("a song") << raw(shortSong(2)) << "is not a wave file";
        QTest::newRow("header only")
            << raw(Bytes(good.begin(), good.begin() + 12)) << "has no format chunk";
        QTest::newRow("no samples")
            << raw(Bytes(good.begin(), good.begin() + 44)) << "has no sound data";
        Bytes adpcm = good;
        adpcm[20] = 2;
        QTest::newRow("compressed")
            << raw(adpcm) << "uses an encoding the game cannot play (2, 16 bits)";
        Bytes noRate = good;
        noRate[24] = noRate[25] = noRate[26] = noRate[27] = 0;
        QTest::newRow("no sample rate") << raw(noRate) << "has a broken format chunk";
    }

    void brokenWavesAreRefusedWithAReason() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        std::string error;
        QVERIFY(!WaveSound::parse(Bytes(bytes.begin(), bytes.end()), error));
        QCOMPARE(QString::fromStdString(error), reason);
    }

    void cutOffWavesPlayWhatTheyHold() {
        Bytes b = sineWave(100, 0.5);
        b.resize(44 + 2 * 1000); // the header still promises 100 ms
        std::string error;
        auto sound = WaveSound::parse(b, error);
        QVERIFY2(sound, error.c_str());
        QCOMPARE(sound->frames(), std::size_t(1000));
    }

    void filesThatAreNotThereAreNamedAsSuch() {
        std::string error;
        QVERIFY(!WaveSound::load("/nonexistent/folder/move.wav", error));
        QCOMPARE(error, std::string("is missing"));
        QVERIFY(!MidiSong::load(std::filesystem::temp_directory_path().string(), error));
        QCOMPARE(error, std::string("is a folder, not a file"));
    }

    void resamplingKeepsDurationAndPitch() {
        std::string error;
        auto sound = WaveSound::parse(sineWave(200, 0.5, 22050), error);
        QVERIFY(sound);
        const WaveSound up = sound->resampled(44100);
        QCOMPARE(up.sampleRate, 44100);
        QVERIFY(std::abs(up.durationMs() - 200.0) < 0.1);
        // Same tone: a 440 Hz sine crosses zero upwards 88 times in 200 ms.
        int crossings = 0;
        for (std::size_t f = 1; f < up.frames(); ++f)
            crossings += up.samples[2 * (f - 1)] < 0 && up.samples[2 * f] >= 0;
        QVERIFY(crossings >= 87 && crossings <= 89);
    }

    void songClockIsTheSamplesRendered() {
        SoundMixer mixer(8000); // no SoundFont: silent, but keeping time
        std::string error;
        auto song = std::make_shared<const MidiSong>(*MidiSong::parse(shortSong(4), error));
        mixer.startSong(song, 0);
        QVERIFY(mixer.songPlaying());
        std::vector<float> out(2 * 800);
        mixer.render(out.data(), 800);
        QCOMPARE(mixer.songPositionMs(), 100.0);
        QVERIFY(!mixer.takeSongEnded());
        for (int i = 0; i < 18; ++i)
            mixer.render(out.data(), 800);
        QCOMPARE(mixer.songPositionMs(), 1900.0);
        QVERIFY(mixer.songPlaying());
        mixer.render(out.data(), 800); // crosses the end at 2000 ms
        QVERIFY(!mixer.songPlaying());
        QCOMPARE(mixer.songPositionMs(), 2000.0);
        QVERIFY(mixer.takeSongEnded());
        QVERIFY(!mixer.takeSongEnded()); // told once
        mixer.render(out.data(), 800);
        QCOMPARE(mixer.songPositionMs(), 2000.0);
        QVERIFY(!mixer.takeSongEnded());
    }

    void songsStartWhereTheyAreAsked() {
        SoundMixer mixer(8000);
        std::string error;
        auto song = std::make_shared<const MidiSong>(*MidiSong::parse(shortSong(4), error));
        mixer.startSong(song, 1234);
        QCOMPARE(mixer.songPositionMs(), 1234.0);
        std::vector<float> out(2 * 80);
        mixer.render(out.data(), 80);
        QCOMPARE(mixer.songPositionMs(), 1244.0);
        mixer.stopSong();
        mixer.render(out.data(), 80);
        QCOMPARE(mixer.songPositionMs(), 1244.0);
        QVERIFY(!mixer.songPlaying());
        QVERIFY(!mixer.takeSongEnded());

        mixer.startSong(song, 99999); // past the end: ends at once
        QCOMPARE(mixer.songPositionMs(), 2000.0);
        QVERIFY(mixer.takeSongEnded());
        mixer.clearSong();
        QCOMPARE(mixer.songLengthMs(), 0.0);
        QCOMPARE(mixer.songPositionMs(), 0.0);
    }

    void effectsAreAddedOnTopOfTheSong() {
        SoundMixer mixer(8000);
        std::string error;
        auto song = std::make_shared<const MidiSong>(*MidiSong::parse(shortSong(4), error));
        auto beep = std::make_shared<const EffectSound>(
            EffectSound::from(WaveSound::parse(sineWave(50, 0.25, 8000), error)->resampled(8000)));
        mixer.startSong(song, 0);
        mixer.playEffect(beep, 0);
        mixer.playEffect(beep, 0);
        std::vector<float> out(2 * 800);
        mixer.render(out.data(), 800);
        // Two voices of the same sound add up; the song goes on.
        QVERIFY(std::fabs(out[2 * 20] - 2 * beep->left(20)) < 1e-6);
        QCOMPARE(out[2 * 500], 0.0f); // after the 50 ms effect
        QCOMPARE(mixer.effectsSounding(), 0);
        QVERIFY(mixer.songPlaying());
        QCOMPARE(mixer.songPositionMs(), 100.0);

        for (int i = 0; i < SoundMixer::kMaxEffects + 3; ++i)
            mixer.playEffect(beep, 0);
        QCOMPARE(mixer.effectsSounding(), SoundMixer::kMaxEffects);
        mixer.playEffect(beep, 60); // starting past its end plays nothing
        QCOMPARE(mixer.effectsSounding(), SoundMixer::kMaxEffects);
    }

    void songsSoundThroughTheSoundFont() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        SoundMixer mixer(22050);
        QVERIFY(mixer.loadSoundFont(kGeneralMidi));
        std::string error;
        auto song = std::make_shared<const MidiSong>(*MidiSong::parse(shortSong(4), error));
        mixer.startSong(song, 0);
        std::vector<float> out(2 * 22050);
        mixer.render(out.data(), 22050);
        const double loud = rms(out);
        QVERIFY2(loud > 0.01, qPrintable(QString::number(loud)));
        mixer.stopSong(); // every note silenced at once
        mixer.render(out.data(), 2205);
        mixer.render(out.data(), 22050);
        QVERIFY2(rms(out) < 0.001, qPrintable(QString::number(rms(out))));
    }

    void brokenSoundFontsAreRefused() {
        SoundMixer mixer(22050);
        const QString path = QDir::tempPath() + "/lilyhops-not-a-soundfont.sf2";
        writeFile(path, Bytes(1000, 0x41));
        QVERIFY(!mixer.loadSoundFont(path.toStdString()));
        QVERIFY(!mixer.hasSoundFont());
        QFile::remove(path);
    }
};

QTEST_GUILESS_MAIN(SoundFilesTest)
#include "tst_soundfiles.moc"
