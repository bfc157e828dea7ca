#include "audio/real/InstrumentKeys.h"

namespace lilyhops {

InstrumentKeys keysPlayedIn(const MidiSong& song) {
    constexpr int kDrums = 9;
    int bank[16] = {};
    int program[16] = {};
    bank[kDrums] = 128; // FluidSynth's bank of drum kits
    InstrumentKeys used;
    for (const MidiEvent& e : song.events()) {
        const int ch = e.channel();
        if (e.kind() == 0xB0 && e.data1 == 0 && ch != kDrums)
            bank[ch] = e.data2;
        else if (e.kind() == 0xC0)
            program[ch] = e.data1;
        else if (e.isNoteOn())
            used[{bank[ch], program[ch]}].set(e.data1 & 0x7F);
    }
    return used;
}

void addKeys(InstrumentKeys& to, const InstrumentKeys& more) {
    for (const auto& [instrument, keys] : more)
        to[instrument] |= keys;
}

InstrumentKeys keysLacking(const InstrumentKeys& have, const InstrumentKeys& wanted) {
    InstrumentKeys lacking;
    for (const auto& [instrument, keys] : wanted) {
        auto it = have.find(instrument);
        if (it == have.end() || (keys & ~it->second).any())
            lacking[instrument] = keys;
    }
    return lacking;
}

} // namespace lilyhops
