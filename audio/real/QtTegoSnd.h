#pragma once

// The game's sound control on Qt and FluidSynth.
//
// Songs (Standard MIDI Files) are played by FluidSynth with a General MIDI
// SoundFont and effects (wave files) are mixed on top; both go out through one
// Qt audio output. All of that happens on the control's own audio thread:
// the calls below only hand it commands and read the song's clock, so none of
// them waits for the synthesizer. A song's position is the samples rendered
// for it; StopMusic freezes it where the call found it, even though the music
// takes a few milliseconds to fade out. A song started while another sounds
// begins once that one has faded and its reverb has emptied (a third of a
// second); its position stays at the start until then. Positions and lengths
// are milliseconds.
//
// The songs in the program's folder are read when the control is made, and
// only their instruments, and in those only what sounds on the keys they
// strike, are taken from the SoundFont, all kept loaded; a song from
// elsewhere has what it needs more read when it first starts.
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
#include "audio/real/InstrumentKeys.h"
#include "audio/real/ProblemLog.h"
#include "audio/real/SongCache.h"

#include <QObject>
#include <QThread>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lilyhops {

class MidiSong;
class SoundMixer;
class SoundWorker;

class QtTegoSnd : public QObject, public TegoSnd {
    Q_OBJECT

  public:
    struct Options {
        // False keeps the sound device closed: everything plays silently.
        bool useSoundDevice = true;
        // When set, the SoundFonts tried, in order, instead of the usual search.
        std::optional<std::vector<std::string>> soundFonts;
        // Extra milliseconds the audio thread spends on every render: lets a
        // test show that no call waits for a busy audio thread.
        int renderDelayMs = 0;
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
    // Whether the sound reaches a device or only keeps time.
    bool hasSoundDevice() const;
    // CPU seconds the audio thread has spent inside FluidSynth rendering the
    // music (taken around each block it renders; adding the effects costs
    // next to nothing and is not counted), the seconds of music rendered in
    // them, and the times the device ran dry while there was sound to play,
    // for benchmarks.
    double mixerCpuSeconds() const;
    double synthSecondsRendered() const;
    int deviceUnderruns() const;

    // Where a SoundFont is looked for, in order: any *.sf2 in the program's
    // folder (by name), FluidSynth's own default, then the usual Debian places.
    static std::vector<std::string> soundFontSearch(const std::string& programFolder,
                                                    const std::string& libraryDefault);

  private:
    InstrumentKeys keysOfSongsBeside();
    void findSoundFont(const Options& options, SoundMixer& mixer,
                       const InstrumentKeys& instruments);
    std::shared_ptr<const MidiSong> song(const std::string& file);
    std::int64_t framesPlayed() const;
    void songEnded(std::uint32_t generation);

    std::string programFolder_;
    std::string soundFont_;
    ProblemLog log_;
    SongCache songs_;
    int sampleRate_ = 0;

    QThread thread_;
    SoundWorker* worker_ = nullptr; // lives on thread_

    // The song as the game sees it. The generation counts PlayMusic and
    // StopMusic calls, so a song's end is told only while it is current.
    std::shared_ptr<const MidiSong> song_;
    double startMs_ = 0;
    std::int64_t endFrame_ = 0;
    bool running_ = false;
    std::int32_t stoppedAt_ = 0;
    std::uint32_t generation_ = 0;
    std::uint32_t told_ = 0;
};

} // namespace lilyhops
