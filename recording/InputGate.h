#pragma once

// The one way in for everything the window hands to the game: keys, menu
// choices, the window's activation as the focus timer sees it, the end of a
// song, and the closing of the About window and the rules box.
//
// Before an input reaches the game the game's clock is brought to the
// present, so every tick due before the input has run and a timer the input
// switches on counts from the input's own instant. The script runner works
// the same way (its clock always stands at the present), which is what lets a
// recording of the window run unchanged in the runner: each input is written
// with the game time at which it came.

#include "timing/Scheduler.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace lilyhops {

class frmLilyhops;
struct MenuItem;
class ScriptRecorder;

class InputGate {
  public:
    // `catchUp` runs everything due up to the present on the game's
    // scheduler and returns the present, in game time.
    InputGate(frmLilyhops& game, std::function<Millis()> catchUp);

    // Every input from now on is written to `recorder` (none: not recorded).
    void recordTo(ScriptRecorder* recorder) { recorder_ = recorder; }
    ScriptRecorder* recorder() const { return recorder_; }

    // While a recording is replayed the player steers nothing: keys, menu
    // choices and the closing of windows are passed over, and the focus timer
    // sees the activation the recording gives, not the window's own.
    void setReplaying(bool on) { replaying_ = on; }
    bool replaying() const { return replaying_; }
    void setReplayedActive(bool active) { replayedActive_ = active; }

    // The playfield's keys: Windows virtual-key codes, and characters.
    void keyDown(std::int16_t code);
    void keyPress(std::int16_t character);
    void keyUp(std::int16_t code);
    // A menu item chosen with the mouse or with its shortcut.
    void menu(MenuItem& item);
    // The About window closed, by its OK button or by its title bar.
    void aboutClosed();
    // The rules box closed, and the main window takes input again.
    void rulesClosed();
    // The sound control's PlaybackNotify.
    void songEnded();
    // The key-catching control lost the keyboard focus.
    void lostFocus();

    // The focus timer asks whether the main window is active; `active` is
    // the desktop's answer. Returns the answer the game is to act on.
    bool activeAsSeen(bool active);
    // Qt's own notice that the window gained or lost activation. The focus
    // timer acts on it at its next tick; a recording notes when it came.
    void activationNoticed(bool active);

    // The window is being closed: a recording ends with the final state.
    void windowClosing();

  private:
    // Brings the clock to the present for an input of the player's; false
    // while replaying, when the input is passed over.
    bool admitPlayerInput();
    void record(const std::string& line);

    frmLilyhops& game_;
    std::function<Millis()> catchUp_;
    ScriptRecorder* recorder_ = nullptr;
    bool replaying_ = false;
    bool replayedActive_ = true;
    // What the recording last told the runner about the window's activation;
    // the runner starts with the window active.
    bool recordedActive_ = true;
};

} // namespace lilyhops
