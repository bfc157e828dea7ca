#pragma once

// A General MIDI SoundFont holds some two hundred instruments; FluidSynth
// builds its tables for every one of them as it loads the file (about 12 MB
// for Debian's FluidR3, even when it reads each instrument's samples only
// once the instrument is chosen), though the game's songs play perhaps
// fifteen, and of each only the keys they strike: a drum kit's samples take
// 11 MB, the few drums a song plays a fifth of that. A subset is the same
// file seen with only the instruments asked for, and in them only the zones
// that sound on the keys asked for: its own list of presets and instruments,
// and the original samples read in place. FluidSynth reads it through
// loadInto(), as if it were a file of its own.

#include "audio/real/InstrumentKeys.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct _fluid_synth_t;

namespace lilyhops {

class SoundFontSubset {
  public:
    // The presets (bank, program) of `path` in `keep`, each with the zones
    // that sound on its keys in `keep`, or nothing with a short reason in
    // `error` when the file is not a SoundFont it can read. Presets the file
    // lacks are left out.
    static std::optional<SoundFontSubset> make(const std::string& path, const InstrumentKeys& keep,
                                               std::string& error);

    // Has FluidSynth load the subset on top of what it has; returns its
    // SoundFont id, or -1. With `selectAgain` every channel picks its
    // instrument afresh, as after loading any SoundFont.
    int loadInto(_fluid_synth_t* synth, bool selectAgain = true) const;

    int presetCount() const { return presets_; }
    // The subset as one file: what FluidSynth reads. Its samples are read
    // from `original`, the SoundFont's own file, opened by the caller.
    const std::string& path() const { return path_; }
    std::uint64_t size() const { return head_.size() + samplesLength_ + tail_.size(); }
    // Copies `count` bytes from `offset` of the subset; false past its end.
    bool read(std::FILE* original, std::uint64_t offset, char* to, std::uint64_t count) const;

  private:
    std::string path_;
    std::vector<char> head_;          // RIFF header and INFO list
    std::uint64_t samplesOffset_ = 0; // the sample list, where it is in the file
    std::uint64_t samplesLength_ = 0;
    std::vector<char> tail_; // the new preset data list
    int presets_ = 0;
};

} // namespace lilyhops
