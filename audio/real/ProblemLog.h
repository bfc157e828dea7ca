#pragma once

// The sound control's one voice on standard error: each problem is told once,
// as one line, whichever thread finds it.

#include <mutex>
#include <set>
#include <string>

namespace lilyhops {

class ProblemLog {
  public:
    // Writes "lilyhops: <line>" unless the same line was written before.
    void report(const std::string& line);

  private:
    std::mutex lock_;
    std::set<std::string> told_;
};

} // namespace lilyhops
