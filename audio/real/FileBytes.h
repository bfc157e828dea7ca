#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lilyhops {

// Reads a whole file. On failure returns false with a short reason in `error`
// ("is missing", "is a folder", "is too large", ...). An empty file is read
// as no bytes; telling whether that is acceptable is the caller's business.
bool readFileBytes(const std::string& path, std::size_t largest, std::vector<std::uint8_t>& bytes,
                   std::string& error);

} // namespace lilyhops
