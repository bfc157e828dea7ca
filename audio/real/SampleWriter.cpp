#include "audio/real/SampleWriter.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace lilyhops {

namespace {

template <typename Sample, typename Convert>
void interleave(const float* stereo, int frames, int channels, char* out, Convert convert) {
    auto* to = reinterpret_cast<unsigned char*>(out);
    for (int f = 0; f < frames; ++f) {
        const float left = SampleWriter::limit(stereo[2 * f]);
        const float right = SampleWriter::limit(stereo[2 * f + 1]);
        for (int c = 0; c < channels; ++c) {
            const float v = channels == 1 ? 0.5f * (left + right)
                            : c == 0      ? left
                            : c == 1      ? right
                                          : 0.0f;
            const Sample s = convert(v);
            std::memcpy(to, &s, sizeof s);
            to += sizeof s;
        }
    }
}

} // namespace

float SampleWriter::limit(float v) {
    constexpr float knee = 0.8f;
    const float a = std::fabs(v);
    if (a <= knee)
        return v;
    const float bent = knee + (1.0f - knee) * std::tanh((a - knee) / (1.0f - knee));
    return std::copysign(bent, v);
}

void SampleWriter::write(const float* stereo, int frames, char* out) const {
    const int channels = format_.channelCount();
    switch (format_.sampleFormat()) {
    case QAudioFormat::UInt8:
        interleave<std::uint8_t>(stereo, frames, channels, out, [](float v) {
            return static_cast<std::uint8_t>(std::lround(v * 127.0f) + 128);
        });
        break;
    case QAudioFormat::Int32:
        interleave<std::int32_t>(stereo, frames, channels, out, [](float v) {
            return static_cast<std::int32_t>(std::lround(v * 2147483520.0));
        });
        break;
    case QAudioFormat::Float:
        interleave<float>(stereo, frames, channels, out, [](float v) { return v; });
        break;
    default:
        interleave<std::int16_t>(stereo, frames, channels, out, [](float v) {
            return static_cast<std::int16_t>(std::lround(v * 32767.0f));
        });
        break;
    }
}

} // namespace lilyhops
