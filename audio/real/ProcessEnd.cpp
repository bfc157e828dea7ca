#include "audio/real/ProcessEnd.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LILYHOPS_LEAK_CHECK 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LILYHOPS_LEAK_CHECK 1
#endif

#ifdef LILYHOPS_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace lilyhops {

void endProcess(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#ifdef LILYHOPS_LEAK_CHECK
    // The sanitizer's own leak check is one of the exit handlers skipped.
    __lsan_do_leak_check();
#endif
    ::_exit(status);
}

} // namespace lilyhops
