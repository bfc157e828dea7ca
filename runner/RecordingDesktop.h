#pragma once

// The desktop of the runner: message boxes answer OK at once, the About
// window is loaded and shown without waiting, and every call is recorded.

#include "game/CallLog.h"
#include "game/Desktop.h"
#include "timing/Scheduler.h"

namespace lilyhops {
class frmLilyhops;
}

namespace lilyhops::script {

class RecordingDesktop : public Desktop, public RichTextBox {
  public:
    RecordingDesktop(CallLog& log, Scheduler& clock) : log_(log), clock_(clock) {}

    int MsgBox(const std::string& text, const std::string& title, int style) override;
    void ShowAbout(int mode) override;
    void End() override;
    bool MainWindowIsActive() override { return active; }
    void FocusKeyCatcher() override {}
    void LoadFile(const std::string& file, int type) override;

    void attach(frmLilyhops& window) { window_ = &window; }

    bool active = true;
    bool ended = false;

  private:
    CallLog& log_;
    Scheduler& clock_;
    frmLilyhops* window_ = nullptr;
};

} // namespace lilyhops::script
