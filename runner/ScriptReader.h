#pragma once

// Reads a script one line at a time. A line has a length limit, so that an
// input without line ends (/dev/zero) is refused instead of filling memory,
// and a read error (a folder, a failing device) is told apart from the end
// of the script. A UTF-8 byte-order mark at the very start is skipped.

#include <cstddef>
#include <iosfwd>
#include <string>

namespace lilyhops::script {

class ScriptReader {
  public:
    static constexpr std::size_t kMaxLineBytes = 65536;

    enum class Status { Line, End, TooLong, Unreadable };

    explicit ScriptReader(std::istream& in) : in_(in) {}

    // The next line, without its line end. A last line without a line end
    // still counts as a line.
    Status next(std::string& line);
    // Why the input could not be read, after Status::Unreadable.
    const std::string& error() const { return error_; }

  private:
    std::istream& in_;
    bool atStart_ = true;
    std::string error_;
};

} // namespace lilyhops::script
