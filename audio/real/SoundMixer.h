#pragma once

// The game's one sound source: a FluidSynth synthesizer playing a song event
// by event, with the effects added on top. Whoever owns the audio output pulls
// samples with render(); the song's clock is the samples rendered, so the
// position is exact whether the samples reach a loudspeaker or are thrown away.
//
// The music never jumps: stopping it, or putting another song in its place,
// first brings the synthesizer down to silence over kFadeMs, and every song
// comes up from silence over the same time, so no change is heard as a click.
//
// Not thread-safe: the owner serialises all calls.

#include "audio/real/MidiSong.h"
#include "audio/real/WaveSound.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
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

    // Without a SoundFont songs still keep time, silently. With `only`, just
    // those instruments (bank, program) are read from it, which saves most of
    // the memory a full General MIDI SoundFont takes.
    bool loadSoundFont(const std::string& path, const std::set<std::pair<int, int>>& only = {});
    bool hasSoundFont() const { return soundFontId_ >= 0; }
    // The SoundFont FluidSynth itself was built to use, or "".
    std::string libraryDefaultSoundFont() const;
    // Loads the instruments `song` plays and keeps them loaded, so that no
    // start of a song, nor any change of instrument in one, waits for the
    // SoundFont to be read. Instruments left out by `only` when the
    // SoundFont was loaded are read from it now.
    void keepInstruments(const MidiSong& song);
    // The instruments (bank, program) a song plays notes with.
    static std::set<std::pair<int, int>> instrumentsOf(const MidiSong& song);

    // Plays `song` from `startMs` (clamped to the song) to its end; the
    // controllers and programs set before `startMs` are set again so the song
    // sounds the same after a jump. Whatever sounded before fades out first,
    // and the song's clock starts only once it has.
    void startSong(std::shared_ptr<const MidiSong> song, double startMs);
    // Fades the song out; its position stays where it stopped.
    void stopSong();
    // Fades the song out and forgets it: no length, no position.
    void clearSong();

    bool songPlaying() const { return playing_; }
    double songPositionMs() const;
    double songLengthMs() const { return song_ ? song_->lengthMs() : 0.0; }
    // Frames the song has played since startSong.
    std::int64_t songFrames() const { return songFrames_; }
    // True once after a playing song has reached its end.
    bool takeSongEnded();

    // Plays a sound once from `startMs` into it, `delayFrames` into the next
    // render. The sound must be at this mixer's sample rate. The oldest voice
    // makes room when all are busy.
    void playEffect(std::shared_ptr<const WaveSound> sound, double startMs,
                    std::int64_t delayFrames = 0);
    int effectsSounding() const { return static_cast<int>(effects_.size()); }

    // Whether the song clock runs or an effect sounds.
    bool busy() const { return playing_ || !effects_.empty(); }
    // Whether render() would give nothing but zeros until the next command.
    bool silent() const { return synthState_ == SynthState::Off && effects_.empty(); }

    // Fills `frames` interleaved stereo frames and moves the song on by as
    // much. The result may exceed full scale a little; the output limits it.
    void render(float* stereo, int frames);
    // Moves the song on by `frames` without making a sound, for when there is
    // nothing to play to: effects and the synthesizer's voices are dropped.
    void skip(std::int64_t frames);

    // Frames from `startMs` to the end of a song `lengthMs` long: the song has
    // ended once its clock has run this far.
    static std::int64_t framesToEnd(double lengthMs, double startMs, int sampleRate);

    static constexpr int kMaxEffects = 8;
    // FluidSynth works in blocks of 64 frames and applies a MIDI event at the
    // start of the next one, so the song is fed and rendered block by block.
    static constexpr int kSynthBlock = 64;
    static constexpr double kFadeMs = 15.0;
    // How long the synthesizer goes on after a song's last note, for the
    // notes' release and the reverb to die away.
    static constexpr double kTailMs = 2500.0;
    // FluidSynth's reset leaves the reverb ringing; once the music has faded
    // out, the synthesizer runs this long unheard so the next song starts
    // from a quiet reverb (-40 dB by then) instead of with a burst of it.
    static constexpr double kDrainMs = 300.0;

  private:
    enum class SynthState {
        Off,       // silent: not rendered at all
        Sounding,  // rendered, coming up to or at full level
        Tail,      // the song has ended; its last notes ring out
        FadingOut, // coming down to silence, then Draining
        Draining,  // silent, rendered unheard while the reverb empties
    };

    struct Voice {
        std::shared_ptr<const WaveSound> sound;
        std::size_t frame;
        std::int64_t delay;
    };

    void send(const MidiEvent& e);
    void sendDue(std::int64_t untilFrame);
    std::int64_t frameOf(double ms) const;
    void finishIfEnded();
    void beginSong();
    void fadeOut();
    void silenceSynth();
    void renderSynth(float* stereo, int frames);
    void mixEffects(float* stereo, int frames);

    int sampleRate_;
    int fadeFrames_;
    struct _fluid_hashtable_t* settings_ = nullptr;
    struct _fluid_synth_t* synth_ = nullptr;
    int soundFontId_ = -1;
    std::string soundFontPath_;
    // The instruments (bank, program) read from the SoundFont, each with the
    // id FluidSynth gave the part it is in; empty when all of it was read.
    std::map<std::pair<int, int>, int> available_;
    std::set<std::pair<int, int>> kept_;

    std::shared_ptr<const MidiSong> song_;
    double startMs_ = 0;
    std::int64_t songFrames_ = 0; // rendered since the song began
    std::int64_t endFrame_ = 0;
    std::size_t next_ = 0; // next event to send
    bool playing_ = false;
    bool waitingForFade_ = false; // the song begins once the old one is silent
    bool ended_ = false;

    SynthState synthState_ = SynthState::Off;
    float gain_ = 0.0f;  // level the synthesizer is played at, 0..1
    int synthPhase_ = 0; // frames taken from FluidSynth's current block
    std::int64_t tailFrames_ = 0;
    std::int64_t drainFrames_ = 0; // left to render unheard

    std::vector<Voice> effects_;
};

} // namespace lilyhops
