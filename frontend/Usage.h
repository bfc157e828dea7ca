#pragma once

// What `lilyhops --help` prints.

#include <string>

namespace lilyhops {

std::string gameUsage();

} // namespace lilyhops
