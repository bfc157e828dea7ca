#pragma once

// The game's sound control on Qt and FluidSynth.
//
// Songs (Standard MIDI Files) are played by FluidSynth with a General MIDI
// SoundFont and effects (wave files) are mixed on top; both go out through one
// Qt audio output that pulls its samples from the mixer, so a song's position
// is the samples rendered for it. Positions and lengths are milliseconds.
//
// Nothing here stops the game. Each problem (no sound device, no SoundFont, a
// missing or broken file) is told once on standard error, naming the file,
// and the game plays on without that sound:
// - without a sound device, or without a SoundFont, songs still play
//   silently: the position runs with the clock and PlaybackNotify comes at
//   the end as usual;
// - a song whose file cannot be read has no length: PlayMusic stops the old
//   song, and then IsPlaying is false, TrackLength and TrackPosition are 0,
//   and no PlaybackNotify follows;
// - an effect whose file cannot be read is not played.
// The third argument of PlayEffect and PlayMusic is not used; the second of
// PlayEffect is where in the sound to start, in milliseconds.

#include "audio/TegoSnd.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
class QAudioSink;
QT_END_NAMESPACE

namespace lilyhops {

class SoundMixer;
struct WaveSound;
class MixerOutput;

class QtTegoSnd : public QObject, public TegoSnd {
    Q_OBJECT

  public:
    struct Options {
        // False keeps the sound device closed: everything plays silently.
        bool useSoundDevice = true;
        // When set, the SoundFonts tried, in order, instead of the usual search.
        std::optional<std::vector<std::string>> soundFonts;
    };

    explicit QtTegoSnd(const std::string& programFolder, QObject* parent = nullptr);
    QtTegoSnd(const std::string& programFolder, const Options& options, QObject* parent = nullptr);
    ~QtTegoSnd() override;

    void PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void StopMusic() override;
    std::int32_t TrackLength() override;
    std::int32_t TrackPosition() override;
    bool IsPlaying() override;

    // The SoundFont songs are played with, or "" when there is none.
    const std::string& soundFont() const { return soundFont_; }
    // Whether the sound reaches a device or is rendered and thrown away.
    bool hasSoundDevice() const { return sink_ != nullptr; }

    // Where a SoundFont is looked for, in order: any *.sf2 in the program's
    // folder (by name), FluidSynth's own default, then the usual Debian places.
    static std::vector<std::string> soundFontSearch(const std::string& programFolder,
                                                    const std::string& libraryDefault);

  private:
    void openDevice();
    void closeDevice(const char* why);
    void findSoundFont(const Options& options);
    void keepRendering();
    void renderOffline();
    void render(float* stereo, int frames);
    void report(const std::string& line);
    std::shared_ptr<const WaveSound> effect(const std::string& file);

    std::string programFolder_;
    std::string soundFont_;
    std::set<std::string> reported_;
    std::map<std::string, std::shared_ptr<const WaveSound>> effects_;

    // The mixer is shared with the audio output, which may pull from another
    // thread; every use of it holds the lock.
    std::mutex lock_;
    std::unique_ptr<SoundMixer> mixer_;
    std::uint64_t generation_ = 0; // counts PlayMusic and StopMusic calls

    std::unique_ptr<MixerOutput> output_;
    QAudioSink* sink_ = nullptr;

    // Without a device the mixer is rendered on a timer at the clock's pace.
    QTimer offlineTimer_;
    QElapsedTimer offlineClock_;
    std::int64_t offlineFrames_ = 0;
    std::vector<float> scratch_;
};

} // namespace lilyhops
