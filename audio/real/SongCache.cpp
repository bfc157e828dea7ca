#include "audio/real/SongCache.h"

namespace lilyhops {

std::shared_ptr<const MidiSong> SongCache::get(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code sizeError, timeError;
    const std::uintmax_t size = fs::file_size(path, sizeError);
    const fs::file_time_type written = fs::last_write_time(path, timeError);
    const bool known = !sizeError && !timeError;
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = songs_.find(path);
        if (known && it != songs_.end() && it->second.size == size && it->second.written == written)
            return it->second.song;
    }
    std::optional<MidiSong> loaded = MidiSong::load(path, error);
    std::lock_guard<std::mutex> hold(lock_);
    if (!loaded) {
        songs_.erase(path);
        return nullptr;
    }
    auto song = std::make_shared<const MidiSong>(std::move(*loaded));
    if (known)
        songs_[path] = Entry{size, written, song};
    return song;
}

} // namespace lilyhops
