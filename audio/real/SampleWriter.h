#pragma once

// Turns the mixer's stereo floats into the bytes a sound device takes, in its
// sample format and channel count, bending peaks above full scale down softly.

#include <QAudioFormat>

namespace lilyhops {

class SampleWriter {
  public:
    explicit SampleWriter(const QAudioFormat& format) : format_(format) {}

    // Writes `frames` frames of `stereo` to `out`, which holds
    // frames * format().bytesPerFrame() bytes.
    void write(const float* stereo, int frames, char* out) const;
    const QAudioFormat& format() const { return format_; }

    // An effect landing on a loud chord could pass full scale: above the
    // knee the peaks are bent down smoothly instead of cut off.
    static float limit(float v);

  private:
    QAudioFormat format_;
};

} // namespace lilyhops
