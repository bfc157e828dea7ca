#pragma once

// A sound effect as the mixer keeps it for the whole game. Every effect the
// game ships is mono, which the decoded wave holds twice over, once for each
// side: kept here in one channel when both sides are the same, the effects
// take half the memory.

#include "audio/real/WaveSound.h"

#include <cstddef>
#include <vector>

namespace lilyhops {

struct EffectSound {
    int sampleRate = 0;
    int channels = 2;           // 1: played on both sides
    std::vector<float> samples; // one per channel per frame, interleaved

    std::size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
    float left(std::size_t frame) const { return samples[frame * channels]; }
    float right(std::size_t frame) const { return samples[frame * channels + channels - 1]; }

    static EffectSound from(const WaveSound& wave);
};

} // namespace lilyhops
