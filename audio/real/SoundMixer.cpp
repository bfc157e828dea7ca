#include "audio/real/SoundMixer.h"

#include <fluidsynth.h>

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

} // namespace

SoundMixer::SoundMixer(int sampleRate) : sampleRate_(sampleRate) {
    silenceLibraryLog();
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(settings_, "synth.gain", kSynthGain);
    fluid_settings_setint(settings_, "synth.polyphony", 256);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    // Only the instruments a song picks are read from the SoundFont, which
    // keeps start-up quick with a large General MIDI font.
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

bool SoundMixer::loadSoundFont(const std::string& path) {
    // Only what looks like a SoundFont (or a DLS bank) reaches FluidSynth,
    // whose fallback loaders complain loudly about anything else.
    char head[12] = {};
    std::ifstream in(path, std::ios::binary);
    if (!synth_ || !in.read(head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        (std::memcmp(head + 8, "sfbk", 4) != 0 && std::memcmp(head + 8, "DLS ", 4) != 0))
        return false;
    const int id = fluid_synth_sfload(synth_, path.c_str(), 1);
    if (id == FLUID_FAILED)
        return false;
    if (soundFontId_ >= 0)
        fluid_synth_sfunload(synth_, soundFontId_, 1);
    soundFontId_ = id;
    fluid_synth_system_reset(synth_);
    return true;
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
    songFrames_ = 0;
    endFrame_ = std::max<std::int64_t>(frameOf(song_->lengthMs()), 0);
    playing_ = true;
    ended_ = false;

    const std::vector<MidiEvent>& events = song_->events();
    next_ = 0;
    if (hasSoundFont())
        fluid_synth_system_reset(synth_);
    for (; next_ < events.size() && events[next_].ms < startMs_; ++next_) {
        const MidiEvent& e = events[next_];
        if (hasSoundFont() && e.kind() != 0x80 && e.kind() != 0x90 && e.kind() != 0xA0)
            send(e);
    }
    finishIfEnded();
}

void SoundMixer::stopSong() {
    playing_ = false;
    if (synth_)
        fluid_synth_all_sounds_off(synth_, -1);
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

void SoundMixer::sendDue() {
    const std::vector<MidiEvent>& events = song_->events();
    while (next_ < events.size() && frameOf(events[next_].ms) <= songFrames_) {
        if (hasSoundFont())
            send(events[next_]);
        ++next_;
    }
}

void SoundMixer::finishIfEnded() {
    if (!playing_ || songFrames_ < endFrame_)
        return;
    sendDue();
    playing_ = false;
    ended_ = true;
    // Notes still held at the end fade out as they would on their own.
    if (hasSoundFont())
        fluid_synth_all_notes_off(synth_, -1);
}

void SoundMixer::synthesize(float* stereo, int frames) {
    if (hasSoundFont())
        fluid_synth_write_float(synth_, frames, stereo, 0, 2, stereo, 1, 2);
    else
        std::fill(stereo, stereo + 2 * frames, 0.0f);
}

void SoundMixer::playEffect(std::shared_ptr<const WaveSound> sound, double startMs) {
    if (!sound || sound->frames() == 0)
        return;
    const auto frame =
        static_cast<std::size_t>(std::max(0.0, startMs) * sound->sampleRate / 1000.0);
    if (frame >= sound->frames())
        return;
    if (static_cast<int>(effects_.size()) >= kMaxEffects)
        effects_.erase(effects_.begin());
    effects_.push_back({std::move(sound), frame});
}

void SoundMixer::render(float* stereo, int frames) {
    int done = 0;
    while (done < frames) {
        int chunk = frames - done;
        if (playing_) {
            sendDue();
            std::int64_t until = endFrame_;
            if (next_ < song_->events().size())
                until = std::min(until, frameOf(song_->events()[next_].ms));
            chunk = static_cast<int>(std::clamp<std::int64_t>(until - songFrames_, 1, chunk));
        }
        synthesize(stereo + 2 * done, chunk);
        if (playing_) {
            songFrames_ += chunk;
            finishIfEnded();
        }
        done += chunk;
    }

    for (Voice& v : effects_) {
        const std::vector<float>& s = v.sound->samples;
        const std::size_t n = std::min<std::size_t>(frames, v.sound->frames() - v.frame);
        const float* from = s.data() + 2 * v.frame;
        for (std::size_t i = 0; i < 2 * n; ++i)
            stereo[i] += from[i];
        v.frame += n;
    }
    std::erase_if(effects_, [](const Voice& v) { return v.frame >= v.sound->frames(); });
}

} // namespace lilyhops
