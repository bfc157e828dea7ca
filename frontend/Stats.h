#pragma once

// Figures for the engine benchmark (bench/engine.sh), kept only on request:
// with LILYHOPS_STATS=FILE in the environment the game notes every paint of
// the playfield and every timer tick with the time it was due. At exit it
// writes them to FILE, one per line, times in CLOCK_MONOTONIC nanoseconds so
// that a benchmark can line them up with its own clock:
//   paint NS
//   tick TIMER NS DUE_MS     (DUE_MS: the game's own clock, in milliseconds)
// Without the variable nothing is watched and nothing is written.

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lilyhops {

class GameWindow;
class Scheduler;
class Timer;

class Stats : public QObject {
    Q_OBJECT
  public:
    // Watches `window` when `file` is set and not empty.
    Stats(const char* file, GameWindow& window, Scheduler& scheduler);
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

    bool write() const;

    std::string file_;
    Scheduler& scheduler_;
    QObject* playfield_ = nullptr;
    std::vector<Watched> timers_;
    std::vector<std::int64_t> paints_;
    std::vector<Tick> ticks_;
};

} // namespace lilyhops
