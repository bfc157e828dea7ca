#include "recording/InputGate.h"

#include "game/frmLilyhops.h"
#include "recording/ScriptRecorder.h"

#include <algorithm>

namespace lilyhops {

InputGate::InputGate(frmLilyhops& game, std::function<Millis()> catchUp)
    : game_(game), catchUp_(std::move(catchUp)) {}

bool InputGate::admitPlayerInput() {
    if (replaying_)
        return false;
    catchUp_();
    return true;
}

void InputGate::record(const std::string& line) {
    if (recorder_)
        recorder_->input(game_.scheduler().now(), line);
}

void InputGate::keyDown(std::int16_t code) {
    if (!admitPlayerInput())
        return;
    record("keydown " + std::to_string(code));
    game_.txtControl_KeyDown(code, 0);
}

void InputGate::keyPress(std::int16_t character) {
    if (!admitPlayerInput())
        return;
    record("keypress " + std::to_string(character));
    game_.txtControl_KeyPress(character);
}

void InputGate::keyUp(std::int16_t code) {
    if (!admitPlayerInput())
        return;
    record("keyup " + std::to_string(code));
    game_.txtControl_KeyUp(code, 0);
}

void InputGate::menu(MenuItem& item) {
    if (!admitPlayerInput())
        return;
    // Exit ends a script at once, so the final state is written before it.
    if (recorder_ && &item == &game_.mnuExit && item.reachable())
        recorder_->finish(game_.scheduler().now(), game_);
    record("menu " + item.name);
    game_.chooseMenu(item);
}

void InputGate::aboutClosed() {
    if (!admitPlayerInput() || !game_.frmAbout.Loaded)
        return;
    record("call frmAbout.cmdOK_Click");
    game_.frmAbout.cmdOK_Click();
}

void InputGate::rulesClosed() {
    if (!admitPlayerInput())
        return;
    // Nothing of the game changes; the note helps a reader find the place.
    if (recorder_)
        recorder_->comment("the rules box is closed at " + std::to_string(game_.scheduler().now()) +
                           " ms");
}

void InputGate::songEnded() {
    // In a replay only the recording's own song ends come here.
    if (!replaying_) {
        catchUp_();
        // The game acts only on a song that has played to its end; so does
        // the runner's `song end`, which is recorded only for such an end.
        if (game_.TegoSnd.TrackPosition() == game_.TegoSnd.TrackLength())
            record("song end");
    }
    game_.TegoSnd_PlaybackNotify();
}

void InputGate::lostFocus() {
    // Not recorded: it changes nothing of the game, only where the keys go.
    if (!replaying_)
        catchUp_();
    game_.txtControl_LostFocus();
}

bool InputGate::activeAsSeen(bool active) {
    if (replaying_)
        return replayedActive_;
    if (recorder_ && active != recordedActive_) {
        // Asked during the focus timer's tick at `now`: the runner must learn
        // of the change after every event before that tick and before the
        // tick itself, and only the focus timer reads it.
        Millis now = game_.scheduler().now();
        recorder_->input(std::max(now - 1, recorder_->writtenUpTo()),
                         active ? "active on" : "active off");
        recordedActive_ = active;
    }
    return active;
}

void InputGate::activationNoticed(bool active) {
    if (replaying_ || !recorder_)
        return;
    Millis now = catchUp_();
    recorder_->comment(
        std::string(active ? "the window became active" : "the window lost activation") + " at " +
        std::to_string(now) + " ms (Qt's notice)");
}

void InputGate::windowClosing() {
    if (replaying_ || !recorder_ || recorder_->finished())
        return;
    Millis now = catchUp_();
    recorder_->comment("the window is closed at " + std::to_string(now) + " ms");
    recorder_->finish(now, game_);
}

} // namespace lilyhops
