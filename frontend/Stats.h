#pragma once

// Figures for the engine benchmark (bench/engine.sh), kept only on request:
// with LILYHOPS_STATS=FILE in the environment the game notes every paint of
// the playfield, every timer tick with the time it was due, every key the
// playfield takes, every sound the game asks for and the CPU time the sound
// engine's mixer has used. At exit it writes them to FILE, one per line,
// times in CLOCK_MONOTONIC nanoseconds so that a benchmark can line them up
// with its own clock:
//   paint NS
//   tick TIMER NS DUE_MS       (DUE_MS: the game's own clock, in milliseconds)
//   key NS down|up CODE        (CODE: the game's key code; held-key repeats
//                               come as more downs)
//   effect NS FILE             (the game called PlayEffect)
//   music NS play START_MS FILE
//   music NS stop
//   mixer NS CPU_NS            (the mixer's CPU time so far: at every tick of
//                               the focus timer and at exit)
//   underruns COUNT            (at exit: the times the sound device ran dry
//                               while there was sound to play)
// The benchmark tells from these what each frame showed (what ran before it)
// and pairs every hop key with the sound the game played for it.
// Without the variable nothing is watched and nothing is written.

#include "audio/TegoSnd.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lilyhops {

class GameWindow;
class Scheduler;
class Timer;

// The sound control as the game sees it while statistics are kept: every
// call goes on to the real control unchanged, and the sounds the game asks
// for are noted with their time.
class StatsSound : public TegoSnd {
  public:
    struct Call {
        std::int64_t ns;
        enum class Kind { Effect, Play, Stop } kind;
        std::string file;
        std::int32_t start;
    };

    explicit StatsSound(TegoSnd& sound);
    ~StatsSound() override;

    void PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void StopMusic() override;
    std::int32_t TrackLength() override { return sound_.TrackLength(); }
    std::int32_t TrackPosition() override { return sound_.TrackPosition(); }
    bool IsPlaying() override { return sound_.IsPlaying(); }

    const std::vector<Call>& calls() const { return calls_; }

  private:
    TegoSnd& sound_;
    std::vector<Call> calls_;
};

class Stats : public QObject {
    Q_OBJECT
  public:
    // Watches `window` when `file` is set and not empty. The sound calls are
    // written when `sound` (the control the window was given) is set, the
    // mixer's CPU time when `mixerCpuSeconds` is, and the device's underruns
    // when `underruns` is.
    Stats(const char* file, GameWindow& window, Scheduler& scheduler,
          const StatsSound* sound = nullptr, std::function<double()> mixerCpuSeconds = {},
          std::function<int()> underruns = {});
    // Writes the file; a file that cannot be written is told on standard error.
    ~Stats() override;

    bool watching() const { return !file_.empty(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Tick {
        const Timer* timer;
        std::int64_t ns;
        std::int64_t dueMs;
    };
    struct Watched {
        Timer* timer;
        std::function<void()> handler;
    };
    struct Key {
        std::int64_t ns;
        bool down;
        int code;
    };
    struct MixerCpu {
        std::int64_t ns;
        std::int64_t cpuNs;
    };

    void noteMixerCpu();
    bool write() const;

    std::string file_;
    Scheduler& scheduler_;
    const StatsSound* sound_ = nullptr;
    std::function<double()> mixerCpuSeconds_;
    std::function<int()> underruns_;
    QObject* playfield_ = nullptr;
    std::vector<Watched> timers_;
    std::vector<std::int64_t> paints_;
    std::vector<Tick> ticks_;
    std::vector<Key> keys_;
    std::vector<MixerCpu> mixer_;
};

} // namespace lilyhops
