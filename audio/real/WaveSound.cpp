#include "audio/real/WaveSound.h"

#include "audio/real/FileBytes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lilyhops {

namespace {

constexpr std::size_t kLargestFile = 64u << 20;
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

std::uint32_t little(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

float sampleAt(const std::uint8_t* p, std::uint16_t encoding, int bits) {
    if (encoding == kFloat) {
        if (bits == 32) {
            float f;
            std::memcpy(&f, p, 4);
            return std::isfinite(f) ? f : 0.0f;
        }
        double d;
        std::memcpy(&d, p, 8);
        return std::isfinite(d) ? static_cast<float>(d) : 0.0f;
    }
    switch (bits) {
    case 8:
        return (static_cast<int>(p[0]) - 128) / 128.0f;
    case 16:
        return static_cast<std::int16_t>(little(p, 2)) / 32768.0f;
    case 24: {
        std::int32_t v = static_cast<std::int32_t>(little(p, 3) << 8) >> 8;
        return static_cast<float>(v / 8388608.0);
    }
    default:
        return static_cast<float>(static_cast<std::int32_t>(little(p, 4)) / 2147483648.0);
    }
}

} // namespace

float WaveSound::peak() const {
    float p = 0;
    for (float s : samples)
        p = std::max(p, std::fabs(s));
    return p;
}

std::optional<WaveSound> WaveSound::load(const std::string& path, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!readFileBytes(path, kLargestFile, bytes, error))
        return std::nullopt;
    return parse(bytes, error);
}

std::optional<WaveSound> WaveSound::parse(const std::vector<std::uint8_t>& bytes,
                                          std::string& error) {
    if (bytes.empty()) {
        error = "is empty";
        return std::nullopt;
    }
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "is not a wave file";
        return std::nullopt;
    }

    bool haveFormat = false;
    std::uint16_t encoding = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int blockAlign = 0;
    const std::uint8_t* data = nullptr;
    std::size_t dataLength = 0;

    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint8_t* chunk = bytes.data() + at;
        std::size_t length = little(chunk + 4, 4);
        const std::size_t room = bytes.size() - at - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || length > room) {
                error = "has a broken format chunk";
                return std::nullopt;
            }
            encoding = static_cast<std::uint16_t>(little(chunk + 8, 2));
            channels = static_cast<int>(little(chunk + 10, 2));
            rate = static_cast<int>(little(chunk + 12, 4));
            blockAlign = static_cast<int>(little(chunk + 20, 2));
            bits = static_cast<int>(little(chunk + 22, 2));
            if (encoding == kExtensible && length >= 26)
                encoding = static_cast<std::uint16_t>(little(chunk + 32, 2));
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            // A writer that was cut off may leave a length past the end of
            // the file: the samples that are there are still good.
            data = chunk + 8;
            dataLength = std::min(length, room);
            length = dataLength;
        }
        at += 8 + length + (length & 1);
    }

    if (!haveFormat) {
        error = "has no format chunk";
        return std::nullopt;
    }
    const bool pcmBits = encoding == kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const bool floatBits = encoding == kFloat && (bits == 32 || bits == 64);
    if (!pcmBits && !floatBits) {
        error = "uses an encoding the game cannot play (" + std::to_string(encoding) + ", " +
                std::to_string(bits) + " bits)";
        return std::nullopt;
    }
    if (channels < 1 || rate < 1000 || rate > 384000 || blockAlign < channels * bits / 8) {
        error = "has a broken format chunk";
        return std::nullopt;
    }
    if (!data) {
        error = "has no sound data";
        return std::nullopt;
    }
    const std::size_t frames = dataLength / static_cast<std::size_t>(blockAlign);
    if (frames == 0) {
        error = "has no sound data";
        return std::nullopt;
    }

    WaveSound sound;
    sound.sampleRate = rate;
    sound.fileChannels = channels;
    sound.fileBitsPerSample = bits;
    sound.samples.resize(frames * 2);
    const int step = bits / 8;
    for (std::size_t f = 0; f < frames; ++f) {
        const std::uint8_t* frame = data + f * static_cast<std::size_t>(blockAlign);
        const float left = sampleAt(frame, encoding, bits);
        const float right = channels > 1 ? sampleAt(frame + step, encoding, bits) : left;
        sound.samples[2 * f] = left;
        sound.samples[2 * f + 1] = right;
    }
    return sound;
}

WaveSound WaveSound::resampled(int rate) const {
    if (rate == sampleRate || rate <= 0 || samples.empty())
        return *this;
    WaveSound out = *this;
    out.sampleRate = rate;
    const std::size_t inFrames = frames();
    const double step = static_cast<double>(sampleRate) / rate;
    const auto outFrames =
        static_cast<std::size_t>(std::max(1.0, std::floor(static_cast<double>(inFrames) / step)));
    out.samples.assign(outFrames * 2, 0.0f);
    for (std::size_t f = 0; f < outFrames; ++f) {
        const double pos = static_cast<double>(f) * step;
        const auto i = static_cast<std::size_t>(pos);
        const auto frac = static_cast<float>(pos - static_cast<double>(i));
        const std::size_t j = std::min(i + 1, inFrames - 1);
        for (int c = 0; c < 2; ++c)
            out.samples[2 * f + c] = samples[2 * i + c] * (1.0f - frac) + samples[2 * j + c] * frac;
    }
    return out;
}

} // namespace lilyhops
