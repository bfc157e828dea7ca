#include "audio/real/QtTegoSnd.h"

#include "audio/real/MidiSong.h"
#include "audio/real/SoundMixer.h"
#include "audio/real/WaveSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

namespace lilyhops {

namespace {

constexpr int kOfflineRate = 44100;
constexpr int kOfflineTickMs = 20;
// Qt's PulseAudio output stops pulling for good when its buffer is smaller
// than one of its own reads (16 KiB); 100 ms stays clear of that and still
// plays an effect without a noticeable delay.
constexpr int kDeviceBufferMs = 100;
constexpr int kLargestChunk = 4096;

std::int32_t toMs(double ms) {
    const double limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(ms, 0.0, limit));
}

} // namespace

// The audio output's source: pulls stereo floats from the mixer and writes
// them in whatever sample format and channel count the device wants.
class MixerOutput : public QIODevice {
  public:
    MixerOutput(const QAudioFormat& format, std::function<void(float*, int)> source)
        : format_(format), source_(std::move(source)) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return QIODevice::bytesAvailable() + format_.bytesForDuration(1000000);
    }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const int frameBytes = format_.bytesPerFrame();
        if (frameBytes <= 0)
            return 0;
        const qint64 frames = maxSize / frameBytes;
        qint64 done = 0;
        while (done < frames) {
            const int chunk = static_cast<int>(std::min<qint64>(frames - done, kLargestChunk));
            buffer_.resize(2 * static_cast<std::size_t>(chunk));
            source_(buffer_.data(), chunk);
            write(data + done * frameBytes, chunk);
            done += chunk;
        }
        return done * frameBytes;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    // An effect landing on a loud chord could pass full scale: above the
    // knee the peaks are bent down smoothly instead of cut off.
    static float limit(float v) {
        constexpr float knee = 0.8f;
        const float a = std::fabs(v);
        if (a <= knee)
            return v;
        const float bent = knee + (1.0f - knee) * std::tanh((a - knee) / (1.0f - knee));
        return std::copysign(bent, v);
    }

    void write(char* out, int frames) const {
        const int channels = format_.channelCount();
        const int sampleBytes = format_.bytesPerSample();
        for (int f = 0; f < frames; ++f) {
            const float left = limit(buffer_[2 * f]);
            const float right = limit(buffer_[2 * f + 1]);
            for (int c = 0; c < channels; ++c) {
                float v = channels == 1 ? 0.5f * (left + right)
                          : c == 0      ? left
                          : c == 1      ? right
                                        : 0;
                char* at = out + (static_cast<qint64>(f) * channels + c) * sampleBytes;
                switch (format_.sampleFormat()) {
                case QAudioFormat::UInt8: {
                    const auto s = static_cast<std::uint8_t>(std::lround(v * 127.0f) + 128);
                    std::memcpy(at, &s, 1);
                    break;
                }
                case QAudioFormat::Int32: {
                    const auto s = static_cast<std::int32_t>(std::lround(v * 2147483520.0));
                    std::memcpy(at, &s, 4);
                    break;
                }
                case QAudioFormat::Float:
                    std::memcpy(at, &v, 4);
                    break;
                default: {
                    const auto s = static_cast<std::int16_t>(std::lround(v * 32767.0f));
                    std::memcpy(at, &s, 2);
                    break;
                }
                }
            }
        }
    }

    QAudioFormat format_;
    std::function<void(float*, int)> source_;
    std::vector<float> buffer_;
};

QtTegoSnd::QtTegoSnd(const std::string& programFolder, QObject* parent)
    : QtTegoSnd(programFolder, Options{}, parent) {}

QtTegoSnd::QtTegoSnd(const std::string& programFolder, const Options& options, QObject* parent)
    : QObject(parent), programFolder_(programFolder) {
    offlineTimer_.setInterval(kOfflineTickMs);
    offlineTimer_.setTimerType(Qt::PreciseTimer);
    connect(&offlineTimer_, &QTimer::timeout, this, &QtTegoSnd::renderOffline);

    QAudioDevice device;
    QAudioFormat format;
    if (options.useSoundDevice) {
        device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            report("no sound device found; the game plays on without sound");
        } else {
            format.setSampleRate(kOfflineRate);
            format.setChannelCount(2);
            format.setSampleFormat(QAudioFormat::Int16);
            if (!device.isFormatSupported(format)) {
                format = device.preferredFormat();
                if (format.sampleFormat() == QAudioFormat::Unknown)
                    format.setSampleFormat(QAudioFormat::Int16);
            }
        }
    }
    const bool haveDevice = !device.isNull() && format.isValid();
    mixer_ = std::make_unique<SoundMixer>(haveDevice ? format.sampleRate() : kOfflineRate);
    findSoundFont(options);

    if (haveDevice) {
        output_ = std::make_unique<MixerOutput>(
            format, [this](float* stereo, int frames) { render(stereo, frames); });
        output_->open(QIODevice::ReadOnly);
        sink_ = new QAudioSink(device, format, this);
        sink_->setBufferSize(format.bytesForDuration(kDeviceBufferMs * 1000));
        connect(sink_, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
            if (sink_ && state == QAudio::StoppedState && sink_->error() != QAudio::NoError)
                closeDevice("stopped working");
        });
        sink_->start(output_.get());
        if (sink_ && (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState))
            closeDevice("cannot be opened");
    }
}

QtTegoSnd::~QtTegoSnd() {
    offlineTimer_.stop();
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        delete sink_;
        sink_ = nullptr;
    }
}

void QtTegoSnd::closeDevice(const char* why) {
    report(std::string("the sound device ") + why + "; the game plays on without sound");
    QAudioSink* sink = sink_;
    sink_ = nullptr;
    sink->disconnect(this);
    sink->stop();
    sink->deleteLater();
    offlineClock_.invalidate();
    keepRendering();
}

std::vector<std::string> QtTegoSnd::soundFontSearch(const std::string& programFolder,
                                                    const std::string& libraryDefault) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(programFolder.empty() ? "." : programFolder, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext == ".sf2" && it->is_regular_file(ec))
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    for (const std::string& p :
         {libraryDefault, std::string("/usr/share/sounds/sf2/default-GM.sf2"),
          std::string("/usr/share/soundfonts/default.sf2")}) {
        if (!p.empty() && std::find(found.begin(), found.end(), p) == found.end())
            found.push_back(p);
    }
    return found;
}

void QtTegoSnd::findSoundFont(const Options& options) {
    const std::vector<std::string> candidates =
        options.soundFonts ? *options.soundFonts
                           : soundFontSearch(programFolder_, mixer_->libraryDefaultSoundFont());
    for (const std::string& path : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            continue;
        if (mixer_->loadSoundFont(path)) {
            soundFont_ = path;
            return;
        }
        report("SoundFont \"" + path + "\" cannot be loaded; it is skipped");
    }
    std::string looked;
    for (const std::string& path : candidates)
        looked += (looked.empty() ? "" : ", ") + path;
    report("no SoundFont found (looked for " + (looked.empty() ? "none" : looked) +
           "); songs keep time but play silently");
}

void QtTegoSnd::report(const std::string& line) {
    if (!reported_.insert(line).second)
        return;
    std::fprintf(stderr, "lilyhops: %s\n", line.c_str());
    std::fflush(stderr);
}

void QtTegoSnd::render(float* stereo, int frames) {
    std::lock_guard<std::mutex> hold(lock_);
    mixer_->render(stereo, frames);
    if (mixer_->takeSongEnded()) {
        // Told on this object's thread once the current handler has returned,
        // and only if no other song was started or stopped in between.
        const std::uint64_t generation = generation_;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                {
                    std::lock_guard<std::mutex> check(lock_);
                    if (generation != generation_)
                        return;
                }
                raisePlaybackNotify();
            },
            Qt::QueuedConnection);
    }
}

void QtTegoSnd::keepRendering() {
    if (sink_ || offlineTimer_.isActive())
        return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!mixer_->busy())
            return;
    }
    offlineClock_.start();
    offlineFrames_ = 0;
    offlineTimer_.start();
    renderOffline();
}

void QtTegoSnd::renderOffline() {
    if (sink_ || !offlineClock_.isValid() || !offlineTimer_.isActive())
        return;
    const int rate = mixer_->sampleRate();
    const std::int64_t due = offlineClock_.nsecsElapsed() * rate / 1000000000;
    // Catch up at most a second at a time, so a long stall of the event
    // loop does not become a long stall here.
    std::int64_t todo = std::min<std::int64_t>(due - offlineFrames_, rate);
    scratch_.resize(2 * kLargestChunk);
    while (todo > 0) {
        const int chunk = static_cast<int>(std::min<std::int64_t>(todo, kLargestChunk));
        render(scratch_.data(), chunk);
        offlineFrames_ += chunk;
        todo -= chunk;
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (!mixer_->busy())
        offlineTimer_.stop();
}

std::shared_ptr<const WaveSound> QtTegoSnd::effect(const std::string& file) {
    auto it = effects_.find(file);
    if (it != effects_.end())
        return it->second;
    std::string error;
    std::optional<WaveSound> sound = WaveSound::load(file, error);
    if (!sound) {
        report("sound effect \"" + file + "\" " + error + "; it is not played");
        return nullptr;
    }
    auto shared = std::make_shared<const WaveSound>(sound->resampled(mixer_->sampleRate()));
    effects_.emplace(file, shared);
    return shared;
}

void QtTegoSnd::PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) {
    (void)flags;
    std::shared_ptr<const WaveSound> sound = effect(file);
    if (!sound)
        return;
    renderOffline();
    {
        std::lock_guard<std::mutex> hold(lock_);
        mixer_->playEffect(std::move(sound), std::max<std::int32_t>(start, 0));
    }
    keepRendering();
}

void QtTegoSnd::PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) {
    (void)flags;
    std::string error;
    std::optional<MidiSong> loaded = MidiSong::load(file, error);
    std::shared_ptr<const MidiSong> song;
    if (loaded)
        song = std::make_shared<const MidiSong>(std::move(*loaded));
    else
        report("song \"" + file + "\" " + error + "; it is not played");

    renderOffline();
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++generation_;
        if (song)
            mixer_->startSong(std::move(song), std::max<std::int32_t>(start, 0));
        else
            mixer_->clearSong();
    }
    // A song started at its very end has ended already; the renderer tells.
    float none[2];
    render(none, 0);
    keepRendering();
}

void QtTegoSnd::StopMusic() {
    renderOffline();
    std::lock_guard<std::mutex> hold(lock_);
    ++generation_;
    mixer_->stopSong();
}

std::int32_t QtTegoSnd::TrackLength() {
    std::lock_guard<std::mutex> hold(lock_);
    return toMs(std::round(mixer_->songLengthMs()));
}

std::int32_t QtTegoSnd::TrackPosition() {
    renderOffline();
    std::lock_guard<std::mutex> hold(lock_);
    const std::int32_t length = toMs(std::round(mixer_->songLengthMs()));
    const double position = mixer_->songPositionMs();
    if (position >= mixer_->songLengthMs())
        return length;
    return std::min(toMs(std::floor(position)), length);
}

bool QtTegoSnd::IsPlaying() {
    renderOffline();
    std::lock_guard<std::mutex> hold(lock_);
    return mixer_->songPlaying();
}

} // namespace lilyhops
