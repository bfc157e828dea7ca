#pragma once

// Small sound files made by the tests themselves, and a way to read what the
// code under test writes to standard error.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <numbers>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace soundtest {

// The General MIDI SoundFont Debian installs.
inline const char* const kGeneralMidi = "/usr/share/sounds/sf2/default-GM.sf2";

// Root mean square of a run of samples.
inline double rms(const std::vector<float>& s) {
    double sum = 0;
    for (float v : s)
        sum += static_cast<double>(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / static_cast<double>(s.size()));
}

using Bytes = std::vector<std::uint8_t>;

inline void putBig(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void putLittle(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void putNumber(Bytes& b, std::uint32_t v) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = v & 0x7F;
        v >>= 7;
    } while (v);
    while (n > 1)
        b.push_back(groups[--n] | 0x80);
    b.push_back(groups[0]);
}

// One track of a Standard MIDI File, written event by event with deltas.
struct Track {
    Bytes body;
    std::uint32_t now = 0;

    Track& at(std::uint32_t tick) {
        putNumber(body, tick - now);
        now = tick;
        return *this;
    }
    Track& raw(std::initializer_list<std::uint8_t> bytes) {
        body.insert(body.end(), bytes);
        return *this;
    }
    Track& tempo(std::uint32_t tick, double bpm) {
        at(tick).raw({0xFF, 0x51, 0x03});
        putBig(body, static_cast<std::uint32_t>(std::lround(60000000.0 / bpm)), 3);
        return *this;
    }
    Track& note(std::uint32_t tick, std::uint32_t length, int channel, int key,
                int velocity = 100) {
        // Notes are added in time order within a track by the tests.
        at(tick).raw({static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key),
                      static_cast<std::uint8_t>(velocity)});
        at(tick + length)
            .raw({static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 0});
        return *this;
    }
    Track& program(std::uint32_t tick, int channel, int program) {
        at(tick).raw(
            {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program)});
        return *this;
    }
    Track& end(std::uint32_t tick) {
        at(tick).raw({0xFF, 0x2F, 0x00});
        return *this;
    }
};

inline Bytes smf(int format, int division, const std::vector<Track>& tracks) {
    Bytes b = {'M', 'T', 'h', 'd'};
    putBig(b, 6, 4);
    putBig(b, static_cast<std::uint32_t>(format), 2);
    putBig(b, static_cast<std::uint32_t>(tracks.size()), 2);
    putBig(b, static_cast<std::uint32_t>(division), 2);
    for (const Track& t : tracks) {
        b.insert(b.end(), {'M', 'T', 'r', 'k'});
        putBig(b, static_cast<std::uint32_t>(t.body.size()), 4);
        b.insert(b.end(), t.body.begin(), t.body.end());
    }
    return b;
}

// A short tune: a melody on channel 1 and drums on channel 10, `beats` beats
// at 120 quarter notes a minute (500 ms a beat), 480 ticks a beat.
inline Bytes shortSong(int beats) {
    Track t;
    t.tempo(0, 120).program(0, 0, 73);
    for (int i = 0; i < beats; ++i) {
        t.note(static_cast<std::uint32_t>(i * 480), 400, 0, 60 + (i % 8) * 2, 90);
    }
    Track d;
    for (int i = 0; i < beats; ++i)
        d.note(static_cast<std::uint32_t>(i * 480), 120, 9, i % 2 ? 38 : 36, 100);
    t.end(static_cast<std::uint32_t>(beats * 480));
    d.end(static_cast<std::uint32_t>(beats * 480));
    return smf(1, 480, {t, d});
}

// A wave file of `ms` milliseconds of a sine tone of the given peak.
inline Bytes sineWave(int ms, double peak, int rate = 44100, int channels = 1, int bits = 16,
                      int encoding = 1) {
    const int frames = rate * ms / 1000;
    const int bytesPerSample = bits / 8;
    Bytes data;
    for (int f = 0; f < frames; ++f) {
        const double v = peak * std::sin(2 * std::numbers::pi * 440.0 * f / rate);
        for (int c = 0; c < channels; ++c) {
            if (encoding == 3) {
                float x = static_cast<float>(v);
                std::uint32_t u;
                std::memcpy(&u, &x, 4);
                putLittle(data, u, 4);
            } else if (bits == 8) {
                data.push_back(static_cast<std::uint8_t>(std::lround(v * 127) + 128));
            } else {
                const double scale = std::ldexp(1.0, bits - 1) - 1;
                putLittle(
                    data,
                    static_cast<std::uint32_t>(static_cast<std::int64_t>(std::lround(v * scale))),
                    bytesPerSample);
            }
        }
    }
    Bytes b = {'R', 'I', 'F', 'F'};
    putLittle(b, static_cast<std::uint32_t>(36 + data.size()), 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLittle(b, 16, 4);
    putLittle(b, static_cast<std::uint32_t>(encoding), 2);
    putLittle(b, static_cast<std::uint32_t>(channels), 2);
    putLittle(b, static_cast<std::uint32_t>(rate), 4);
    putLittle(b, static_cast<std::uint32_t>(rate * channels * bytesPerSample), 4);
    putLittle(b, static_cast<std::uint32_t>(channels * bytesPerSample), 2);
    putLittle(b, static_cast<std::uint32_t>(bits), 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    putLittle(b, static_cast<std::uint32_t>(data.size()), 4);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline void writeFile(const QString& path, const Bytes& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

// Collects what is written to standard error while it lives.
class StderrCapture {
  public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        file_ = std::tmpfile();
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }

    // The lines written so far (the capture goes on).
    std::vector<std::string> lines() {
        std::fflush(stderr);
        std::vector<std::string> out;
        std::rewind(file_);
        std::string line;
        for (int c; (c = std::fgetc(file_)) != EOF;) {
            if (c == '\n') {
                out.push_back(line);
                line.clear();
            } else {
                line.push_back(static_cast<char>(c));
            }
        }
        if (!line.empty())
            out.push_back(line);
        std::fseek(file_, 0, SEEK_END);
        return out;
    }

    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
        std::fclose(file_);
    }

  private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

} // namespace soundtest
