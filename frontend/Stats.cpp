#include "frontend/Stats.h"

#include "frontend/GameWindow.h"
#include "frontend/PlayfieldView.h"

#include <QEvent>
#include <QKeyEvent>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iostream>
#include <utility>

namespace lilyhops {

namespace {

// CLOCK_MONOTONIC, the clock the benchmark reads too (Python's
// time.monotonic_ns).
std::int64_t monotonicNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

StatsSound::StatsSound(TegoSnd& sound) : sound_(sound) {
    // The end of a song reaches the game through this control.
    sound_.onPlaybackNotify([this] { raisePlaybackNotify(); });
}

StatsSound::~StatsSound() {
    sound_.onPlaybackNotify({});
}

void StatsSound::PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) {
    calls_.push_back({monotonicNs(), Call::Kind::Effect, file, start});
    sound_.PlayEffect(file, start, flags);
}

void StatsSound::PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) {
    calls_.push_back({monotonicNs(), Call::Kind::Play, file, start});
    sound_.PlayMusic(file, start, flags);
}

void StatsSound::StopMusic() {
    calls_.push_back({monotonicNs(), Call::Kind::Stop, {}, 0});
    sound_.StopMusic();
}

Stats::Stats(const char* file, GameWindow& window, Scheduler& scheduler, const StatsSound* sound,
             std::function<double()> mixerCpuSeconds, std::function<int()> underruns)
    : file_(file ? file : ""), scheduler_(scheduler), sound_(sound),
      mixerCpuSeconds_(std::move(mixerCpuSeconds)), underruns_(std::move(underruns)) {
    if (!watching())
        return;
    playfield_ = &window.playfield();
    playfield_->installEventFilter(this);

    frmLilyhops& game = window.game();
    for (Timer* t : {&game.tmrRow12, &game.tmrRow38, &game.tmrRow46, &game.tmrRow57, &game.tmrDelay,
                     &game.tmrChkFocus}) {
        timers_.push_back({t, t->onTimer});
        const bool sampleMixer = t == &game.tmrChkFocus;
        // While a tick runs the scheduler stands at the instant it was due.
        t->onTimer = [this, t, sampleMixer, handler = t->onTimer] {
            ticks_.push_back({t, monotonicNs(), scheduler_.now()});
            // The focus timer never stops, and ten samples a second pin the
            // mixer's share of any stretch of play closely enough without
            // waking the game for them.
            if (sampleMixer)
                noteMixerCpu();
            if (handler)
                handler();
        };
    }
}

Stats::~Stats() {
    if (!watching())
        return;
    for (const Watched& w : timers_)
        w.timer->onTimer = w.handler;
    if (playfield_)
        playfield_->removeEventFilter(this);
    noteMixerCpu();
    if (!write())
        std::cerr << "lilyhops: cannot write the statistics file " << file_ << "\n";
}

void Stats::noteMixerCpu() {
    if (mixerCpuSeconds_)
        mixer_.push_back({monotonicNs(), std::llround(mixerCpuSeconds_() * 1e9)});
}

bool Stats::eventFilter(QObject* watched, QEvent* event) {
    if (watched != playfield_)
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        paints_.push_back(monotonicNs());
        break;
    case QEvent::KeyPress:
        keys_.push_back({monotonicNs(), true,
                         PlayfieldView::virtualKey(static_cast<QKeyEvent*>(event)->key())});
        break;
    case QEvent::KeyRelease: {
        // The game never sees a repeat's release.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            keys_.push_back({monotonicNs(), false, PlayfieldView::virtualKey(key->key())});
        break;
    }
    default:
        break;
    }
    return false;
}

bool Stats::write() const {
    std::ofstream out(file_, std::ios::trunc);
    if (!out)
        return false;
    for (std::int64_t ns : paints_)
        out << "paint " << ns << "\n";
    for (const Tick& t : ticks_)
        out << "tick " << t.timer->name() << " " << t.ns << " " << t.dueMs << "\n";
    for (const Key& k : keys_)
        out << "key " << k.ns << (k.down ? " down " : " up ") << k.code << "\n";
    if (sound_) {
        for (const StatsSound::Call& c : sound_->calls()) {
            switch (c.kind) {
            case StatsSound::Call::Kind::Effect:
                out << "effect " << c.ns << " " << c.file << "\n";
                break;
            case StatsSound::Call::Kind::Play:
                out << "music " << c.ns << " play " << c.start << " " << c.file << "\n";
                break;
            case StatsSound::Call::Kind::Stop:
                out << "music " << c.ns << " stop\n";
                break;
            }
        }
    }
    for (const MixerCpu& m : mixer_)
        out << "mixer " << m.ns << " " << m.cpuNs << "\n";
    if (underruns_)
        out << "underruns " << underruns_() << "\n";
    out.flush();
    return bool(out);
}

} // namespace lilyhops
