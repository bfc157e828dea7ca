#pragma once

// Songs read once and kept while their files stay the same, shared by the
// game's thread and the audio thread: the audio thread reads the game's songs
// ahead, so starting, pausing, resuming and changing songs read nothing.

#include "audio/real/MidiSong.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace lilyhops {

class SongCache {
  public:
    // The song in `path`, read now unless it was read before and the file
    // has kept its size and time since. On failure returns nothing with a
    // short reason in `error`.
    std::shared_ptr<const MidiSong> get(const std::string& path, std::string& error);

  private:
    struct Entry {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type written;
        std::shared_ptr<const MidiSong> song;
    };

    std::mutex lock_; // held for lookups only, never while a file is read
    std::map<std::string, Entry> songs_;
};

} // namespace lilyhops
