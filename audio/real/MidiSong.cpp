#include "audio/real/MidiSong.h"

#include "audio/real/FileBytes.h"

#include <algorithm>
#include <iterator>

namespace lilyhops {

namespace {

constexpr std::size_t kLargestFile = 64u << 20;
constexpr double kDefaultUsPerQuarter = 500000.0;

// A cursor over the bytes of one chunk that refuses to run past its end.
class Reader {
  public:
    Reader(const std::uint8_t* begin, const std::uint8_t* end) : p_(begin), end_(end) {}

    bool atEnd() const { return p_ >= end_; }
    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
    bool byte(std::uint8_t& out) {
        if (p_ >= end_)
            return false;
        out = *p_++;
        return true;
    }
    bool peek(std::uint8_t& out) const {
        if (p_ >= end_)
            return false;
        out = *p_;
        return true;
    }
    // A variable-length quantity: at most four bytes of seven bits each.
    bool number(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool skip(std::size_t n, const std::uint8_t*& start) {
        if (n > left())
            return false;
        start = p_;
        p_ += n;
        return true;
    }

  private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

std::uint32_t bigEndian(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

int dataBytesOf(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    default:
        return 2;
    }
}

struct RawTempo {
    std::int64_t tick;
    std::uint32_t usPerQuarter;
};

} // namespace

std::optional<MidiSong> MidiSong::load(const std::string& path, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readFileBytes(path, kLargestFile, bytes, error))
        return std::nullopt;
    return parse(bytes, error);
}

std::optional<MidiSong> MidiSong::parse(const std::vector<std::uint8_t>& bytes,
                                        std::string& error) {
    if (bytes.empty()) {
        error = "is empty";
        return std::nullopt;
    }
    if (bytes.size() < 14 || !std::equal(bytes.begin(), bytes.begin() + 4, "MThd")) {
        error = "is not a MIDI file";
        return std::nullopt;
    }
    const std::uint32_t headerLength = bigEndian(&bytes[4], 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) {
        error = "has a broken header";
        return std::nullopt;
    }

    MidiSong song;
    song.format_ = static_cast<int>(bigEndian(&bytes[8], 2));
    const std::uint32_t declaredTracks = bigEndian(&bytes[10], 2);
    const std::uint32_t division = bigEndian(&bytes[12], 2);
    if (song.format_ > 2) {
        error = "has an unknown format";
        return std::nullopt;
    }
    if (division & 0x8000) {
        const int frames = -static_cast<std::int8_t>(division >> 8);
        const int ticksPerFrame = static_cast<int>(division & 0xFF);
        if (frames <= 0 || ticksPerFrame == 0) {
            error = "has a broken time division";
            return std::nullopt;
        }
        const double fps = frames == 29 ? 29.97 : frames;
        song.smpteTicksPerSecond_ = fps * ticksPerFrame;
    } else if (division == 0) {
        error = "has a broken time division";
        return std::nullopt;
    } else {
        song.ticksPerQuarter_ = static_cast<int>(division);
    }

    std::vector<RawTempo> tempos;
    std::size_t at = 8 + headerLength;
    std::uint32_t tracks = 0;
    bool anyNote = false;
    while (tracks < declaredTracks && at + 8 <= bytes.size()) {
        const std::uint32_t chunkLength = bigEndian(&bytes[at + 4], 4);
        const bool isTrack = std::equal(&bytes[at], &bytes[at] + 4, "MTrk");
        if (chunkLength > bytes.size() - at - 8) {
            error = "is cut short";
            return std::nullopt;
        }
        const std::uint8_t* chunk = &bytes[at + 8];
        at += 8 + chunkLength;
        if (!isTrack)
            continue;
        if (tracks >= 0xFFFF) {
            error = "has too many tracks";
            return std::nullopt;
        }

        Reader r(chunk, chunk + chunkLength);
        std::int64_t tick = 0;
        std::uint8_t running = 0;
        bool ended = false;
        while (!r.atEnd() && !ended) {
            std::uint32_t delta;
            std::uint8_t first;
            if (!r.number(delta) || !r.peek(first)) {
                error = "has a broken track";
                return std::nullopt;
            }
            tick += delta;
            if (first >= 0x80) {
                r.byte(first);
            } else if (running == 0) {
                error = "has a broken track";
                return std::nullopt;
            }

            if (first == 0xFF) {
                std::uint8_t type;
                std::uint32_t length;
                const std::uint8_t* data;
                if (!r.byte(type) || !r.number(length) || !r.skip(length, data)) {
                    error = "has a broken track";
                    return std::nullopt;
                }
                if (type == 0x51 && length >= 3) {
                    const std::uint32_t us = bigEndian(data, 3);
                    if (us > 0)
                        tempos.push_back({tick, us});
                } else if (type == 0x2F) {
                    ended = true;
                }
            } else if (first == 0xF0 || first == 0xF7) {
                std::uint32_t length;
                const std::uint8_t* data;
                if (!r.number(length) || !r.skip(length, data)) {
                    error = "has a broken track";
                    return std::nullopt;
                }
                // Only complete messages reach the synthesizer, without their
                // framing bytes; escaped and split messages are left out.
                if (first == 0xF0 && length > 0 && data[length - 1] == 0xF7) {
                    MidiEvent e;
                    e.tick = tick;
                    e.status = 0xF0;
                    e.track = static_cast<std::uint16_t>(tracks);
                    e.sysex = static_cast<std::uint32_t>(song.sysex_.size());
                    song.sysex_.emplace_back(data, data + length - 1);
                    song.events_.push_back(e);
                }
            } else if (first >= 0xF0) {
                error = "has a broken track";
                return std::nullopt;
            } else {
                std::uint8_t status = first;
                std::uint8_t d[2] = {0, 0};
                int need = 0;
                if (first >= 0x80) {
                    running = status;
                } else {
                    status = running;
                    d[0] = first;
                    r.byte(first);
                    need = 1;
                }
                for (int i = need; i < dataBytesOf(status); ++i) {
                    if (!r.byte(d[i]) || d[i] >= 0x80) {
                        error = "has a broken track";
                        return std::nullopt;
                    }
                }
                MidiEvent e;
                e.tick = tick;
                e.status = status;
                e.data1 = d[0];
                e.data2 = d[1];
                e.track = static_cast<std::uint16_t>(tracks);
                anyNote = anyNote || e.isNoteOn();
                song.events_.push_back(e);
            }
        }
        song.lengthTicks_ = std::max(song.lengthTicks_, tick);
        ++tracks;
    }
    if (tracks == 0) {
        error = "has no tracks";
        return std::nullopt;
    }
    if (tracks < declaredTracks) {
        error = "is cut short";
        return std::nullopt;
    }
    if (!anyNote) {
        error = "has no notes";
        return std::nullopt;
    }
    song.trackCount_ = static_cast<int>(tracks);
    // The songs stay loaded for the whole game; the room the list grew into
    // while the tracks were read would be kept with them.
    song.events_.shrink_to_fit();

    // One time line for all tracks; at equal times a note's end comes before
    // a new start, so a note struck again on another track is not cut off.
    std::stable_sort(song.events_.begin(), song.events_.end(),
                     [](const MidiEvent& a, const MidiEvent& b) {
                         if (a.tick != b.tick)
                             return a.tick < b.tick;
                         return a.isNoteOff() && !b.isNoteOff();
                     });

    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const RawTempo& a, const RawTempo& b) { return a.tick < b.tick; });
    std::vector<TempoChange> changes;
    if (song.ticksPerQuarter_ > 0) {
        const double den = 1000.0 * song.ticksPerQuarter_;
        changes.push_back({0, 0.0, kDefaultUsPerQuarter, den});
        for (const RawTempo& t : tempos) {
            if (t.tick == changes.back().tick)
                changes.back().num = t.usPerQuarter;
            else
                changes.push_back({t.tick, 0.0, static_cast<double>(t.usPerQuarter), den});
        }
    } else {
        changes.push_back({0, 0.0, 1000.0, song.smpteTicksPerSecond_});
    }
    song.buildTimes(std::move(changes));
    return song;
}

void MidiSong::buildTimes(std::vector<TempoChange> changes) {
    for (std::size_t i = 1; i < changes.size(); ++i) {
        const TempoChange& prev = changes[i - 1];
        changes[i].ms =
            prev.ms + static_cast<double>(changes[i].tick - prev.tick) * prev.num / prev.den;
    }
    tempo_ = std::move(changes);
    for (MidiEvent& e : events_)
        e.ms = msAtTick(e.tick);
    lengthMs_ = msAtTick(lengthTicks_);
}

double MidiSong::msAtTick(std::int64_t tick) const {
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), tick,
                               [](std::int64_t t, const TempoChange& c) { return t < c.tick; });
    const TempoChange& c = *std::prev(it);
    return c.ms + static_cast<double>(tick - c.tick) * c.num / c.den;
}

std::int64_t MidiSong::tickAtMs(double ms) const {
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), ms,
                               [](double m, const TempoChange& c) { return m < c.ms; });
    const TempoChange& c = it == tempo_.begin() ? tempo_.front() : *std::prev(it);
    const double ticks = (ms - c.ms) * c.den / c.num;
    return c.tick + static_cast<std::int64_t>(std::max(0.0, ticks) + 1e-6);
}

double MidiSong::tempoAtMs(double ms) const {
    if (ticksPerQuarter_ == 0)
        return 0;
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), ms,
                               [](double m, const TempoChange& c) { return m < c.ms; });
    const TempoChange& c = it == tempo_.begin() ? tempo_.front() : *std::prev(it);
    return 60000.0 * c.den / (c.num * ticksPerQuarter_);
}

} // namespace lilyhops
