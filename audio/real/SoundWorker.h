#pragma once

// The audio thread's half of the sound control. It owns the mixer, the
// effects it has read and the sound device, renders the music and effects in
// small periods and pushes them to the device; the game's thread only posts
// commands to it and reads the song's clock, so it never waits for the
// synthesizer.
//
// Without a device (or once the device has failed) nothing is rendered: the
// song's clock just follows the wall clock, and effects are dropped.
//
// The device is fed in push mode: every 10 ms this thread writes exactly as
// much as the sound server has asked for. Qt 6.4's PulseAudio output in pull
// mode cannot do that. It reads its source in whole 20 ms periods, and only
// while a whole period fits: with a short buffer (say 5292 bytes, with
// playback waiting for 3532 of them) it writes one 3528-byte period, the rest
// never fits, playback never starts, the server never asks for more, and the
// output stops pulling for good. And a source opened buffered answers each
// 20 ms read from its own 16 KiB read-ahead (93 ms at 44.1 kHz), which then
// sits in front of the device and delays every effect by that much again.

#include "audio/real/DeviceClock.h"
#include "audio/real/MidiSong.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
class QAudioSink;
class QIODevice;
class QTimer;
QT_END_NAMESPACE

namespace lilyhops {

struct EffectSound;
class ProblemLog;
class SampleWriter;
class SongCache;
class SoundMixer;

class SoundWorker : public QObject {
    Q_OBJECT

  public:
    struct Setup {
        QAudioDevice device; // none: the song only keeps time
        QAudioFormat format; // the device's; its rate is the mixer's
        int renderDelayMs = 0;
    };

    struct Command {
        // Prepare reads the songs in the folder `file` and what their
        // instruments are made of, so that a song's start only loads the
        // samples it plays.
        enum class Kind { Start, Stop, Clear, Effect, Prepare };
        Kind kind = Kind::Stop;
        std::uint32_t generation = 0; // which song the command belongs to
        std::shared_ptr<const MidiSong> song;
        double ms = 0; // where to start in the song or the sound
        std::string file;
        std::int64_t calledNs = 0; // the steady clock when the game asked
    };

    // `songEnded` is called on the audio thread with the generation of a
    // song that has played to its end.
    SoundWorker(std::unique_ptr<SoundMixer> mixer, const Setup& setup, ProblemLog& log,
                SongCache& songs, std::function<void(std::uint32_t)> songEnded);
    ~SoundWorker() override;

    // From any thread; never waits for rendering.
    void post(Command command);
    // The song's clock as last rendered: the generation of the song in the
    // top bits, frames played since it began in the low ones.
    std::uint64_t progress() const { return progress_.load(std::memory_order_acquire); }
    bool deviceOpen() const { return deviceOpen_.load(std::memory_order_acquire); }
    // CPU time the audio thread has spent rendering music in FluidSynth, the
    // frames it rendered, and the times the device ran dry while there was
    // sound to play, for benchmarks.
    std::int64_t synthCpuNs() const { return synthCpuNs_.load(std::memory_order_relaxed); }
    std::int64_t synthFrames() const { return synthFrames_.load(std::memory_order_relaxed); }
    int underruns() const { return underruns_.load(std::memory_order_relaxed); }

    static std::uint64_t pack(std::uint32_t generation, std::int64_t frames);
    static bool sameGeneration(std::uint64_t progress, std::uint32_t generation);
    static std::int64_t framesOf(std::uint64_t progress);

    // The steady clock that command times are taken on.
    static std::int64_t nowNs();

    // On the audio thread: opens the device, and closes it at the end.
    void begin();
    void finish();

    // An effect is placed in the outgoing sound this long after the game's
    // call, where the device clock says the device will be by then, so that
    // its start wanders neither with the device's fill level nor with the
    // server's cycles and quick hops stay evenly spaced. At each top-up the
    // device holds at most the buffer, and an effect asked for since the last
    // one is due at least this delay less a period from now: it is never due
    // before what is already queued as long as the delay is no shorter than
    // the buffer.
    static constexpr int kEffectDelayMs = 30;

  private:
    void takeCommands();
    void apply(Command& command);
    void wake();
    void tick();
    void writeToDevice();
    void followClock();
    void afterRender();
    void placeEffects(int frames);
    void closeDevice(const char* why);
    std::shared_ptr<const EffectSound> effect(const std::string& file);
    void prepareSongs(const std::string& folder);
    static void giveBackFreedMemory();

    struct PendingEffect {
        std::shared_ptr<const EffectSound> sound;
        double startMs;
        std::int64_t dueNs;
    };

    std::unique_ptr<SoundMixer> mixer_;
    Setup setup_;
    ProblemLog& log_;
    SongCache& songs_;
    std::function<void(std::uint32_t)> songEnded_;
    int rate_;

    std::mutex commandsLock_;
    std::vector<Command> commands_;

    std::atomic<std::uint64_t> progress_{0};
    std::atomic<bool> deviceOpen_{false};
    std::atomic<std::int64_t> synthCpuNs_{0};
    std::atomic<std::int64_t> synthFrames_{0};
    std::atomic<int> underruns_{0};
    std::uint32_t songGeneration_ = 0;

    std::map<std::string, std::shared_ptr<const EffectSound>> effects_;
    std::vector<PendingEffect> pending_;

    QTimer* timer_ = nullptr;
    QAudioSink* sink_ = nullptr;
    QIODevice* io_ = nullptr;
    std::unique_ptr<SampleWriter> writer_;
    qsizetype bufferBytes_ = 0;
    std::int64_t framesWritten_ = 0; // to the device since it was opened
    DeviceClock deviceClock_{rate_};
    std::int64_t silentFrames_ = 0; // written since the mixer fell silent
    std::vector<float> mix_;
    std::vector<char> bytes_;

    QElapsedTimer clock_; // without a device: the song's pace
    std::int64_t clockFrames_ = 0;
};

} // namespace lilyhops
