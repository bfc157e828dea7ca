#include "audio/real/FileBytes.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace lilyhops {

bool readFileBytes(const std::string& path, std::size_t largest, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) {
        error = "is missing";
        return false;
    }
    if (fs::is_directory(st)) {
        error = "is a folder, not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot be opened (") + std::strerror(errno) + ")";
        return false;
    }
    bytes.clear();
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > largest) {
            error = "is too large";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot be read";
        return false;
    }
    return true;
}

} // namespace lilyhops
