#include "runner/VirtualWorld.h"

#include "runner/Words.h"

#include <cerrno>
#include <cstring>
#include <ostream>

namespace lilyhops::script {

namespace {

// Flushes `out`; throws, with the system's reason when it gave one, when
// anything written since errno was cleared did not reach it.
void flushOrThrow(std::ostream& out) {
    out.flush();
    if (out)
        return;
    std::string reason = errno ? std::string(": ") + std::strerror(errno) : std::string();
    throw LineError("cannot write to standard output" + reason);
}

} // namespace

VirtualWorld::VirtualWorld() : sound_(clock_, log_), desktop_(log_, clock_) {
    game_ = std::make_unique<frmLilyhops>(clock_, sound_, desktop_, desktop_, kAppFolder);
    desktop_.attach(*game_);
    game_->Form_Load();
    // One long wait must not collect calls without end (an hour of songs of
    // one millisecond each): the clock stops as soon as too many are waiting
    // for a log line, and the run stops after the line.
    clock_.onChanged = [this] {
        if (tooManyCalls())
            clock_.halt();
    };
}

void VirtualWorld::writeTo(std::ostream& out, std::ostream& err) {
    out_ = &out;
    err_ = &err;
}

void VirtualWorld::checkPendingCalls() const {
    if (tooManyCalls())
        throw LineError("the game made more than " + std::to_string(kMaxPendingCalls) +
                        " calls since the last log; a log line must come sooner");
}

void VirtualWorld::flushOutput() {
    errno = 0;
    flushOrThrow(*out_);
}

// Each line is written at once, so that a failed write is reported at the
// line that made it.
void VirtualWorld::print(const std::string& line) {
    errno = 0;
    *out_ << line << "\n";
    flushOrThrow(*out_);
}

void VirtualWorld::report(const std::string& line) {
    *err_ << line << "\n";
}

} // namespace lilyhops::script
