#include "audio/real/SoundMixer.h"

#include "audio/real/SoundFontSubset.h"

#include <fluidsynth.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace lilyhops {

namespace {

// FluidSynth's own gain of 0.2 leaves songs far quieter than the effects;
// this brings a full General MIDI arrangement near the effects' loudness
// while its peaks stay below full scale.
constexpr double kSynthGain = 0.6;

constexpr int kBlock = SoundMixer::kSynthBlock;

// The game reports its own problems, one line each; FluidSynth's messages
// (one per note when no SoundFont is loaded) would drown them.
void quietLog(int, const char*, void*) {}

void silenceLibraryLog() {
    static const bool done = [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, quietLog, nullptr);
        return true;
    }();
    (void)done;
}

void quietGlibLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// A broken SoundFont makes the instrument library under FluidSynth complain
// through GLib ("CRITICAL **: ipatch_..."), past FluidSynth's own log. While
// a SoundFont is read those lines are dropped: the game says it in one line.
class QuietGlibWhileLoading {
  public:
    QuietGlibWhileLoading() {
        for (const char* domain : kDomains)
            ids_.push_back(
                g_log_set_handler(domain,
                                  static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL |
                                                              G_LOG_FLAG_RECURSION),
                                  quietGlibLog, nullptr));
    }
    ~QuietGlibWhileLoading() {
        for (std::size_t i = 0; i < ids_.size(); ++i)
            g_log_remove_handler(kDomains[i], ids_[i]);
    }
    QuietGlibWhileLoading(const QuietGlibWhileLoading&) = delete;
    QuietGlibWhileLoading& operator=(const QuietGlibWhileLoading&) = delete;

  private:
    static constexpr const char* kDomains[] = {nullptr, "libInstPatch", "GLib", "GLib-GObject"};
    std::vector<guint> ids_;
};

} // namespace

SoundMixer::SoundMixer(int sampleRate)
    : sampleRate_(sampleRate),
      fadeFrames_(std::max(1, static_cast<int>(std::lround(kFadeMs * sampleRate / 1000.0)))) {
    silenceLibraryLog();
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings_, "synth.gain", kSynthGain);
    fluid_settings_setint(settings_, "synth.polyphony", 256);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    // Only the audio thread ever touches the synthesizer.
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    // Only the instruments a song picks are read from the SoundFont, which
    // keeps start-up quick and the memory small with a large General MIDI font.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    synth_ = new_fluid_synth(settings_);
}

SoundMixer::~SoundMixer() {
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

std::string SoundMixer::libraryDefaultSoundFont() const {
    char path[4096] = {};
    if (fluid_settings_copystr(settings_, "synth.default-soundfont", path, sizeof path) != FLUID_OK)
        return {};
    return path;
}

bool SoundMixer::loadSoundFont(const std::string& path, const std::set<std::pair<int, int>>& only) {
    // Only what looks like a SoundFont (or a DLS bank) reaches FluidSynth,
    // whose fallback loaders complain loudly about anything else.
    char head[12] = {};
    std::ifstream in(path, std::ios::binary);
    if (!synth_ || !in.read(head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        (std::memcmp(head + 8, "sfbk", 4) != 0 && std::memcmp(head + 8, "DLS ", 4) != 0))
        return false;
    int id = FLUID_FAILED;
    {
        QuietGlibWhileLoading quiet;
        std::string error;
        std::optional<SoundFontSubset> subset;
        if (!only.empty() && std::memcmp(head + 8, "sfbk", 4) == 0)
            subset = SoundFontSubset::make(path, only, error);
        available_.clear();
        if (subset && subset->presetCount() > 0) {
            const int subsetId = subset->loadInto(synth_);
            id = subsetId < 0 ? FLUID_FAILED : subsetId;
            for (const auto& instrument : only)
                available_[instrument] = id;
        } else {
            id = fluid_synth_sfload(synth_, path.c_str(), 1);
        }
    }
    if (id == FLUID_FAILED)
        return false;
    if (soundFontId_ >= 0)
        fluid_synth_sfunload(synth_, soundFontId_, 1);
    soundFontId_ = id;
    soundFontPath_ = path;
    kept_.clear();
    fluid_synth_system_reset(synth_);
    return true;
}

std::set<std::pair<int, int>> SoundMixer::instrumentsOf(const MidiSong& song) {
    constexpr int kDrums = 9;
    int bank[16] = {};
    int program[16] = {};
    bank[kDrums] = 128; // FluidSynth's bank of drum kits
    std::set<std::pair<int, int>> used;
    for (const MidiEvent& e : song.events()) {
        const int ch = e.channel();
        if (e.kind() == 0xB0 && e.data1 == 0 && ch != kDrums)
            bank[ch] = e.data2;
        else if (e.kind() == 0xC0)
            program[ch] = e.data1;
        else if (e.isNoteOn())
            used.insert({bank[ch], program[ch]});
    }
    return used;
}

void SoundMixer::keepInstruments(const MidiSong& song) {
    if (!hasSoundFont())
        return;
    const std::set<std::pair<int, int>> used = instrumentsOf(song);
    if (!available_.empty()) {
        std::set<std::pair<int, int>> missing;
        for (const auto& instrument : used)
            if (!available_.count(instrument))
                missing.insert(instrument);
        std::string error;
        std::optional<SoundFontSubset> more;
        if (!missing.empty())
            more = SoundFontSubset::make(soundFontPath_, missing, error);
        if (more && more->presetCount() > 0) {
            // Loaded on top, without disturbing what the channels play now.
            QuietGlibWhileLoading quiet;
            const int id = more->loadInto(synth_, false);
            for (const auto& instrument : missing)
                available_[instrument] = id;
        }
    }
    for (const auto& instrument : used) {
        if (!kept_.insert(instrument).second)
            continue;
        auto it = available_.find(instrument);
        const int id = it != available_.end() ? it->second : soundFontId_;
        if (id >= 0)
            fluid_synth_pin_preset(synth_, id, instrument.first, instrument.second);
    }
}

std::int64_t SoundMixer::framesToEnd(double lengthMs, double startMs, int sampleRate) {
    const double from = std::clamp(startMs, 0.0, std::max(lengthMs, 0.0));
    return std::max<std::int64_t>(
        0, static_cast<std::int64_t>(std::ceil((lengthMs - from) * sampleRate / 1000.0 - 1e-6)));
}

std::int64_t SoundMixer::frameOf(double ms) const {
    return static_cast<std::int64_t>(std::ceil((ms - startMs_) * sampleRate_ / 1000.0 - 1e-6));
}

void SoundMixer::send(const MidiEvent& e) {
    const int ch = e.channel();
    switch (e.kind()) {
    case 0x80:
        fluid_synth_noteoff(synth_, ch, e.data1);
        break;
    case 0x90:
        if (e.data2 == 0)
            fluid_synth_noteoff(synth_, ch, e.data1);
        else
            fluid_synth_noteon(synth_, ch, e.data1, e.data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth_, ch, e.data1, e.data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth_, ch, e.data1, e.data2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth_, ch, e.data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth_, ch, e.data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth_, ch, e.data1 | (e.data2 << 7));
        break;
    case 0xF0: {
        const std::vector<std::uint8_t>& data = song_->sysexData(e.sysex);
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(data.data()),
                          static_cast<int>(data.size()), nullptr, nullptr, nullptr, 0);
        break;
    }
    default:
        break;
    }
}

void SoundMixer::startSong(std::shared_ptr<const MidiSong> song, double startMs) {
    clearSong();
    if (!song)
        return;
    song_ = std::move(song);
    startMs_ = std::clamp(startMs, 0.0, song_->lengthMs());
    endFrame_ = framesToEnd(song_->lengthMs(), startMs_, sampleRate_);
    playing_ = true;
    if (synthState_ == SynthState::Off) {
        beginSong();
    } else {
        waitingForFade_ = true;
        fadeOut();
    }
}

void SoundMixer::beginSong() {
    waitingForFade_ = false;
    const std::vector<MidiEvent>& events = song_->events();
    if (hasSoundFont()) {
        fluid_synth_system_reset(synth_);
        synthState_ = SynthState::Sounding;
        gain_ = 0.0f;
    }
    for (next_ = 0; next_ < events.size() && events[next_].ms < startMs_; ++next_) {
        const MidiEvent& e = events[next_];
        if (hasSoundFont() && e.kind() != 0x80 && e.kind() != 0x90 && e.kind() != 0xA0)
            send(e);
    }
    finishIfEnded();
}

void SoundMixer::fadeOut() {
    if (synthState_ != SynthState::Off && synthState_ != SynthState::Draining)
        synthState_ = SynthState::FadingOut;
}

void SoundMixer::stopSong() {
    playing_ = false;
    waitingForFade_ = false;
    fadeOut();
}

void SoundMixer::clearSong() {
    stopSong();
    song_.reset();
    startMs_ = 0;
    songFrames_ = 0;
    endFrame_ = 0;
    next_ = 0;
    ended_ = false;
}

double SoundMixer::songPositionMs() const {
    if (!song_)
        return 0;
    if (songFrames_ >= endFrame_)
        return song_->lengthMs();
    return std::min(song_->lengthMs(),
                    startMs_ + 1000.0 * static_cast<double>(songFrames_) / sampleRate_);
}

bool SoundMixer::takeSongEnded() {
    const bool ended = ended_;
    ended_ = false;
    return ended;
}

void SoundMixer::sendDue(std::int64_t untilFrame) {
    const std::vector<MidiEvent>& events = song_->events();
    while (next_ < events.size() && frameOf(events[next_].ms) <= untilFrame) {
        if (hasSoundFont())
            send(events[next_]);
        ++next_;
    }
}

void SoundMixer::finishIfEnded() {
    if (!playing_ || waitingForFade_ || songFrames_ < endFrame_)
        return;
    sendDue(songFrames_);
    playing_ = false;
    ended_ = true;
    if (hasSoundFont()) {
        // Notes still held at the end fade out as they would on their own.
        fluid_synth_all_notes_off(synth_, -1);
        if (synthState_ == SynthState::Sounding) {
            synthState_ = SynthState::Tail;
            tailFrames_ = 0;
        }
    }
}

void SoundMixer::renderSynth(float* stereo, int frames) {
    if (synthState_ == SynthState::Off) {
        std::fill(stereo, stereo + 2 * frames, 0.0f);
        return;
    }
    fluid_synth_write_float(synth_, frames, stereo, 0, 2, stereo, 1, 2);
    synthPhase_ = (synthPhase_ + frames) % kBlock;
    if (synthState_ == SynthState::Draining) {
        std::fill(stereo, stereo + 2 * frames, 0.0f);
        drainFrames_ -= frames;
        return;
    }
    const float step = 1.0f / static_cast<float>(fadeFrames_);
    if (synthState_ == SynthState::FadingOut) {
        for (int f = 0; f < frames; ++f) {
            gain_ = std::max(0.0f, gain_ - step);
            stereo[2 * f] *= gain_;
            stereo[2 * f + 1] *= gain_;
        }
    } else if (gain_ < 1.0f) {
        for (int f = 0; f < frames; ++f) {
            gain_ = std::min(1.0f, gain_ + step);
            stereo[2 * f] *= gain_;
            stereo[2 * f + 1] *= gain_;
        }
    }
}

void SoundMixer::silenceSynth() {
    // The rest of FluidSynth's block belongs to the sound being silenced.
    if (synthPhase_ != 0) {
        float rest[2 * kBlock];
        fluid_synth_write_float(synth_, kBlock - synthPhase_, rest, 0, 2, rest, 1, 2);
        synthPhase_ = 0;
    }
    // The voices die within a block of being cut, but until they have
    // rendered that block they still feed the reverb; only then does a reset
    // leave the reverb and chorus empty for the next song.
    fluid_synth_all_sounds_off(synth_, -1);
    float dying[2 * kBlock];
    for (int i = 0; i < 16 && fluid_synth_get_active_voice_count(synth_) > 0; ++i)
        fluid_synth_write_float(synth_, kBlock, dying, 0, 2, dying, 1, 2);
    fluid_synth_system_reset(synth_);
    synthState_ = SynthState::Off;
    gain_ = 0.0f;
}

void SoundMixer::render(float* stereo, int frames) {
    const auto tailLimit = static_cast<std::int64_t>(kTailMs * sampleRate_ / 1000.0);
    int done = 0;
    while (done < frames) {
        // Pieces end where FluidSynth's blocks end, so a change of song or a
        // fade's end never leaves half a block of old sound in its buffer.
        int chunk = std::min(frames - done, kBlock - synthPhase_);
        const bool clockRuns = playing_ && !waitingForFade_;
        if (clockRuns) {
            sendDue(songFrames_);
            chunk = static_cast<int>(std::clamp<std::int64_t>(endFrame_ - songFrames_, 1, chunk));
        }
        renderSynth(stereo + 2 * done, chunk);
        if (clockRuns) {
            songFrames_ += chunk;
            finishIfEnded();
        }
        if (synthState_ == SynthState::Tail) {
            tailFrames_ += chunk;
            if (tailFrames_ >= tailLimit)
                fadeOut();
        }
        if (synthState_ == SynthState::FadingOut && gain_ <= 0.0f) {
            silenceSynth();
            synthState_ = SynthState::Draining;
            drainFrames_ = static_cast<std::int64_t>(kDrainMs * sampleRate_ / 1000.0);
        }
        if (synthState_ == SynthState::Draining && drainFrames_ <= 0) {
            synthState_ = SynthState::Off;
            if (waitingForFade_)
                beginSong();
        }
        done += chunk;
    }
    mixEffects(stereo, frames);
}

void SoundMixer::skip(std::int64_t frames) {
    effects_.clear();
    if (waitingForFade_)
        beginSong();
    if (synthState_ != SynthState::Off)
        silenceSynth();
    if (!playing_)
        return;
    songFrames_ = std::min(endFrame_, songFrames_ + std::max<std::int64_t>(frames, 0));
    // Nobody hears the notes passed over; only the end matters.
    const std::vector<MidiEvent>& events = song_->events();
    while (next_ < events.size() && frameOf(events[next_].ms) <= songFrames_)
        ++next_;
    finishIfEnded();
}

void SoundMixer::playEffect(std::shared_ptr<const WaveSound> sound, double startMs,
                            std::int64_t delayFrames) {
    if (!sound || sound->frames() == 0)
        return;
    const auto frame =
        static_cast<std::size_t>(std::max(0.0, startMs) * sound->sampleRate / 1000.0);
    if (frame >= sound->frames())
        return;
    if (static_cast<int>(effects_.size()) >= kMaxEffects)
        effects_.erase(effects_.begin());
    effects_.push_back({std::move(sound), frame, std::max<std::int64_t>(delayFrames, 0)});
}

void SoundMixer::mixEffects(float* stereo, int frames) {
    for (Voice& v : effects_) {
        if (v.delay >= frames) {
            v.delay -= frames;
            continue;
        }
        const auto from = static_cast<std::size_t>(v.delay);
        v.delay = 0;
        const std::vector<float>& s = v.sound->samples;
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(frames) - from,
                                                    v.sound->frames() - v.frame);
        const float* in = s.data() + 2 * v.frame;
        float* out = stereo + 2 * from;
        for (std::size_t i = 0; i < 2 * n; ++i)
            out[i] += in[i];
        v.frame += n;
    }
    std::erase_if(effects_, [](const Voice& v) { return v.frame >= v.sound->frames(); });
}

} // namespace lilyhops
