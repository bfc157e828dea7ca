#include "recording/ReplayTegoSnd.h"

namespace lilyhops {

ReplayTegoSnd::ReplayTegoSnd(Scheduler& clock, TegoSnd& speaker)
    : model_(clock, calls_), speaker_(speaker) {
    model_.onPlaybackNotify([this] { raisePlaybackNotify(); });
    speaker_.onPlaybackNotify({});
}

void ReplayTegoSnd::PlayEffect(const std::string& file, std::int32_t start, std::int32_t flags) {
    model_.PlayEffect(file, start, flags);
    calls_.take();
    speaker_.PlayEffect(file, start, flags);
}

void ReplayTegoSnd::PlayMusic(const std::string& file, std::int32_t start, std::int32_t flags) {
    model_.PlayMusic(file, start, flags);
    calls_.take();
    speaker_.PlayMusic(file, start, flags);
}

void ReplayTegoSnd::StopMusic() {
    model_.StopMusic();
    calls_.take();
    speaker_.StopMusic();
}

} // namespace lilyhops
