#include "audio/real/SoundWorker.h"

#include "audio/real/EffectSound.h"
#include "audio/real/ProblemLog.h"
#include "audio/real/SampleWriter.h"
#include "audio/real/SongCache.h"
#include "audio/real/SoundMixer.h"
#include "audio/real/WaveSound.h"

#include <QAudioSink>
#include <QIODevice>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>

namespace lilyhops {

namespace {

// The device is topped up every period with whatever it has room for. The
// sound server splits the buffer asked for between its own sink and this
// stream; what is left in it just before a top-up (the buffer less a period)
// has to outlast a late wake-up of this thread or of Qt's PulseAudio thread
// on a busy machine, which 15 ms did not and 20 ms does. Every write wakes
// Qt's PulseAudio thread and the server as well as this one, so a longer
// period with a buffer as much longer keeps that margin for half the
// wake-ups of a 5 ms period. The buffer stays within the effects' delay, so
// an effect still lands where it was asked for.
constexpr int kPeriodMs = 10;
constexpr int kBufferMs = 30;
// Without a device only the clock moves, so a coarse pace is enough.
constexpr int kClockTickMs = 20;
// After the last sound the stream goes on with silence for this long before
// it is corked. A corked stream costs nothing, but one that starts again
// begins on the server's next processing cycle, wherever that falls (up to a
// PipeWire quantum later), and knows nothing yet of where the device is: a
// player hopping once or twice a second keeps it running, so that every hop
// is placed against the same steady clock.
constexpr int kKeepRunningMs = 2000;

constexpr int kGenerationShift = 40;
constexpr std::uint64_t kFramesMask = (std::uint64_t(1) << kGenerationShift) - 1;
constexpr std::uint32_t kGenerationMask = (std::uint32_t(1) << (64 - kGenerationShift)) - 1;

// Runs the calling thread at the ordinary priority while it lives, and puts
// back what it had.
class OrdinaryPriority {
  public:
    OrdinaryPriority() {
        pthread_getschedparam(pthread_self(), &policy_, &priority_);
        const sched_param ordinary{};
        if (policy_ != SCHED_OTHER)
            pthread_setschedparam(pthread_self(), SCHED_OTHER, &ordinary);
    }
    ~OrdinaryPriority() {
        if (policy_ != SCHED_OTHER)
            pthread_setschedparam(pthread_self(), policy_, &priority_);
    }
    OrdinaryPriority(const OrdinaryPriority&) = delete;
    OrdinaryPriority& operator=(const OrdinaryPriority&) = delete;

  private:
    int policy_ = SCHED_OTHER;
    sched_param priority_{};
};

} // namespace

SoundWorker::SoundWorker(std::unique_ptr<SoundMixer> mixer, const Setup& setup, ProblemLog& log,
                         SongCache& songs, std::function<void(std::uint32_t)> songEnded)
    : mixer_(std::move(mixer)), setup_(setup), log_(log), songs_(songs),
      songEnded_(std::move(songEnded)), rate_(mixer_->sampleRate()) {
    deviceOpen_.store(!setup_.device.isNull(), std::memory_order_release);
}

SoundWorker::~SoundWorker() = default;

std::uint64_t SoundWorker::pack(std::uint32_t generation, std::int64_t frames) {
    const auto f = static_cast<std::uint64_t>(std::max<std::int64_t>(frames, 0)) & kFramesMask;
    return (std::uint64_t(generation & kGenerationMask) << kGenerationShift) | f;
}

bool SoundWorker::sameGeneration(std::uint64_t progress, std::uint32_t generation) {
    return (progress >> kGenerationShift) == (generation & kGenerationMask);
}

std::int64_t SoundWorker::framesOf(std::uint64_t progress) {
    return static_cast<std::int64_t>(progress & kFramesMask);
}

std::int64_t SoundWorker::nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SoundWorker::post(Command command) {
    bool first = false;
    {
        std::lock_guard<std::mutex> hold(commandsLock_);
        first = commands_.empty();
        commands_.push_back(std::move(command));
    }
    if (first)
        QMetaObject::invokeMethod(this, &SoundWorker::takeCommands, Qt::QueuedConnection);
}

void SoundWorker::begin() {
    // A thread that feeds a device every few milliseconds must not wait
    // behind a busy machine's other work. Where the system allows it (a
    // real-time limit for the user, or rtkit's grant), it runs ahead of
    // ordinary threads; elsewhere it stays as it is.
    sched_param realTime{};
    realTime.sched_priority = std::min(10, sched_get_priority_max(SCHED_RR));
    pthread_setschedparam(pthread_self(), SCHED_RR, &realTime);
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &SoundWorker::tick);
    if (setup_.device.isNull())
        return;

    sink_ = new QAudioSink(setup_.device, setup_.format, this);
    sink_->setBufferSize(setup_.format.bytesForDuration(kBufferMs * 1000));
    connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (!sink_)
            return;
        if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError)
            closeDevice("stopped working");
        else if (state == QAudio::IdleState && timer_->isActive()) {
            underruns_.fetch_add(1, std::memory_order_relaxed);
            // A stream that ran dry goes on from wherever the server is.
            deviceClock_.restart();
        }
    });
    io_ = sink_->start();
    if (!io_ || sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        closeDevice("cannot be opened");
        return;
    }
    bufferBytes_ = sink_->bufferSize();
    writer_ = std::make_unique<SampleWriter>(setup_.format);
    deviceClock_.restart();
    // A little silence gets the stream going, so the sound server settles
    // on this stream's short latency before the first sound is asked for.
    wake();
    tick();
}

void SoundWorker::finish() {
    if (timer_)
        timer_->stop();
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        delete sink_;
        sink_ = nullptr;
        io_ = nullptr;
    }
}

void SoundWorker::closeDevice(const char* why) {
    log_.report(std::string("the sound device ") + why + "; the game plays on without sound");
    deviceOpen_.store(false, std::memory_order_release);
    QAudioSink* sink = sink_;
    sink_ = nullptr;
    io_ = nullptr;
    sink->disconnect(this);
    sink->stop();
    sink->deleteLater();
    pending_.clear();
    if (timer_)
        timer_->stop();
    wake();
}

std::shared_ptr<const EffectSound> SoundWorker::effect(const std::string& file) {
    auto it = effects_.find(file);
    if (it != effects_.end())
        return it->second;
    std::string error;
    std::optional<WaveSound> sound = WaveSound::load(file, error);
    if (!sound) {
        log_.report("sound effect \"" + file + "\" " + error + "; it is not played");
        return nullptr;
    }
    auto shared = std::make_shared<const EffectSound>(
        EffectSound::from(sound->sampleRate == rate_ ? *sound : sound->resampled(rate_)));
    effects_.emplace(file, shared);
    sound.reset();
    giveBackFreedMemory();
    return shared;
}

void SoundWorker::giveBackFreedMemory() {
    // Reading a file leaves its bytes and its decoded copies freed in the
    // middle of the heap, where the allocator keeps them resident for good.
    // This happens a few times in a game (a song's instruments when another
    // song takes over, each effect the first time it is heard), and handing
    // the freed pages back takes well under a millisecond.
    malloc_trim(0);
}

void SoundWorker::prepareSongs(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<std::shared_ptr<const MidiSong>> songs;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext != ".mid" || !it->is_regular_file(ec))
            continue;
        // A song that cannot be read is told when the game asks for it.
        std::string error;
        if (std::shared_ptr<const MidiSong> song = songs_.get(it->path().string(), error)) {
            mixer_->knowInstruments(*song);
            songs.push_back(std::move(song));
        }
    }
    // Each song's samples are loaded once and let go again, so that the
    // SoundFont's pages they come from are in memory when the song starts
    // and its start reads them in a few milliseconds, not from the disk.
    for (const std::shared_ptr<const MidiSong>& song : songs)
        mixer_->keepInstruments(*song);
    mixer_->letGoInstruments();
    giveBackFreedMemory();
}

void SoundWorker::takeCommands() {
    std::vector<Command> commands;
    {
        std::lock_guard<std::mutex> hold(commandsLock_);
        commands.swap(commands_);
    }
    // A new song's samples are read as it starts, in a few milliseconds;
    // the device is topped up first so that it does not run dry meanwhile.
    const bool newSong = std::any_of(commands.begin(), commands.end(), [](const Command& c) {
        return c.kind == Command::Kind::Start;
    });
    if (newSong && sink_ && timer_->isActive())
        tick();
    for (Command& c : commands)
        apply(c);
    afterRender();
    if (mixer_->busy() || !mixer_->silent() || !pending_.empty()) {
        wake();
        // What the device has room for goes out now, not a period later.
        if (sink_)
            tick();
    }
}

void SoundWorker::apply(Command& c) {
    switch (c.kind) {
    case Command::Kind::Prepare:
        prepareSongs(c.file);
        break;
    case Command::Kind::Start: {
        // Reading a song's samples is no top-up: it waits its turn behind
        // the game's own thread instead of holding a core ahead of it.
        {
            const OrdinaryPriority whileReading;
            mixer_->keepInstruments(*c.song);
        }
        mixer_->startSong(std::move(c.song), c.ms);
        songGeneration_ = c.generation;
        break;
    }
    case Command::Kind::Stop:
        mixer_->stopSong();
        songGeneration_ = c.generation;
        break;
    case Command::Kind::Clear:
        mixer_->clearSong();
        songGeneration_ = c.generation;
        break;
    case Command::Kind::Effect: {
        std::shared_ptr<const EffectSound> sound = effect(c.file);
        if (sound && sink_)
            pending_.push_back(
                {std::move(sound), c.ms, c.calledNs + std::int64_t(kEffectDelayMs) * 1000000});
        break;
    }
    }
}

void SoundWorker::wake() {
    if (!timer_)
        return;
    if (sink_) {
        silentFrames_ = 0;
        if (sink_->state() == QAudio::SuspendedState) {
            sink_->resume();
            deviceClock_.restart();
        }
        if (!timer_->isActive())
            timer_->start(kPeriodMs);
    } else if (!timer_->isActive() && mixer_->busy()) {
        clock_.start();
        clockFrames_ = 0;
        timer_->start(kClockTickMs);
    }
}

void SoundWorker::tick() {
    if (setup_.renderDelayMs > 0)
        QThread::msleep(static_cast<unsigned long>(setup_.renderDelayMs));
    if (sink_)
        writeToDevice();
    else
        followClock();
}

void SoundWorker::placeEffects(int frames) {
    std::erase_if(pending_, [&](PendingEffect& p) {
        // The device takes the effect's first frame when it is due.
        const std::int64_t offset = deviceClock_.takenAt(p.dueNs) - framesWritten_;
        if (offset >= frames)
            return false;
        mixer_->playEffect(std::move(p.sound), p.startMs, std::max<std::int64_t>(offset, 0));
        return true;
    });
}

void SoundWorker::writeToDevice() {
    const int frameBytes = setup_.format.bytesPerFrame();
    const qsizetype free = sink_->bytesFree();
    const int frames = frameBytes > 0 ? static_cast<int>(free / frameBytes) : 0;
    if (frames <= 0)
        return;
    // What the device still holds plays before this write.
    const std::int64_t queued = std::max<qsizetype>(bufferBytes_ - free, 0) / frameBytes;
    deviceClock_.observe(nowNs(), framesWritten_ - queued);
    placeEffects(frames);

    mix_.resize(2 * static_cast<std::size_t>(frames));
    bytes_.resize(static_cast<std::size_t>(frames) * frameBytes);
    mixer_->render(mix_.data(), frames);
    synthCpuNs_.store(mixer_->synthCpuNs(), std::memory_order_relaxed);
    synthFrames_.store(mixer_->synthFramesRendered(), std::memory_order_relaxed);
    writer_->write(mix_.data(), frames, bytes_.data());
    const qint64 written = io_->write(bytes_.data(), static_cast<qint64>(bytes_.size()));
    framesWritten_ += std::max<qint64>(written, 0) / frameBytes;
    afterRender();

    // Once the device has held nothing but silence for a while there is
    // nothing to render: the timer stops and the stream is corked until the
    // next sound, which refills it at once.
    if (mixer_->silent() && !mixer_->busy() && pending_.empty())
        silentFrames_ += frames;
    else
        silentFrames_ = 0;
    const std::int64_t idle = std::int64_t(kKeepRunningMs) * rate_ / 1000;
    if (sink_ && silentFrames_ >= idle) {
        timer_->stop();
        // A corked stream costs no wake-ups at all, here or in Qt.
        sink_->suspend();
    }
}

void SoundWorker::followClock() {
    pending_.clear();
    const std::int64_t due = clock_.nsecsElapsed() * rate_ / 1000000000;
    if (due > clockFrames_) {
        mixer_->skip(due - clockFrames_);
        clockFrames_ = due;
    }
    afterRender();
    if (!mixer_->busy())
        timer_->stop();
}

void SoundWorker::afterRender() {
    if (mixer_->takeInstrumentsLetGo())
        giveBackFreedMemory();
    progress_.store(pack(songGeneration_, mixer_->songFrames()), std::memory_order_release);
    if (mixer_->takeSongEnded() && songEnded_)
        songEnded_(songGeneration_);
}

} // namespace lilyhops
