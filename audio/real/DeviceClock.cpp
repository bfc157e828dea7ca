#include "audio/real/DeviceClock.h"

#include <algorithm>
#include <cmath>

namespace lilyhops {

DeviceClock::DeviceClock(int framesPerSecond)
    : rate_(framesPerSecond / 1e9), sink_(framesPerSecond * kSinkMsPerSecond / 1e3 / 1e9),
      restartBelow_(framesPerSecond * kRestartBelowMs / 1e3) {}

void DeviceClock::restart() {
    known_ = false;
}

void DeviceClock::observe(std::int64_t nowNs, std::int64_t takenFrames) {
    const double seen = static_cast<double>(takenFrames) - rate_ * static_cast<double>(nowNs);
    if (known_) {
        const double elapsed = static_cast<double>(std::max<std::int64_t>(nowNs - lastNs_, 0));
        const double sunk = edge_ - sink_ * elapsed;
        edge_ = seen < sunk - restartBelow_ ? seen : std::max(seen, sunk);
        // The depth belongs to the server's cycle, not to one run of the
        // stream: it is kept when the line starts anew.
        const double weight = 1.0 - std::exp(-elapsed / (kDepthSeconds * 1e9));
        depth_ += (edge_ - seen - depth_) * weight;
    } else {
        edge_ = seen;
        known_ = true;
    }
    lastNs_ = nowNs;
}

std::int64_t DeviceClock::takenAt(std::int64_t atNs) const {
    return static_cast<std::int64_t>(
        std::llround(edge_ - depth_ + rate_ * static_cast<double>(atNs)));
}

} // namespace lilyhops
