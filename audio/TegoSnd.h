#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace lilyhops {

// The sound control the main window plays every effect and song through.
//
// Positions and lengths are milliseconds. A position read before StopMusic is
// a valid start position for PlayMusic of the same file, so a paused song
// resumes where it stopped. The window's handler for PlaybackNotify is run on
// the window's own thread, between two handlers, never inside one.
class TegoSnd {
  public:
    virtual ~TegoSnd() = default;

    // Plays a wave file once and returns at once; the music goes on.
    virtual void PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) = 0;
    // Replaces whatever music plays and plays the MIDI file once, from `start`.
    virtual void PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) = 0;
    virtual void StopMusic() = 0;
    virtual std::int32_t TrackLength() = 0;
    virtual std::int32_t TrackPosition() = 0;
    virtual bool IsPlaying() = 0;

    // The window subscribes to the control's one event.
    void onPlaybackNotify(std::function<void()> handler) { playbackNotify_ = std::move(handler); }

  protected:
    void raisePlaybackNotify() {
        if (playbackNotify_)
            playbackNotify_();
    }

  private:
    std::function<void()> playbackNotify_;
};

} // namespace lilyhops
