#pragma once

// A sound control that plays nothing and records every call. Songs "play" on
// the scheduler's clock: a song of the set length started at `start` reaches
// its end (length - start) ms later, stops there with its position equal to
// its length, and raises PlaybackNotify.

#include "audio/TegoSnd.h"
#include "game/CallLog.h"
#include "timing/Scheduler.h"

#include <optional>

namespace lilyhops {

class RecordingTegoSnd : public TegoSnd {
  public:
    RecordingTegoSnd(Scheduler& clock, CallLog& log) : clock_(clock), log_(log) {}

    void PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void StopMusic() override;
    std::int32_t TrackLength() override { return length_; }
    std::int32_t TrackPosition() override;
    bool IsPlaying() override { return playing_; }

    // The length reported for every song started from now on.
    void setSongLength(std::int32_t ms) { nextLength_ = ms; }
    // The playing song plays to its end at once; nothing happens without one.
    void endSongNow();

  private:
    void finish();

    Scheduler& clock_;
    CallLog& log_;
    std::int32_t nextLength_ = 120000;
    std::int32_t length_ = 0;
    std::int32_t startPos_ = 0;
    Millis startedAt_ = 0;
    std::int32_t stoppedPos_ = 0;
    bool playing_ = false;
    std::optional<Scheduler::EventId> endEvent_;
};

} // namespace lilyhops
