#pragma once

// Where the sound device is in the stream the game writes, on the steady
// clock, so that an effect asked for at a given time lands at a fixed delay
// after it.
//
// The device's fill level says how much of the stream the sound server has
// taken so far, but a server takes it a whole processing cycle at a time
// (PipeWire's quantum: 512 frames at 48 kHz, 10.7 ms, on a desktop), so a
// single reading is anywhere up to a cycle behind what has been played. The
// server takes its cycles at a steady rate, though, so that readings taken
// at different moments of a cycle fall on one line: the stream position
// against the clock, less a sawtooth as long as a cycle. The clock follows
// that line's upper edge (readings taken just after a cycle was taken), and
// lets it sink slowly so that a device a little slower than its nominal rate
// is followed too. A reading far under the edge means the stream stopped
// or ran dry and then went on from somewhere else: it starts the line anew.
//
// Positions are told a steady depth under the edge: the readings' average
// depth under it over the last second or so, which is where a single
// reading lies on average. An effect then sounds as late after its call as
// it did when it was placed against each reading, only without the reading's
// wander.

#include <cstdint>

namespace lilyhops {

class DeviceClock {
  public:
    // How far under the edge a reading starts the line anew, and how fast
    // the edge sinks between readings, in milliseconds and ms per second.
    static constexpr double kRestartBelowMs = 25.0;
    static constexpr double kSinkMsPerSecond = 2.0;
    // How long the readings' depth under the edge is averaged over.
    static constexpr double kDepthSeconds = 1.0;

    explicit DeviceClock(int framesPerSecond);

    // The stream was started or resumed: nothing seen before counts.
    void restart();
    // By `nowNs`, the device had taken `takenFrames` of the stream.
    void observe(std::int64_t nowNs, std::int64_t takenFrames);
    // Whether anything was seen since the last restart.
    bool known() const { return known_; }
    // The frames the device will have taken by `atNs`, along the line at
    // the readings' average depth.
    std::int64_t takenAt(std::int64_t atNs) const;

  private:
    double rate_; // frames per ns
    double sink_; // frames the edge sinks per ns
    double restartBelow_;
    bool known_ = false;
    double edge_ = 0;  // taken frames less rate times the clock, at the edge
    double depth_ = 0; // the readings' average depth under the edge
    std::int64_t lastNs_ = 0;
};

} // namespace lilyhops
