#include "runner/RecordingDesktop.h"

#include "game/frmLilyhops.h"

namespace lilyhops::script {

int RecordingDesktop::MsgBox(const std::string& text, const std::string& title, int style) {
    log_.record("MsgBox", {text, title, std::int64_t(style)});
    return 1;
}

void RecordingDesktop::ShowAbout(int mode) {
    log_.record("Show", {std::string("frmAbout"), std::int64_t(mode)});
    if (window_) {
        window_->frmAbout.Load();
        window_->frmAbout.Visible = true;
    }
}

void RecordingDesktop::End() {
    log_.record("End");
    ended = true;
    clock_.halt();
}

void RecordingDesktop::LoadFile(const std::string& file, int type) {
    log_.record("LoadFile", {file, std::int64_t(type)});
}

} // namespace lilyhops::script
