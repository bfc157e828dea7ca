#pragma once

// The game's one sound source: a FluidSynth synthesizer playing a song event
// by event, with the effects added on top. Whoever owns the audio output pulls
// samples with render(); the song's clock is the samples taken out, so the
// position is exact whether the samples reach a loudspeaker or are thrown away.
//
// The synthesizer renders the music ahead of what is taken, a whole block at
// a time: one long render finds FluidSynth's voices, tables and reverb in the
// processor's caches, where a render every few milliseconds would find them
// pushed out by everything that ran in between, and pay for it. Effects are
// added as the samples are taken, so they keep their place to the sample.
//
// The music never jumps: stopping it, or putting another song in its place,
// fades what is already rendered down to silence over kFadeMs as it is taken,
// and every song comes up from silence over the same time, so no change is
// heard as a click.
//
// Not thread-safe: the owner serialises all calls.

#include "audio/real/EffectSound.h"
#include "audio/real/InstrumentKeys.h"
#include "audio/real/MidiSong.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
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
    // those instruments (bank, program), and in them what sounds on the keys
    // given, are read from it, which saves most of the memory a full General
    // MIDI SoundFont takes.
    bool loadSoundFont(const std::string& path, const InstrumentKeys& only = {});
    bool hasSoundFont() const { return soundFontId_ >= 0; }
    // The SoundFont FluidSynth itself was built to use, or "".
    std::string libraryDefaultSoundFont() const;
    // Makes sure the instruments and keys `song` plays are in what was read
    // of the SoundFont (those left out by `only` are read now), without
    // loading their samples yet.
    void knowInstruments(const MidiSong& song);
    // Loads the samples of the instruments `song` plays and keeps them, so
    // that no change of instrument in it waits for the SoundFont; every other
    // song's samples are let go once nothing plays them. A song's samples take
    // 2 to 7 MB and are read in a few milliseconds, so only the song that
    // plays keeps its own.
    void keepInstruments(const MidiSong& song);
    // Lets go of every song's samples, as when no song plays.
    void letGoInstruments();
    // True once after samples that no song keeps any more were let go.
    bool takeInstrumentsLetGo();

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
    // Frames of the song taken out since it began.
    std::int64_t songFrames() const { return songFrames_; }
    // True once after a playing song has reached its end.
    bool takeSongEnded();

    // Plays a sound once from `startMs` into it, `delayFrames` into the next
    // render. The sound must be at this mixer's sample rate. The oldest voice
    // makes room when all are busy.
    void playEffect(std::shared_ptr<const EffectSound> sound, double startMs,
                    std::int64_t delayFrames = 0);
    int effectsSounding() const { return static_cast<int>(effects_.size()); }

    // Whether the song clock runs or an effect sounds.
    bool busy() const { return playing_ || !effects_.empty(); }
    // Whether render() would give nothing but zeros until the next command.
    bool silent() const { return synthState_ == SynthState::Off && effects_.empty(); }

    // Fills `frames` interleaved stereo frames and moves the song on by as
    // much. The result may exceed full scale a little; the output limits it.
    void render(float* stereo, int frames);
    // CPU time this thread has spent inside FluidSynth rendering, and the
    // frames it rendered, for benchmarks.
    std::int64_t synthCpuNs() const { return synthCpuNs_; }
    std::int64_t synthFramesRendered() const { return synthFramesRendered_; }
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
    // The music is rendered this many frames at a time (93 ms at 44.1 kHz).
    // Rendered in pieces of 1024 frames, paced like the output, it cost a
    // quarter more processor time than the same song rendered back to back;
    // in pieces of 4096 still a tenth to a fifth more, from the caches and
    // clock speed a thread that has slept wakes to, and in pieces of 16384
    // no less than that.
    static constexpr int kMusicBlock = 4096;
    static_assert(kMusicBlock % kSynthBlock == 0, "the music is rendered in whole blocks");
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
        std::shared_ptr<const EffectSound> sound;
        std::size_t frame;
        std::int64_t delay;
    };

    void noteWhatIsIn(int fontId, const InstrumentKeys& asked);
    void send(const MidiEvent& e);
    void sendDue(std::int64_t untilFrame);
    std::int64_t frameOf(double ms) const;
    std::int64_t nextEventFrame() const;
    void beginSong();
    void endOfFeed();
    void cut();
    void endCut();
    void silenceSynth();
    void noteReset();
    void knowKeys(const InstrumentKeys& used);
    void keepOnly(InstrumentKeys used);
    void renderAhead();
    int renderSynth(float* stereo, int frames);
    void mixEffects(float* stereo, int frames);

    int sampleRate_;
    int fadeFrames_;
    std::int64_t drainFrames_; // a whole number of FluidSynth's blocks
    struct _fluid_hashtable_t* settings_ = nullptr;
    struct _fluid_synth_t* synth_ = nullptr;
    int soundFontId_ = -1;
    std::string soundFontPath_;
    // The instruments (bank, program) read from the SoundFont, each with the
    // id FluidSynth gave the part it is in (-1: the SoundFont lacks it) and
    // the keys read; empty when all of it was read.
    struct Source {
        int fontId;
        std::bitset<128> keys;
    };
    std::map<std::pair<int, int>, Source> available_;
    // The instruments kept loaded, with the part they were kept from.
    std::map<std::pair<int, int>, int> pinned_;
    bool letGo_ = false;        // instruments were let go since the last reset
    bool letGoneFreed_ = false; // and a reset has freed their samples

    // The song as it is heard: its clock runs through what is taken out.
    std::shared_ptr<const MidiSong> song_;
    double startMs_ = 0;
    std::int64_t songFrames_ = 0; // taken out since the song began
    std::int64_t endFrame_ = 0;
    bool playing_ = false;
    bool waitingForFade_ = false; // the song begins once the old one is silent
    bool ended_ = false;

    // The song as the synthesizer plays it, up to a block ahead.
    bool feeding_ = false;         // its events are still being sent
    std::size_t next_ = 0;         // next event to send
    std::int64_t synthFrames_ = 0; // rendered since the song began
    SynthState synthState_ = SynthState::Off;
    float gain_ = 0.0f; // level the synthesizer is played at, 0..1
    std::int64_t tailFrames_ = 0;
    std::int64_t drainLeft_ = 0; // left to render unheard

    // Rendered and not yet taken out.
    std::vector<float> ahead_;
    int aheadAt_ = 0;
    int aheadLeft_ = 0;
    bool aheadIsSong_ = false; // it belongs to the song whose clock runs
    bool songBegun_ = false;   // the synthesizer plays the current song
    // A stop or a change of song fades out what is already rendered.
    bool cutting_ = false;
    int cutLeft_ = 0; // frames of the fade still to come

    std::int64_t synthCpuNs_ = 0;
    std::int64_t synthFramesRendered_ = 0;

    std::vector<Voice> effects_;
};

} // namespace lilyhops
