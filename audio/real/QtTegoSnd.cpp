#include "audio/real/QtTegoSnd.h"

#include "audio/real/MidiSong.h"
#include "audio/real/SoundMixer.h"
#include "audio/real/SoundWorker.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMediaDevices>
#include <QMetaObject>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>

namespace lilyhops {

namespace {

constexpr int kPreferredRate = 44100;

std::int32_t toMs(double ms) {
    const double limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(ms, 0.0, limit));
}

} // namespace

QtTegoSnd::QtTegoSnd(const std::string& programFolder, QObject* parent)
    : QtTegoSnd(programFolder, Options{}, parent) {}

QtTegoSnd::QtTegoSnd(const std::string& programFolder, const Options& options, QObject* parent)
    : QObject(parent), programFolder_(programFolder) {
    SoundWorker::Setup setup;
    setup.renderDelayMs = options.renderDelayMs;
    if (options.useSoundDevice) {
        QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            log_.report("no sound device found; the game plays on without sound");
        } else {
            QAudioFormat format;
            format.setSampleRate(kPreferredRate);
            format.setChannelCount(2);
            format.setSampleFormat(QAudioFormat::Int16);
            if (!device.isFormatSupported(format)) {
                format = device.preferredFormat();
                if (format.sampleFormat() == QAudioFormat::Unknown)
                    format.setSampleFormat(QAudioFormat::Int16);
            }
            if (format.isValid()) {
                setup.device = device;
                setup.format = format;
            }
        }
    }
    sampleRate_ = setup.device.isNull() ? kPreferredRate : setup.format.sampleRate();

    // The SoundFont is read here, before the audio thread exists, so the
    // game knows at once which one plays; from then on only that thread
    // touches the synthesizer. The songs beside the game are read first:
    // only their instruments are taken from the SoundFont.
    auto mixer = std::make_unique<SoundMixer>(sampleRate_);
    findSoundFont(options, *mixer, keysOfSongsBeside());

    worker_ =
        new SoundWorker(std::move(mixer), setup, log_, songs_, [this](std::uint32_t generation) {
            QMetaObject::invokeMethod(
                this, [this, generation] { songEnded(generation); }, Qt::QueuedConnection);
        });
    worker_->moveToThread(&thread_);
    thread_.setObjectName("lilyhops sound");
    thread_.start(QThread::TimeCriticalPriority);
    QMetaObject::invokeMethod(worker_, &SoundWorker::begin, Qt::QueuedConnection);
    // The game's songs are read, and their instruments loaded, before the
    // first of them is asked for.
    SoundWorker::Command prepare;
    prepare.kind = SoundWorker::Command::Kind::Prepare;
    prepare.file = programFolder_.empty() ? "." : programFolder_;
    worker_->post(std::move(prepare));
}

QtTegoSnd::~QtTegoSnd() {
    QMetaObject::invokeMethod(worker_, &SoundWorker::finish, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete worker_;
}

bool QtTegoSnd::hasSoundDevice() const {
    return worker_->deviceOpen();
}

double QtTegoSnd::mixerCpuSeconds() const {
    return static_cast<double>(worker_->synthCpuNs()) / 1e9;
}

int QtTegoSnd::deviceUnderruns() const {
    return worker_->underruns();
}

double QtTegoSnd::synthSecondsRendered() const {
    return static_cast<double>(worker_->synthFrames()) / sampleRate_;
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

InstrumentKeys QtTegoSnd::keysOfSongsBeside() {
    // Only the instruments of the game's own songs, and only the keys they
    // strike, are read from the SoundFont; a song that cannot be read is told
    // when the game asks for it.
    namespace fs = std::filesystem;
    InstrumentKeys used;
    std::error_code ec;
    for (fs::directory_iterator it(programFolder_.empty() ? "." : programFolder_, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::string error;
        if (ext == ".mid" && it->is_regular_file(ec))
            if (std::shared_ptr<const MidiSong> song = songs_.get(it->path().string(), error))
                addKeys(used, keysPlayedIn(*song));
    }
    return used;
}

void QtTegoSnd::findSoundFont(const Options& options, SoundMixer& mixer,
                              const InstrumentKeys& instruments) {
    const std::vector<std::string> candidates =
        options.soundFonts ? *options.soundFonts
                           : soundFontSearch(programFolder_, mixer.libraryDefaultSoundFont());
    for (const std::string& path : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            continue;
        if (mixer.loadSoundFont(path, instruments)) {
            soundFont_ = path;
            return;
        }
        log_.report("SoundFont \"" + path + "\" cannot be loaded; it is skipped");
    }
    std::string looked;
    for (const std::string& path : candidates)
        looked += (looked.empty() ? "" : ", ") + path;
    log_.report("no SoundFont found (looked for " + (looked.empty() ? "none" : looked) +
                "); songs keep time but play silently");
}

std::shared_ptr<const MidiSong> QtTegoSnd::song(const std::string& file) {
    std::string error;
    std::shared_ptr<const MidiSong> song = songs_.get(file, error);
    if (!song)
        log_.report("song \"" + file + "\" " + error + "; it is not played");
    return song;
}

std::int64_t QtTegoSnd::framesPlayed() const {
    const std::uint64_t progress = worker_->progress();
    if (!SoundWorker::sameGeneration(progress, generation_))
        return 0; // the audio thread has not begun this song yet
    return std::min(SoundWorker::framesOf(progress), endFrame_);
}

void QtTegoSnd::songEnded(std::uint32_t generation) {
    // Only the end of the song that is still current is told, and only once.
    if (generation != generation_ || generation == told_ || !running_)
        return;
    told_ = generation;
    raisePlaybackNotify();
}

void QtTegoSnd::PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) {
    (void)flags;
    SoundWorker::Command c;
    c.kind = SoundWorker::Command::Kind::Effect;
    c.file = file;
    c.ms = std::max<std::int32_t>(start, 0);
    c.calledNs = SoundWorker::nowNs();
    worker_->post(std::move(c));
}

void QtTegoSnd::PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) {
    (void)flags;
    std::shared_ptr<const MidiSong> next = song(file);
    SoundWorker::Command c;
    c.generation = ++generation_;
    c.calledNs = SoundWorker::nowNs();
    if (!next) {
        song_.reset();
        running_ = false;
        stoppedAt_ = 0;
        startMs_ = 0;
        endFrame_ = 0;
        c.kind = SoundWorker::Command::Kind::Clear;
        worker_->post(std::move(c));
        return;
    }
    song_ = next;
    startMs_ = std::clamp<double>(start, 0.0, song_->lengthMs());
    endFrame_ = SoundMixer::framesToEnd(song_->lengthMs(), startMs_, sampleRate_);
    running_ = true;
    c.kind = SoundWorker::Command::Kind::Start;
    c.song = std::move(next);
    c.ms = startMs_;
    worker_->post(std::move(c));
    if (endFrame_ == 0) {
        // A song started at its very end has ended already; that is told
        // once this call has returned, like any other end.
        const std::uint32_t generation = generation_;
        QMetaObject::invokeMethod(
            this, [this, generation] { songEnded(generation); }, Qt::QueuedConnection);
    }
}

void QtTegoSnd::StopMusic() {
    if (running_)
        stoppedAt_ = TrackPosition();
    running_ = false;
    SoundWorker::Command c;
    c.kind = SoundWorker::Command::Kind::Stop;
    c.generation = ++generation_;
    c.calledNs = SoundWorker::nowNs();
    worker_->post(std::move(c));
}

std::int32_t QtTegoSnd::TrackLength() {
    return song_ ? toMs(std::round(song_->lengthMs())) : 0;
}

std::int32_t QtTegoSnd::TrackPosition() {
    if (!song_)
        return 0;
    if (!running_)
        return stoppedAt_;
    const std::int32_t length = TrackLength();
    const std::int64_t frames = framesPlayed();
    if (frames >= endFrame_)
        return length;
    const double position = startMs_ + 1000.0 * static_cast<double>(frames) / sampleRate_;
    return std::min(toMs(std::floor(position)), length);
}

bool QtTegoSnd::IsPlaying() {
    return song_ && running_ && framesPlayed() < endFrame_;
}

} // namespace lilyhops
