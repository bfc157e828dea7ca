#include "audio/real/ProblemLog.h"

#include <cstdio>

namespace lilyhops {

void ProblemLog::report(const std::string& line) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!told_.insert(line).second)
        return;
    std::fprintf(stderr, "lilyhops: %s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace lilyhops
