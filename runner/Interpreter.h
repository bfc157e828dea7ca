#pragma once

// The one interpreter of the runner's commands. Each statement of a script is
// compiled into a step, with its command, names, numbers and arguments all
// checked, and the step then acts on a world. The runner runs each step as
// soon as it is compiled; the window's replay compiles the whole script
// first and runs it a stretch at a time, from one `wait` to the next.

#include "runner/Statements.h"
#include "runner/World.h"

#include <functional>

namespace lilyhops::script {

enum class Outcome { Done, ExpectFailed };

// Runs one line. Throws LineError when the world cannot go on (output that
// cannot be written).
using Step = std::function<Outcome()>;

// Throws LineError, saying what is wrong, when the statement cannot be run.
// The step holds on to `world`, which must outlive it.
Step compile(const Statement& statement, World& world);

} // namespace lilyhops::script
