#pragma once

// A wave file decoded to stereo floating-point samples for the mixer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lilyhops {

struct WaveSound {
    int sampleRate = 0;
    int fileChannels = 0; // channels stored in the file (mono is played on both sides)
    int fileBitsPerSample = 0;
    std::vector<float> samples; // interleaved left, right; full scale is 1.0

    std::size_t frames() const { return samples.size() / 2; }
    double durationMs() const {
        return sampleRate > 0 ? 1000.0 * static_cast<double>(frames()) / sampleRate : 0.0;
    }
    float peak() const;

    // Reads and decodes a file: PCM of 8, 16, 24 or 32 bits or floating point,
    // any number of channels (the first two are kept). On failure returns
    // nothing with a short reason in `error`.
    static std::optional<WaveSound> load(const std::string& path, std::string& error);
    static std::optional<WaveSound> parse(const std::vector<std::uint8_t>& bytes,
                                          std::string& error);

    // The same sound at another sample rate (linear interpolation).
    WaveSound resampled(int rate) const;
};

} // namespace lilyhops
