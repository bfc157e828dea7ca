// The mixer's transitions as a player hears them: the music never jumps at a
// stop, a pause, a resume or a change of song; the song's clock stops where
// it was stopped; a song's last notes ring out and then the mixer goes quiet
// for good; effects start where they were placed. The music is rendered
// ahead, yet its clock is what was taken out, a note starts where the song
// puts it and a stop fades what was rendered ahead at once. Also the
// conversion of the mixed floats to what a device takes.

#include "SoundTestFiles.h"
#include "audio/real/EffectSound.h"
#include "audio/real/InstrumentKeys.h"
#include "audio/real/MidiSong.h"
#include "audio/real/SampleWriter.h"
#include "audio/real/SoundMixer.h"
#include "audio/real/WaveSound.h"

#include <QTest>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <filesystem>
#include <malloc.h>

using namespace lilyhops;
using namespace soundtest;

namespace {

constexpr int kRate = 44100;

// The address sanitizer's allocator keeps books of its own and holds freed
// blocks back for a while: the heap's figures mean something only without it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapFigures = false;
#else
constexpr bool kHeapFigures = true;
#endif

int framesOf(double ms) {
    return static_cast<int>(std::lround(ms * kRate / 1000.0));
}

// A low recorder note held for `seconds`: its own sample-to-sample steps are
// far below 1% of full scale, so any step above that is the mixer's doing.
std::shared_ptr<const MidiSong> heldNote(int seconds, int key = 36) {
    Track t;
    t.tempo(0, 120).program(0, 0, 74);
    t.note(0, static_cast<std::uint32_t>(seconds * 960), 0, key, 110);
    t.end(static_cast<std::uint32_t>(seconds * 960));
    std::string error;
    return std::make_shared<const MidiSong>(*MidiSong::parse(smf(0, 480, {t}), error));
}

std::vector<float> render(SoundMixer& mixer, double ms, int firstPiece = 37) {
    std::vector<float> out(2 * static_cast<std::size_t>(framesOf(ms)));
    // In uneven pieces, as a device asks for them.
    std::size_t done = 0;
    int piece = firstPiece;
    while (done < out.size() / 2) {
        const int n = static_cast<int>(std::min<std::size_t>(piece, out.size() / 2 - done));
        mixer.render(out.data() + 2 * done, n);
        done += static_cast<std::size_t>(n);
        piece = piece * 7 % 331 + 1;
    }
    return out;
}

// The largest jump between two neighbouring samples of one channel.
float largestStep(const std::vector<float>& a, const std::vector<float>& b = {}) {
    std::vector<float> all = a;
    all.insert(all.end(), b.begin(), b.end());
    float step = 0;
    for (std::size_t i = 2; i < all.size(); ++i)
        step = std::max(step, std::fabs(all[i] - all[i - 2]));
    return step;
}

float peak(const std::vector<float>& s) {
    float p = 0;
    for (float v : s)
        p = std::max(p, std::fabs(v));
    return p;
}

// The first frame louder than `level`, or -1.
int firstFrameAbove(const std::vector<float>& s, float level) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (std::fabs(s[i]) > level)
            return static_cast<int>(i / 2);
    return -1;
}

// A song that is silent for `restMs`, then strikes `key` on the recorder.
std::shared_ptr<const MidiSong> noteAfter(double restMs, int key = 60) {
    Track t;
    const auto at = static_cast<std::uint32_t>(std::lround(restMs * 960 / 1000.0));
    t.tempo(0, 120).program(0, 0, 74).note(at, 960, 0, key, 110).end(at + 960);
    std::string error;
    return std::make_shared<const MidiSong>(*MidiSong::parse(smf(0, 480, {t}), error));
}

// Frames until the last sample that is not exactly zero.
int soundingFrames(const std::vector<float>& s) {
    for (std::size_t i = s.size(); i > 0; --i)
        if (s[i - 1] != 0.0f)
            return static_cast<int>((i + 1) / 2);
    return 0;
}

} // namespace

class SoundMixerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SoundMixer> withSoundFont() {
        auto mixer = std::make_unique<SoundMixer>(kRate);
        if (!std::filesystem::exists(kGeneralMidi) || !mixer->loadSoundFont(kGeneralMidi))
            return nullptr;
        return mixer;
    }

  private slots:
    void theTestNoteIsSmoothEnoughToShowAClick() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        mixer->startSong(heldNote(4), 0);
        const std::vector<float> steady = render(*mixer, 1000);
        QVERIFY2(peak(steady) > 0.05, qPrintable(QString::number(peak(steady))));
        QVERIFY2(largestStep(steady) < 0.005, qPrintable(QString::number(largestStep(steady))));
    }

    void stoppingFadesOutWithinTwentyMilliseconds() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        mixer->startSong(heldNote(4), 0);
        const std::vector<float> before = render(*mixer, 1000);
        const double stoppedAt = mixer->songPositionMs();
        mixer->stopSong();
        const std::vector<float> after = render(*mixer, SoundMixer::kFadeMs + 100);
        QVERIFY(!mixer->silent()); // the reverb is still emptying, unheard
        render(*mixer, SoundMixer::kDrainMs);

        QVERIFY2(largestStep(before, after) < 0.01,
                 qPrintable(QString::number(largestStep(before, after))));
        // It does come down (not cut, not left ringing): 10 to 20 ms.
        const int fade = soundingFrames(after);
        QVERIFY2(fade >= framesOf(10) && fade <= framesOf(20), qPrintable(QString::number(fade)));
        QVERIFY(peak({after.begin(), after.begin() + 2 * framesOf(3)}) > 0.02);
        QCOMPARE(mixer->songPositionMs(), stoppedAt);
        QVERIFY(mixer->silent());
        QVERIFY(!mixer->busy());
    }

    void aPausedSongResumesFromSilenceWhereItStopped() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        auto song = heldNote(4);
        mixer->startSong(song, 0);
        std::vector<float> sound = render(*mixer, 1500);
        mixer->stopSong();
        const double paused = mixer->songPositionMs();
        const std::vector<float> pause = render(*mixer, 400);
        QCOMPARE(mixer->songPositionMs(), paused);

        // The held note was struck before the pause point, so the resume
        // brings back only what starts after it: a note struck at 2 s.
        Track t;
        t.tempo(0, 120).program(0, 0, 74);
        t.note(0, 1900, 0, 36, 110).note(1920, 1900, 0, 36, 110).end(3840);
        std::string error;
        auto twoNotes = std::make_shared<const MidiSong>(*MidiSong::parse(smf(0, 480, {t}), error));
        mixer->startSong(twoNotes, paused);
        QCOMPARE(mixer->songPositionMs(), paused);
        const std::vector<float> resumed = render(*mixer, 1000);
        QVERIFY(std::fabs(mixer->songPositionMs() - (paused + 1000.0)) < 0.1);
        QVERIFY2(largestStep(sound, pause) < 0.01, "at the pause");
        QVERIFY2(largestStep(pause, resumed) < 0.01,
                 qPrintable(QString::number(largestStep(pause, resumed))));
        QVERIFY2(peak(resumed) > 0.05, "the second note sounds after the resume");
    }

    void aSongStartedAfterAStopFindsTheReverbEmpty() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        auto song = heldNote(4);
        mixer->startSong(song, 0);
        render(*mixer, 1500);
        mixer->stopSong();
        render(*mixer, SoundMixer::kFadeMs + SoundMixer::kDrainMs + 10);
        // Resumed past the note's start: nothing is struck, so nothing at
        // all may be heard, not even what the reverb kept of the old note.
        mixer->startSong(song, 2200);
        const std::vector<float> resumed = render(*mixer, 300);
        QVERIFY2(peak(resumed) < 0.0005, qPrintable(QString::number(peak(resumed))));
    }

    void aNewSongWaitsForTheOldOneToFade() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        mixer->startSong(heldNote(4, 36), 0);
        const std::vector<float> first = render(*mixer, 800);
        mixer->startSong(heldNote(4, 40), 0); // the song menu: another song at once
        QCOMPARE(mixer->songPositionMs(), 0.0);
        // Its clock waits for the fade and for the old reverb to empty.
        const double wait = SoundMixer::kFadeMs + SoundMixer::kDrainMs;
        const std::vector<float> fading = render(*mixer, wait - 1);
        QCOMPARE(mixer->songPositionMs(), 0.0);
        QVERIFY(mixer->songPlaying());
        const std::vector<float> second = render(*mixer, 500);
        const double position = mixer->songPositionMs();
        QVERIFY2(position > 495 && position < 500, qPrintable(QString::number(position)));
        QVERIFY2(largestStep(first, fading) < 0.01, "at the change");
        QVERIFY2(largestStep(fading, second) < 0.01,
                 qPrintable(QString::number(largestStep(fading, second))));
        QVERIFY(peak(second) > 0.05);

        // Stopping during the fade forgets the waiting song.
        mixer->startSong(heldNote(4, 38), 0);
        mixer->stopSong();
        render(*mixer, SoundMixer::kFadeMs + SoundMixer::kDrainMs + 5);
        QVERIFY(!mixer->songPlaying());
        QVERIFY(mixer->silent());
        QCOMPARE(mixer->songPositionMs(), 0.0);
    }

    void anEndedSongRingsOutThenTheMixerFallsSilent() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        mixer->startSong(heldNote(1), 0);
        render(*mixer, 1000);
        QVERIFY(mixer->takeSongEnded());
        QVERIFY(!mixer->busy());
        QVERIFY(!mixer->silent()); // the release and the reverb go on
        const std::vector<float> tail = render(*mixer, SoundMixer::kTailMs - 100);
        QVERIFY(peak({tail.begin(), tail.begin() + 2 * framesOf(50)}) > 0.001);
        QVERIFY(!mixer->silent());
        const std::vector<float> end = render(*mixer, 100 + SoundMixer::kFadeMs);
        render(*mixer, SoundMixer::kDrainMs + 50);
        QVERIFY(mixer->silent());
        QVERIFY2(largestStep(tail, end) < 0.01, "the tail is faded, not cut");
        const std::vector<float> after = render(*mixer, 100);
        QCOMPARE(peak(after), 0.0f);
    }

    void theClockCountsWhatIsTakenNotWhatIsRenderedAhead() {
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        mixer->startSong(heldNote(4), 0);
        std::vector<float> out(2 * 100);
        mixer->render(out.data(), 100);
        QCOMPARE(mixer->songFrames(), std::int64_t(100));
        QCOMPARE(mixer->synthFramesRendered(), std::int64_t(SoundMixer::kMusicBlock));
        // Stopped with most of a block rendered ahead: the clock stays at
        // what was heard, and the fade begins with the very next sample.
        mixer->stopSong();
        const std::vector<float> after = render(*mixer, 40);
        QCOMPARE(mixer->songFrames(), std::int64_t(100));
        QCOMPARE(mixer->songPositionMs(), 100 * 1000.0 / kRate);
        const int fade = soundingFrames(after);
        QVERIFY2(fade <= framesOf(SoundMixer::kFadeMs) + 1, qPrintable(QString::number(fade)));
    }

    void aNoteStartsWhereTheSongPutsIt_data() {
        QTest::addColumn<double>("restMs");
        // Before the first block's end, on a block's edge and across it, and
        // in the third block.
        QTest::newRow("30 ms") << 30.0;
        QTest::newRow("one block") << 1000.0 * SoundMixer::kMusicBlock / kRate;
        QTest::newRow("101 ms") << 101.0;
        QTest::newRow("250 ms") << 250.0;
    }

    void aNoteStartsWhereTheSongPutsIt() {
        QFETCH(double, restMs);
        auto mixer = withSoundFont();
        if (!mixer)
            QSKIP("no General MIDI SoundFont on this machine");
        mixer->startSong(noteAfter(restMs), 0);
        const std::vector<float> out = render(*mixer, restMs + 200);
        // FluidSynth starts a note with the first of its 64-frame blocks
        // after the note was sent, and the recorder takes a few more to be
        // heard.
        const int start = firstFrameAbove(out, 0.001f);
        const int due = framesOf(restMs);
        QVERIFY2(start >= due && start <= due + 3 * SoundMixer::kSynthBlock,
                 qPrintable(QString("due %1, heard %2").arg(due).arg(start)));
    }

    void theSoundIsTheSameInPiecesOfAnySize() {
        auto a = withSoundFont();
        auto b = withSoundFont();
        if (!a || !b)
            QSKIP("no General MIDI SoundFont on this machine");
        auto song = noteAfter(120, 64);
        a->startSong(song, 0);
        b->startSong(song, 0);
        const std::vector<float> uneven = render(*a, 700);
        std::vector<float> whole(2 * static_cast<std::size_t>(framesOf(700)));
        b->render(whole.data(), framesOf(700));
        QVERIFY(peak(whole) > 0.05);
        QVERIFY(uneven == whole);
        QCOMPARE(a->songFrames(), b->songFrames());
    }

    void keysLeftOutOfTheSoundFontAreReadWhenASongNeedsThem() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        std::bitset<128> low;
        low.set(36);
        const InstrumentKeys only = {{{0, 74}, low}};
        auto high = heldNote(2, 80); // the recorder plays it from a sample of its own

        SoundMixer without(kRate);
        QVERIFY(without.loadSoundFont(kGeneralMidi, only));
        without.startSong(high, 0);
        QVERIFY2(peak(render(without, 300)) < 0.001, "a key that was not read is silent");

        SoundMixer mixer(kRate);
        QVERIFY(mixer.loadSoundFont(kGeneralMidi, only));
        mixer.keepInstruments(*high);
        mixer.startSong(high, 0);
        QVERIFY(peak(render(mixer, 300)) > 0.05);
        // What was read before is still there.
        mixer.startSong(heldNote(2, 36), 0);
        render(mixer, SoundMixer::kFadeMs + SoundMixer::kDrainMs + 5);
        QVERIFY(peak(render(mixer, 300)) > 0.05);
    }

    void onlyThePlayingSongKeepsItsSamples() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        // A drum kit struck on twenty keys, whose samples take megabytes,
        // against one recorder note.
        Track t;
        t.tempo(0, 120).program(0, 9, 32);
        for (int key = 35; key < 55; ++key)
            t.note(static_cast<std::uint32_t>(key - 35) * 48, 48, 9, key, 100);
        t.end(960);
        std::string error;
        auto drums = std::make_shared<const MidiSong>(*MidiSong::parse(smf(0, 480, {t}), error));
        auto recorder = heldNote(1);
        InstrumentKeys both = keysPlayedIn(*drums);
        addKeys(both, keysPlayedIn(*recorder));

        SoundMixer mixer(kRate);
        QVERIFY(mixer.loadSoundFont(kGeneralMidi, both));
        const auto inUse = [] {
            const struct mallinfo2 m = mallinfo2();
            return static_cast<double>(m.uordblks + m.hblkhd) / (1024 * 1024);
        };
        const double before = inUse();
        // Read ahead and let go, as at start-up, before any song plays.
        mixer.keepInstruments(*drums);
        if (kHeapFigures)
            QVERIFY(inUse() - before > 1.0);
        mixer.letGoInstruments();
        if (kHeapFigures)
            QVERIFY2(inUse() - before < 0.5, QByteArray::number(inUse() - before));

        mixer.keepInstruments(*drums);
        mixer.startSong(drums, 0);
        QVERIFY(peak(render(mixer, 500)) > 0.05);
        const double withDrums = inUse();
        if (kHeapFigures)
            QVERIFY2(withDrums - before > 1.0, QByteArray::number(withDrums - before));

        mixer.keepInstruments(*recorder);
        mixer.startSong(recorder, 0);
        render(mixer, SoundMixer::kFadeMs + SoundMixer::kDrainMs + 5);
        QVERIFY(peak(render(mixer, 300)) > 0.05);
        QVERIFY(mixer.takeInstrumentsLetGo());
        const double withRecorder = inUse();
        if (kHeapFigures)
            QVERIFY2(withDrums - withRecorder > 1.0, QByteArray::number(withDrums) + " MB, then " +
                                                         QByteArray::number(withRecorder));

        // And the kit comes back when its song does.
        mixer.keepInstruments(*drums);
        mixer.startSong(drums, 0);
        render(mixer, SoundMixer::kFadeMs + SoundMixer::kDrainMs + 5);
        if (kHeapFigures)
            QVERIFY(inUse() - withRecorder > 1.0);
        QVERIFY(peak(render(mixer, 300)) > 0.05);
    }

    void withoutASoundFontTheClockRunsInSilence() {
        SoundMixer mixer(8000);
        std::string error;
        auto song = std::make_shared<const MidiSong>(*MidiSong::parse(shortSong(4), error));
        mixer.startSong(song, 0);
        QVERIFY(mixer.busy());
        QVERIFY(mixer.silent());
        std::vector<float> out(2 * 800, 1.0f);
        mixer.render(out.data(), 800);
        QCOMPARE(peak(out), 0.0f);
        QCOMPARE(mixer.songPositionMs(), 100.0);
    }

    void skippingMovesTheClockAndDropsTheSound() {
        SoundMixer mixer(8000);
        std::string error;
        auto song = std::make_shared<const MidiSong>(*MidiSong::parse(shortSong(4), error));
        auto beep = std::make_shared<const EffectSound>(
            EffectSound::from(*WaveSound::parse(sineWave(500, 0.5, 8000), error)));
        mixer.startSong(song, 500);
        mixer.playEffect(beep, 0);
        mixer.skip(4000);
        QCOMPARE(mixer.songPositionMs(), 1000.0);
        QCOMPARE(mixer.effectsSounding(), 0);
        QVERIFY(!mixer.takeSongEnded());
        mixer.skip(1000000); // far past the end: ends exactly at it, once
        QCOMPARE(mixer.songPositionMs(), 2000.0);
        QVERIFY(!mixer.songPlaying());
        QVERIFY(mixer.takeSongEnded());
        mixer.skip(100);
        QVERIFY(!mixer.takeSongEnded());
        QVERIFY(mixer.silent());
    }

    void effectsStartWhereTheyArePlaced() {
        SoundMixer mixer(8000);
        std::string error;
        WaveSound wave;
        wave.sampleRate = 8000;
        wave.samples.assign(2 * 40, 0.25f);
        auto dc = std::make_shared<const EffectSound>(EffectSound::from(wave));
        mixer.playEffect(dc, 0, 100); // 100 frames into the next render
        std::vector<float> out(2 * 64);
        mixer.render(out.data(), 64);
        QCOMPARE(peak(out), 0.0f);
        mixer.render(out.data(), 64);
        QCOMPARE(out[2 * 35], 0.0f);
        QCOMPARE(out[2 * 36], 0.25f); // frame 100
        QCOMPARE(out[2 * 36 + 1], 0.25f);
        QCOMPARE(out[2 * 63], 0.25f);
        mixer.render(out.data(), 64);
        QCOMPARE(out[2 * 11], 0.25f); // the 40th frame of the sound
        QCOMPARE(out[2 * 12], 0.0f);
        QCOMPARE(mixer.effectsSounding(), 0);
        QVERIFY(mixer.silent());
    }

    // The effects are kept in one channel when both sides are the same, and
    // sound exactly as decoded either way.
    void aMonoEffectIsKeptOnceAndPlayedOnBothSides() {
        std::string error;
        const WaveSound wave = *WaveSound::parse(sineWave(100, 0.5, 8000), error);
        const EffectSound kept = EffectSound::from(wave);
        QCOMPARE(kept.channels, 1);
        QCOMPARE(kept.frames(), wave.frames());
        QCOMPARE(kept.samples.size(), wave.samples.size() / 2);
        QCOMPARE(kept.sampleRate, wave.sampleRate);

        SoundMixer mixer(8000);
        mixer.playEffect(std::make_shared<const EffectSound>(kept), 0);
        std::vector<float> out(wave.samples.size());
        mixer.render(out.data(), static_cast<int>(wave.frames()));
        QVERIFY(out == wave.samples);
        QVERIFY(peak(out) > 0.4f);
    }

    void aStereoEffectKeepsItsSidesApart() {
        WaveSound wave;
        wave.sampleRate = 8000;
        // Both sides the same but for one frame near the end.
        wave.samples.assign(2 * 30, 0.25f);
        wave.samples[2 * 28 + 1] = -0.5f;
        const EffectSound kept = EffectSound::from(wave);
        QCOMPARE(kept.channels, 2);
        QCOMPARE(kept.frames(), std::size_t(30));

        SoundMixer mixer(8000);
        mixer.playEffect(std::make_shared<const EffectSound>(kept), 0, 2);
        std::vector<float> out(2 * 40, 1.0f);
        mixer.render(out.data(), 40);
        QCOMPARE(out[0], 0.0f);
        QCOMPARE(out[2 * 2], 0.25f);
        QCOMPARE(out[2 * 30], 0.25f);     // frame 28 of the sound, left
        QCOMPARE(out[2 * 30 + 1], -0.5f); // and right
        QCOMPARE(out[2 * 31 + 1], 0.25f);
        QCOMPARE(out[2 * 32], 0.0f); // it has ended
    }

    void anEmptyEffectIsNotPlayed() {
        SoundMixer mixer(8000);
        mixer.playEffect(std::make_shared<const EffectSound>(EffectSound::from(WaveSound{})), 0);
        QCOMPARE(mixer.effectsSounding(), 0);
        mixer.playEffect(nullptr, 0);
        QCOMPARE(mixer.effectsSounding(), 0);
    }

    void samplesAreWrittenInTheDevicesFormat_data() {
        QTest::addColumn<int>("sampleFormat");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QByteArray>("expected");
        auto bytes = [](auto... v) {
            QByteArray b;
            (b.append(reinterpret_cast<const char*>(&v), sizeof v), ...);
            return b;
        };
        // Frames: (0.5, -0.5) and (2.0, -2.0), the second far past full scale.
        QTest::newRow("16-bit stereo") << int(QAudioFormat::Int16) << 2
                                       << bytes(std::int16_t(16384), std::int16_t(-16384),
                                                std::int16_t(32767), std::int16_t(-32767));
        QTest::newRow("float mono") << int(QAudioFormat::Float) << 1 << bytes(0.0f, 0.0f);
        QTest::newRow("8-bit stereo")
            << int(QAudioFormat::UInt8) << 2
            << bytes(std::uint8_t(192), std::uint8_t(64), std::uint8_t(255), std::uint8_t(1));
        QTest::newRow("16-bit, four channels")
            << int(QAudioFormat::Int16) << 4
            << bytes(std::int16_t(16384), std::int16_t(-16384), std::int16_t(0), std::int16_t(0),
                     std::int16_t(32767), std::int16_t(-32767), std::int16_t(0), std::int16_t(0));
    }

    void samplesAreWrittenInTheDevicesFormat() {
        QFETCH(int, sampleFormat);
        QFETCH(int, channels);
        QFETCH(QByteArray, expected);
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(channels);
        format.setSampleFormat(static_cast<QAudioFormat::SampleFormat>(sampleFormat));
        const float stereo[] = {0.5f, -0.5f, 2.0f, -2.0f};
        QByteArray out(2 * format.bytesPerFrame(), '\x7f');
        SampleWriter(format).write(stereo, 2, out.data());
        QCOMPARE(out, expected);
    }

    void peaksAreBentBelowFullScale() {
        QCOMPARE(SampleWriter::limit(0.8f), 0.8f);
        QCOMPARE(SampleWriter::limit(-0.3f), -0.3f);
        float last = 0.8f;
        for (float v = 0.81f; v < 1.6f; v += 0.01f) { // rising, never reaching 1
            const float bent = SampleWriter::limit(v);
            QVERIFY(bent > last && bent < 1.0f);
            QCOMPARE(SampleWriter::limit(-v), -bent);
            last = bent;
        }
    }
};

QTEST_GUILESS_MAIN(SoundMixerTest)
#include "tst_soundmixer.moc"
