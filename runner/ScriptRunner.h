#pragma once

// Runs the game's window logic without a screen, a sound device or real
// time, driven by a script of events, and writes what the script asks to see.

#include "audio/RecordingTegoSnd.h"
#include "game/CallLog.h"
#include "game/Desktop.h"
#include "game/frmLilyhops.h"
#include "runner/Names.h"
#include "timing/Scheduler.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace lilyhops::script {

// The desktop of the runner: message boxes answer OK at once, the About
// window is loaded and shown without waiting, and every call is recorded.
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

// The program's folder as the runner presents it to the game.
inline constexpr const char* kAppFolder = "/app";

class ScriptRunner {
  public:
    ScriptRunner();

    // Runs a whole script. Returns 0 when every line ran and every expect held,
    // 1 when an expect failed, 2 when a line could not be run.
    int run(std::istream& script, std::ostream& out, std::ostream& err);

    frmLilyhops& window() { return *window_; }

    // The most calls of the game that may wait for the next log line. Past
    // it the run stops (exit 2): a script that lets the game make that many
    // calls without a log line is almost surely a runaway.
    static constexpr std::size_t kMaxPendingCalls = 100000;

  private:
    enum class Outcome { Ok, ExpectFailed, Stop };
    Outcome runLine(const std::vector<Word>& words, int lineNo, std::ostream& out,
                    std::ostream& err);
    // Writes one line of output at once, so that a failed write is reported
    // at the line that made it.
    void writeLine(std::ostream& out, const std::string& text);
    bool tooManyCalls() const;
    static std::string tooManyCallsMessage();
    static std::string cannotWrite();

    Scheduler clock_;
    CallLog log_;
    RecordingTegoSnd sound_;
    RecordingDesktop desktop_;
    std::unique_ptr<frmLilyhops> window_;
};

// Splits a script line into words; a quoted text is one word. Throws
// std::runtime_error on an unterminated quote or a bad escape.
std::vector<Word> splitWords(const std::string& line);

} // namespace lilyhops::script
