#pragma once

// Runs the game's window logic without a screen, a sound device or real
// time, driven by a script of events, and writes what the script asks to see.

#include "runner/RecordingDesktop.h"
#include "runner/VirtualWorld.h"

#include <iosfwd>

namespace lilyhops::script {

class ScriptRunner {
  public:
    // Runs a whole script, each line as soon as it is read. Returns 0 when
    // every line ran and every expect held, 1 when an expect failed, 2 when
    // a line could not be run.
    int run(std::istream& script, std::ostream& out, std::ostream& err);

  private:
    VirtualWorld world_;
};

} // namespace lilyhops::script
