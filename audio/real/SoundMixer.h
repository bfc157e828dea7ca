#pragma once

// The game's one sound source: a FluidSynth synthesizer playing a song event
// by event, with the effects added on top. Whoever owns the audio output pulls
// samples with render(); the song's clock is the samples rendered, so the
// position is exact whether the samples reach a loudspeaker or are thrown away.
//
// Not thread-safe: the owner serialises all calls.

#include "audio/real/MidiSong.h"
#include "audio/real/WaveSound.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace lilyhops {

class SoundMixer {
  public:
    explicit SoundMixer(int sampleRate);
    ~SoundMixer();
    SoundMixer(const SoundMixer&) = delete;
    SoundMixer& operator=(const SoundMixer&) = delete;

    int sampleRate() const { return sampleRate_; }

    // Without a SoundFont songs still keep time, silently.
    bool loadSoundFont(const std::string& path);
    bool hasSoundFont() const { return soundFontId_ >= 0; }
    // The SoundFont FluidSynth itself was built to use, or "".
    std::string libraryDefaultSoundFont() const;

    // Silences the old song and plays `song` from `startMs` (clamped to the
    // song) to its end; the controllers and programs set before `startMs` are
    // set again so the song sounds the same after a jump.
    void startSong(std::shared_ptr<const MidiSong> song, double startMs);
    // Silences the song; its position stays where it stopped.
    void stopSong();
    // Forgets the song: no length, no position.
    void clearSong();

    bool songPlaying() const { return playing_; }
    double songPositionMs() const;
    double songLengthMs() const { return song_ ? song_->lengthMs() : 0.0; }
    // True once after a playing song has reached its end.
    bool takeSongEnded();

    // Plays a sound once from `startMs` into it. The sound must be at this
    // mixer's sample rate. The oldest voice makes room when all are busy.
    void playEffect(std::shared_ptr<const WaveSound> sound, double startMs);
    int effectsSounding() const { return static_cast<int>(effects_.size()); }

    // Whether render() has anything to do beyond the synthesizer's tails.
    bool busy() const { return playing_ || !effects_.empty(); }

    // Fills `frames` interleaved stereo frames and moves the song on by as
    // much. The result may exceed full scale a little; the output clamps.
    void render(float* stereo, int frames);

    static constexpr int kMaxEffects = 8;

  private:
    struct Voice {
        std::shared_ptr<const WaveSound> sound;
        std::size_t frame;
    };

    void send(const MidiEvent& e);
    void sendDue();
    std::int64_t frameOf(double ms) const;
    void finishIfEnded();
    void synthesize(float* stereo, int frames);

    int sampleRate_;
    struct _fluid_hashtable_t* settings_ = nullptr;
    struct _fluid_synth_t* synth_ = nullptr;
    int soundFontId_ = -1;

    std::shared_ptr<const MidiSong> song_;
    double startMs_ = 0;
    std::int64_t songFrames_ = 0; // rendered since startSong
    std::int64_t endFrame_ = 0;
    std::size_t next_ = 0; // next event to send
    bool playing_ = false;
    bool ended_ = false;

    std::vector<Voice> effects_;
};

} // namespace lilyhops
