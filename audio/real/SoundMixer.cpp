#include "audio/real/SoundMixer.h"

#include "audio/real/SoundFontSubset.h"

#include <fluidsynth.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <limits>

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

std::int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
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
      fadeFrames_(std::max(1, static_cast<int>(std::lround(kFadeMs * sampleRate / 1000.0)))),
      drainFrames_(static_cast<std::int64_t>(std::ceil(kDrainMs * sampleRate / 1000.0 / kBlock)) *
                   kBlock),
      ahead_(2 * static_cast<std::size_t>(kMusicBlock)) {
    silenceLibraryLog();
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings_, "synth.gain", kSynthGain);
    // The busiest song sounds 107 voices at once (notes and their release,
    // two voices for a stereo sample); each voice FluidSynth keeps ready
    // costs 11 kB, and 128 give the same sound as its default of 256.
    fluid_settings_setint(settings_, "synth.polyphony", 128);
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

bool SoundMixer::loadSoundFont(const std::string& path, const InstrumentKeys& only) {
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
        if (subset && subset->presetCount() > 0) {
            const int subsetId = subset->loadInto(synth_);
            id = subsetId < 0 ? FLUID_FAILED : subsetId;
        } else {
            id = fluid_synth_sfload(synth_, path.c_str(), 1);
            subset.reset();
        }
        if (id != FLUID_FAILED) {
            for (const auto& [instrument, pin] : pinned_)
                fluid_synth_unpin_preset(synth_, pin, instrument.first, instrument.second);
            pinned_.clear();
            available_.clear();
            if (subset)
                noteWhatIsIn(id, only);
        }
    }
    if (id == FLUID_FAILED)
        return false;
    if (soundFontId_ >= 0)
        fluid_synth_sfunload(synth_, soundFontId_, 1);
    soundFontId_ = id;
    soundFontPath_ = path;
    fluid_synth_system_reset(synth_);
    return true;
}

void SoundMixer::noteWhatIsIn(int fontId, const InstrumentKeys& asked) {
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(synth_, fontId);
    for (const auto& [instrument, keys] : asked) {
        // What the SoundFont lacks is not looked for again.
        const bool there =
            font && fluid_sfont_get_preset(font, instrument.first, instrument.second);
        available_[instrument] = {there ? fontId : -1, keys};
    }
}

void SoundMixer::knowInstruments(const MidiSong& song) {
    if (hasSoundFont())
        knowKeys(keysPlayedIn(song));
}

void SoundMixer::knowKeys(const InstrumentKeys& used) {
    if (available_.empty())
        return;
    InstrumentKeys have;
    for (const auto& [instrument, source] : available_)
        have[instrument] = source.keys;
    InstrumentKeys lacking = keysLacking(have, used);
    // What is read now holds the keys read before as well, and takes
    // the older part's place.
    for (auto& [instrument, keys] : lacking)
        if (auto it = have.find(instrument); it != have.end())
            keys |= it->second;
    std::string error;
    std::optional<SoundFontSubset> more;
    if (!lacking.empty())
        more = SoundFontSubset::make(soundFontPath_, lacking, error);
    if (more) {
        // Loaded on top, without disturbing what the channels play now.
        QuietGlibWhileLoading quiet;
        const int id = more->presetCount() > 0 ? more->loadInto(synth_, false) : -1;
        noteWhatIsIn(id, lacking);
    }
}

void SoundMixer::keepInstruments(const MidiSong& song) {
    if (!hasSoundFont())
        return;
    InstrumentKeys used = keysPlayedIn(song);
    knowKeys(used);
    keepOnly(std::move(used));
}

void SoundMixer::letGoInstruments() {
    if (hasSoundFont())
        keepOnly({});
}

void SoundMixer::keepOnly(InstrumentKeys used) {
    // A reset has every channel pick the first piano, and the drum channel
    // the first kit; were they let go, each pause would read them again.
    for (const std::pair<int, int>& picked : {std::pair{0, 0}, std::pair{128, 0}}) {
        auto it = available_.find(picked);
        if (available_.empty() || (it != available_.end() && it->second.fontId >= 0))
            used.try_emplace(picked);
    }
    for (auto pin = pinned_.begin(); pin != pinned_.end();) {
        const auto& [instrument, id] = *pin;
        auto wanted = available_.find(instrument);
        const int wantedId = wanted != available_.end() ? wanted->second.fontId : soundFontId_;
        if (used.count(instrument) && wantedId == id) {
            ++pin;
            continue;
        }
        // Its samples go once no channel plays it: at the next song's reset.
        fluid_synth_unpin_preset(synth_, id, instrument.first, instrument.second);
        pin = pinned_.erase(pin);
        letGo_ = true;
    }
    for (const auto& entry : used) {
        const std::pair<int, int>& instrument = entry.first;
        auto it = available_.find(instrument);
        const int id = it != available_.end() ? it->second.fontId : soundFontId_;
        auto pin = pinned_.find(instrument);
        if (id < 0 || (pin != pinned_.end() && pin->second == id))
            continue;
        if (fluid_synth_pin_preset(synth_, id, instrument.first, instrument.second) == FLUID_OK)
            pinned_[instrument] = id;
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
    waitingForFade_ = true;
    if (synthState_ == SynthState::Off) {
        // Nothing but silence is rendered ahead: the song starts now.
        aheadLeft_ = 0;
        cutting_ = false;
        beginSong();
    }
}

void SoundMixer::beginSong() {
    waitingForFade_ = false;
    songBegun_ = true;
    feeding_ = true;
    synthFrames_ = 0;
    const std::vector<MidiEvent>& events = song_->events();
    if (hasSoundFont()) {
        fluid_synth_system_reset(synth_);
        noteReset();
        synthState_ = SynthState::Sounding;
        gain_ = 0.0f;
    }
    for (next_ = 0; next_ < events.size() && events[next_].ms < startMs_; ++next_) {
        const MidiEvent& e = events[next_];
        if (hasSoundFont() && e.kind() != 0x80 && e.kind() != 0x90 && e.kind() != 0xA0)
            send(e);
    }
    if (endFrame_ == 0) {
        // Started at its very end: it has ended already.
        playing_ = false;
        ended_ = true;
        endOfFeed();
    }
}

void SoundMixer::endOfFeed() {
    sendDue(endFrame_);
    feeding_ = false;
    if (hasSoundFont()) {
        // Notes still held at the end fade out as they would on their own.
        fluid_synth_all_notes_off(synth_, -1);
        if (synthState_ == SynthState::Sounding) {
            synthState_ = SynthState::Tail;
            tailFrames_ = 0;
        }
    }
}

void SoundMixer::cut() {
    if (synthState_ == SynthState::Off || cutting_)
        return;
    cutting_ = true;
    cutLeft_ = fadeFrames_;
}

void SoundMixer::endCut() {
    cutting_ = false;
    aheadLeft_ = 0; // the rest of what was rendered is never heard
    if (synthState_ == SynthState::Sounding || synthState_ == SynthState::Tail ||
        synthState_ == SynthState::FadingOut) {
        silenceSynth();
        synthState_ = SynthState::Draining;
        drainLeft_ = drainFrames_;
    }
}

void SoundMixer::stopSong() {
    playing_ = false;
    waitingForFade_ = false;
    feeding_ = false;
    songBegun_ = false;
    aheadIsSong_ = false;
    cut();
}

void SoundMixer::clearSong() {
    stopSong();
    song_.reset();
    startMs_ = 0;
    songFrames_ = 0;
    synthFrames_ = 0;
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

bool SoundMixer::takeInstrumentsLetGo() {
    const bool freed = letGoneFreed_;
    letGoneFreed_ = false;
    return freed;
}

void SoundMixer::silenceSynth() {
    // The voices die within a block of being cut, but until they have
    // rendered that block they still feed the reverb; only then does a reset
    // leave the reverb and chorus empty for the next song.
    fluid_synth_all_sounds_off(synth_, -1);
    float dying[2 * kBlock];
    for (int i = 0; i < 16 && fluid_synth_get_active_voice_count(synth_) > 0; ++i)
        fluid_synth_write_float(synth_, kBlock, dying, 0, 2, dying, 1, 2);
    fluid_synth_system_reset(synth_);
    noteReset();
    synthState_ = SynthState::Off;
    gain_ = 0.0f;
}

void SoundMixer::noteReset() {
    // A reset leaves no channel on an instrument that was let go, so their
    // samples are freed now.
    letGoneFreed_ = letGoneFreed_ || letGo_;
    letGo_ = false;
}

std::int64_t SoundMixer::nextEventFrame() const {
    const std::vector<MidiEvent>& events = song_->events();
    return next_ < events.size() ? frameOf(events[next_].ms)
                                 : std::numeric_limits<std::int64_t>::max();
}

int SoundMixer::renderSynth(float* stereo, int frames) {
    const auto tailLimit = static_cast<std::int64_t>(kTailMs * sampleRate_ / 1000.0);
    const float step = 1.0f / static_cast<float>(fadeFrames_);
    // Whole blocks, from here up to the most that `limit` allows.
    auto upTo = [](int span, std::int64_t limit) {
        const std::int64_t blocks = std::max<std::int64_t>(1, (limit + kBlock - 1) / kBlock);
        return static_cast<int>(std::min<std::int64_t>(span, blocks * kBlock));
    };
    int done = 0;
    while (done < frames) {
        if (synthState_ == SynthState::Off) {
            // The drain has ended: what follows belongs to whatever comes next.
            return done;
        }
        // FluidSynth is asked for as many blocks at once as it can render
        // without a change in between: each call costs more than a block.
        int span = frames - done;
        if (feeding_) {
            sendDue(synthFrames_);
            span = upTo(span, std::min(nextEventFrame(), endFrame_) - synthFrames_);
        }
        if (synthState_ == SynthState::Draining)
            span = upTo(span, drainLeft_);
        else if (synthState_ == SynthState::Tail)
            span = upTo(span, tailLimit - tailFrames_);
        else if (synthState_ == SynthState::FadingOut)
            span = kBlock;
        float* out = stereo + 2 * done;
        fluid_synth_write_float(synth_, span, out, 0, 2, out, 1, 2);
        done += span;
        if (feeding_) {
            synthFrames_ += span;
            if (synthFrames_ >= endFrame_)
                endOfFeed();
        }
        switch (synthState_) {
        case SynthState::Draining:
            std::fill(out, out + 2 * span, 0.0f);
            drainLeft_ -= span;
            if (drainLeft_ <= 0)
                synthState_ = SynthState::Off;
            break;
        case SynthState::FadingOut:
            for (int f = 0; f < span; ++f) {
                gain_ = std::max(0.0f, gain_ - step);
                out[2 * f] *= gain_;
                out[2 * f + 1] *= gain_;
            }
            if (gain_ <= 0.0f) {
                silenceSynth();
                synthState_ = SynthState::Draining;
                drainLeft_ = drainFrames_;
            }
            break;
        default:
            if (gain_ < 1.0f) {
                for (int f = 0; f < span; ++f) {
                    gain_ = std::min(1.0f, gain_ + step);
                    out[2 * f] *= gain_;
                    out[2 * f + 1] *= gain_;
                }
            }
            if (synthState_ == SynthState::Tail) {
                tailFrames_ += span;
                if (tailFrames_ >= tailLimit)
                    synthState_ = SynthState::FadingOut;
            }
            break;
        }
    }
    return frames;
}

void SoundMixer::renderAhead() {
    if (synthState_ == SynthState::Off && waitingForFade_)
        beginSong();
    aheadAt_ = 0;
    aheadIsSong_ = songBegun_;
    float* out = ahead_.data();
    if (synthState_ == SynthState::Off) {
        // Silence; a song without a SoundFont still keeps time through it.
        aheadLeft_ = kMusicBlock;
        std::fill(out, out + 2 * kMusicBlock, 0.0f);
        if (feeding_) {
            synthFrames_ += kMusicBlock;
            if (synthFrames_ >= endFrame_)
                endOfFeed();
            else
                sendDue(synthFrames_);
        }
        return;
    }
    const std::int64_t cpu = threadCpuNs();
    aheadLeft_ = renderSynth(out, kMusicBlock);
    synthCpuNs_ += threadCpuNs() - cpu;
    synthFramesRendered_ += aheadLeft_;
}

void SoundMixer::render(float* stereo, int frames) {
    const float step = 1.0f / static_cast<float>(fadeFrames_);
    int done = 0;
    while (done < frames) {
        if (aheadLeft_ == 0)
            renderAhead();
        if (aheadLeft_ == 0)
            continue; // the drain ended where the block began
        int n = std::min(frames - done, aheadLeft_);
        const bool clockRuns = playing_ && aheadIsSong_;
        if (clockRuns)
            n = static_cast<int>(std::clamp<std::int64_t>(endFrame_ - songFrames_, 1, n));
        const float* from = ahead_.data() + 2 * aheadAt_;
        float* to = stereo + 2 * done;
        if (cutting_) {
            // The fade's end is where the silence, and the drain, begin.
            n = std::min(n, cutLeft_);
            for (int f = 0; f < n; ++f) {
                const float gain = static_cast<float>(--cutLeft_) * step;
                to[2 * f] = from[2 * f] * gain;
                to[2 * f + 1] = from[2 * f + 1] * gain;
            }
        } else {
            std::copy(from, from + 2 * n, to);
        }
        aheadAt_ += n;
        aheadLeft_ -= n;
        done += n;
        if (clockRuns) {
            songFrames_ += n;
            if (songFrames_ >= endFrame_) {
                playing_ = false;
                ended_ = true;
            }
        }
        if (cutting_ && cutLeft_ == 0)
            endCut();
    }
    mixEffects(stereo, frames);
}

void SoundMixer::skip(std::int64_t frames) {
    effects_.clear();
    cutting_ = false;
    aheadLeft_ = 0;
    if (waitingForFade_)
        beginSong();
    if (synthState_ != SynthState::Off)
        silenceSynth();
    if (!playing_)
        return;
    songFrames_ = std::min(endFrame_, songFrames_ + std::max<std::int64_t>(frames, 0));
    synthFrames_ = songFrames_;
    // Nobody hears the notes passed over; only the end matters.
    const std::vector<MidiEvent>& events = song_->events();
    while (next_ < events.size() && frameOf(events[next_].ms) <= songFrames_)
        ++next_;
    if (songFrames_ >= endFrame_) {
        playing_ = false;
        ended_ = true;
        feeding_ = false;
    }
}

void SoundMixer::playEffect(std::shared_ptr<const EffectSound> sound, double startMs,
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
        const EffectSound& sound = *v.sound;
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(frames) - from,
                                                    sound.frames() - v.frame);
        float* out = stereo + 2 * from;
        for (std::size_t f = 0; f < n; ++f) {
            out[2 * f] += sound.left(v.frame + f);
            out[2 * f + 1] += sound.right(v.frame + f);
        }
        v.frame += n;
    }
    std::erase_if(effects_, [](const Voice& v) { return v.frame >= v.sound->frames(); });
}

} // namespace lilyhops
