#pragma once

// A Standard MIDI File read into one time-ordered list of events, with each
// event's time in milliseconds worked out from the file's tempo map.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lilyhops {

struct MidiEvent {
    double ms = 0;           // time from the start of the song
    std::int64_t tick = 0;   // time in the file's own ticks
    std::uint8_t status = 0; // 0x80..0xEF channel message, 0xF0 system exclusive
    std::uint8_t data1 = 0;  // key, controller, program, ...
    std::uint8_t data2 = 0;  // velocity, value, ...
    std::uint32_t sysex = 0; // index into MidiSong::sysexData() for 0xF0
    std::uint16_t track = 0; // the track the event came from

    int channel() const { return status & 0x0F; }
    int kind() const { return status & 0xF0; }
    bool isNoteOn() const { return kind() == 0x90 && data2 > 0; }
    bool isNoteOff() const { return kind() == 0x80 || (kind() == 0x90 && data2 == 0); }
};

class MidiSong {
  public:
    // Reads and checks a file. On failure returns nothing and puts a short
    // reason in `error` ("is empty", "is not a MIDI file", ...).
    static std::optional<MidiSong> load(const std::string& path, std::string& error);
    static std::optional<MidiSong> parse(const std::vector<std::uint8_t>& bytes,
                                         std::string& error);

    int format() const { return format_; }
    int trackCount() const { return trackCount_; }
    // Ticks per quarter note, or 0 for a file timed in SMPTE frames.
    int ticksPerQuarter() const { return ticksPerQuarter_; }
    // The end of the song: the latest end of any track.
    double lengthMs() const { return lengthMs_; }
    std::int64_t lengthTicks() const { return lengthTicks_; }

    const std::vector<MidiEvent>& events() const { return events_; }
    const std::vector<std::uint8_t>& sysexData(std::uint32_t index) const { return sysex_[index]; }

    double msAtTick(std::int64_t tick) const;
    std::int64_t tickAtMs(double ms) const;
    // Quarter notes per minute at a moment of the song.
    double tempoAtMs(double ms) const;

  private:
    // From `tick` on, a tick lasts num / den milliseconds (kept apart so
    // that whole-beat times come out exact).
    struct TempoChange {
        std::int64_t tick;
        double ms;
        double num;
        double den;
    };

    void buildTimes(std::vector<TempoChange> changes);

    int format_ = 0;
    int trackCount_ = 0;
    int ticksPerQuarter_ = 0;
    double smpteTicksPerSecond_ = 0;
    std::int64_t lengthTicks_ = 0;
    double lengthMs_ = 0;
    std::vector<MidiEvent> events_;
    std::vector<std::vector<std::uint8_t>> sysex_;
    std::vector<TempoChange> tempo_;
};

} // namespace lilyhops
