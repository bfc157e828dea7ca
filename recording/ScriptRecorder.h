#pragma once

// Writes a game as a script of the runner `lilyhops-script`: every input the
// game took, in order, with `wait` lines carrying the game's own clock
// between them, and at the end `expect` lines of the state the game reached.
// Each line is flushed as it is written, so that a recording cut short by a
// crash or a signal still runs up to its last input.

#include "timing/Scheduler.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lilyhops {

class frmLilyhops;

// A length no song reaches: in a recording a song ends only where the real
// one did, by a `song end` line.
inline constexpr std::int32_t kEndlessSong = 2147483647;

class ScriptRecorder {
  public:
    // `onWriteError` is told once when the output cannot be written any more;
    // from then on nothing is written.
    ScriptRecorder(std::ostream& out, std::function<void(const std::string&)> onWriteError = {});

    // The comment lines at the top and the settings the runner needs.
    void begin(const std::vector<std::string>& headerComments);
    // An input taken at game time `at`: a `wait` up to it, then the line.
    void input(Millis at, const std::string& line);
    // A note for the reader; it moves no clock.
    void comment(const std::string& text);
    // The state at game time `at`, as `expect` lines; written once. Inputs
    // may still follow (Exit, which ends the runner before anything after it).
    void finish(Millis at, frmLilyhops& game);

    bool finished() const { return finished_; }
    // The game time of the last line written.
    Millis writtenUpTo() const { return last_; }

  private:
    void write(const std::string& line);
    void waitUntil(Millis at);

    std::ostream& out_;
    std::function<void(const std::string&)> onWriteError_;
    Millis last_ = 0;
    bool failed_ = false;
    bool finished_ = false;
};

// The names whose values a recording checks at its end: what the player sees
// of the game (score, lives, the toad, the bays, every lane, the time bar)
// and the state behind it. Left out are the values that come from the real
// sound device and cannot agree with the runner's silent one: the song's
// position and length, `musicPos` saved from it, and the music bar drawn
// from them.
std::vector<std::string> finalStateNames(frmLilyhops& game);

// "expect NAME VALUE" with the game's current value, or "" when the runner
// could not check it (a name it can only read, a text with a line break).
std::string expectLine(frmLilyhops& game, const std::string& name);

} // namespace lilyhops
