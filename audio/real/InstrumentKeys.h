#pragma once

// The instruments a song plays and, for each, the keys it plays on it: what
// has to be read from the SoundFont for the song to sound as written.

#include "audio/real/MidiSong.h"

#include <bitset>
#include <map>
#include <utility>

namespace lilyhops {

// (bank, program) to the keys (MIDI note numbers) struck on it. Drum kits are
// in FluidSynth's bank 128.
using InstrumentKeys = std::map<std::pair<int, int>, std::bitset<128>>;

InstrumentKeys keysPlayedIn(const MidiSong& song);

// Adds the keys of `more` to `to`.
void addKeys(InstrumentKeys& to, const InstrumentKeys& more);

// What `wanted` plays that `have` lacks: each instrument with any key missing,
// with all the keys it needs.
InstrumentKeys keysLacking(const InstrumentKeys& have, const InstrumentKeys& wanted);

} // namespace lilyhops
