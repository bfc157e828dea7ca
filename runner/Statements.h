#pragma once

// The lines of a script that say something, split into words: blank lines
// and comments are passed over, and the rest must be UTF-8 text. The runner
// and the window's replay both read scripts this way, so a file is refused
// at the same line with the same message wherever it is run.

#include "runner/ScriptReader.h"
#include "runner/Words.h"

#include <iosfwd>
#include <optional>
#include <vector>

namespace lilyhops::script {

struct Statement {
    int line = 0;
    std::vector<Word> words; // never empty
};

class StatementReader {
  public:
    explicit StatementReader(std::istream& in) : reader_(in) {}

    // The next statement, or nothing at the end of the script. Throws
    // LineError when a line cannot be read, is too long, is not UTF-8 or
    // does not split into words; `line()` then names it.
    std::optional<Statement> next();

    // The number of the line read last, or of the one that could not be.
    int line() const { return line_; }

  private:
    ScriptReader reader_;
    int line_ = 0;
};

} // namespace lilyhops::script
