#pragma once

// The sound control of a replay. The game hears the runner's silent song
// clock, so that songs end where the recording says and nowhere else, while
// every effect and song is also played aloud on the real control, whose own
// song ends are not passed on.

#include "audio/RecordingTegoSnd.h"
#include "game/CallLog.h"

namespace lilyhops {

class ReplayTegoSnd : public TegoSnd {
  public:
    ReplayTegoSnd(Scheduler& clock, TegoSnd& speaker);

    void PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) override;
    void StopMusic() override;
    std::int32_t TrackLength() override { return model_.TrackLength(); }
    std::int32_t TrackPosition() override { return model_.TrackPosition(); }
    bool IsPlaying() override { return model_.IsPlaying(); }

    // What `song length` and `song end` act on.
    RecordingTegoSnd& songClock() { return model_; }

  private:
    CallLog calls_; // the silent control notes every call; nobody reads them
    RecordingTegoSnd model_;
    TegoSnd& speaker_;
};

} // namespace lilyhops
