#include "audio/RecordingTegoSnd.h"

#include <algorithm>

namespace lilyhops {

void RecordingTegoSnd::PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) {
    log_.record("PlayEffect", {file, start, flags});
}

void RecordingTegoSnd::PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) {
    log_.record("PlayMusic", {file, start, flags});
    if (endEvent_)
        clock_.cancel(*endEvent_);
    length_ = nextLength_;
    startPos_ = std::clamp(start, 0, length_);
    startedAt_ = clock_.now();
    playing_ = true;
    endEvent_ = clock_.scheduleAt(startedAt_ + (length_ - startPos_), [this] {
        endEvent_.reset();
        finish();
    });
}

void RecordingTegoSnd::StopMusic() {
    log_.record("StopMusic");
    if (!playing_)
        return;
    stoppedPos_ = TrackPosition();
    playing_ = false;
    if (endEvent_) {
        clock_.cancel(*endEvent_);
        endEvent_.reset();
    }
}

std::int32_t RecordingTegoSnd::TrackPosition() {
    if (!playing_)
        return stoppedPos_;
    Millis pos = startPos_ + (clock_.now() - startedAt_);
    return std::int32_t(std::min<Millis>(pos, length_));
}

void RecordingTegoSnd::endSongNow() {
    if (!playing_)
        return;
    if (endEvent_) {
        clock_.cancel(*endEvent_);
        endEvent_.reset();
    }
    finish();
}

void RecordingTegoSnd::finish() {
    playing_ = false;
    stoppedPos_ = length_;
    raisePlaybackNotify();
}

} // namespace lilyhops
