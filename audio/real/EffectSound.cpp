#include "audio/real/EffectSound.h"

namespace lilyhops {

EffectSound EffectSound::from(const WaveSound& wave) {
    EffectSound sound;
    sound.sampleRate = wave.sampleRate;
    const std::size_t frames = wave.frames();
    bool same = true;
    for (std::size_t f = 0; f < frames && same; ++f)
        same = wave.samples[2 * f] == wave.samples[2 * f + 1];
    if (!same) {
        sound.samples = wave.samples;
        return sound;
    }
    sound.channels = 1;
    sound.samples.resize(frames);
    for (std::size_t f = 0; f < frames; ++f)
        sound.samples[f] = wave.samples[2 * f];
    return sound;
}

} // namespace lilyhops
