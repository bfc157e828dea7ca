#include "audio/real/SoundFontSubset.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

namespace lilyhops {

namespace {

std::uint32_t le(const char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

void putLe(std::vector<char>& to, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        to.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void setLe(char* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One list of fixed-size records of the preset data, the last one closing it.
struct Records {
    const char* data = nullptr;
    std::size_t size = 0; // bytes of one record
    std::size_t count = 0;
    const char* at(std::size_t i) const { return data + i * size; }
};

// The preset data's nine lists, in the order the format requires.
constexpr const char* kLists[] = {"phdr", "pbag", "pmod", "pgen", "inst",
                                  "ibag", "imod", "igen", "shdr"};
constexpr std::size_t kRecordSize[] = {38, 4, 10, 4, 22, 4, 10, 4, 46};
constexpr int kGenInstrument = 41;

constexpr int kGenKeyRange = 43;
constexpr int kGenSample = 53;

// The generators of zone `b`: [first, last) in `gens`.
std::pair<std::size_t, std::size_t> zoneGenerators(const Records& bags, const Records& gens,
                                                   std::size_t b) {
    const std::size_t from = le(bags.at(b), 2), to = le(bags.at(b + 1), 2);
    return {std::min(from, gens.count), std::min(to, gens.count)};
}

// What a zone says about itself: whether it plays something (an instrument,
// or a sample), and on which keys.
struct ZoneLook {
    bool plays = false;
    std::uint32_t target = 0;
    std::bitset<128> keys;
};

ZoneLook lookAt(const Records& bags, const Records& gens, std::size_t b, int targetGenerator) {
    ZoneLook z;
    z.keys.set();
    const auto [from, to] = zoneGenerators(bags, gens, b);
    for (std::size_t g = from; g < to; ++g) {
        const char* gen = gens.at(g);
        const int kind = static_cast<int>(le(gen, 2));
        if (kind == kGenKeyRange) {
            const int lo = static_cast<unsigned char>(gen[2]);
            const int hi = static_cast<unsigned char>(gen[3]);
            z.keys.reset();
            for (int k = lo; k <= hi && k < 128; ++k)
                z.keys.set(static_cast<std::size_t>(k));
        } else if (kind == targetGenerator) {
            z.plays = true;
            z.target = le(gen + 2, 2);
        }
    }
    return z;
}

// Copies zone `b` of a preset or instrument: its bag, rebased on what is
// already copied, and its generators and modulators. `remap` may change a
// generator's amount (the instrument a preset zone plays).
template <typename Remap>
void copyZone(const Records& bags, const Records& gens, const Records& mods, std::size_t b,
              std::vector<char>& newBags, std::vector<char>& newGens, std::vector<char>& newMods,
              Remap remap) {
    const auto [genFrom, genTo] = zoneGenerators(bags, gens, b);
    const std::size_t modFrom = le(bags.at(b) + 2, 2), modTo = le(bags.at(b + 1) + 2, 2);
    putLe(newBags, static_cast<std::uint32_t>(newGens.size() / 4), 2);
    putLe(newBags, static_cast<std::uint32_t>(newMods.size() / 10), 2);
    for (std::size_t g = genFrom; g < genTo; ++g) {
        const std::size_t at = newGens.size();
        newGens.insert(newGens.end(), gens.at(g), gens.at(g) + 4);
        remap(&newGens[at]);
    }
    for (std::size_t m = modFrom; m < modTo && m < mods.count; ++m)
        newMods.insert(newMods.end(), mods.at(m), mods.at(m) + 10);
}

void appendChunk(std::vector<char>& to, const char* id, const std::vector<char>& body) {
    to.insert(to.end(), id, id + 4);
    putLe(to, static_cast<std::uint32_t>(body.size()), 4);
    to.insert(to.end(), body.begin(), body.end());
}

// FluidSynth names the file it loads and opens it by that name again when
// it needs an instrument's samples; a subset is found by its name here.
std::mutex registryLock;
std::map<std::string, std::shared_ptr<const SoundFontSubset>> registry;
std::atomic<int> registered{0};
constexpr const char* kNameMark = "#lilyhops-subset-";

struct OpenFile {
    std::shared_ptr<const SoundFontSubset> subset; // none: a plain file
    std::FILE* file = nullptr;
    std::uint64_t position = 0;
};

void* openFile(const char* name) {
    std::shared_ptr<const SoundFontSubset> subset;
    {
        std::lock_guard<std::mutex> hold(registryLock);
        auto it = registry.find(name);
        if (it != registry.end())
            subset = it->second;
    }
    std::FILE* file = std::fopen(subset ? subset->path().c_str() : name, "rb");
    if (!file)
        return nullptr;
    return new OpenFile{subset, file, 0};
}

int readFile(void* buf, fluid_long_long_t count, void* handle) {
    auto* f = static_cast<OpenFile*>(handle);
    if (count < 0)
        return FLUID_FAILED;
    if (!f->subset)
        return std::fread(buf, 1, static_cast<std::size_t>(count), f->file) ==
                       static_cast<std::size_t>(count)
                   ? FLUID_OK
                   : FLUID_FAILED;
    if (!f->subset->read(f->file, f->position, static_cast<char*>(buf),
                         static_cast<std::uint64_t>(count)))
        return FLUID_FAILED;
    f->position += static_cast<std::uint64_t>(count);
    return FLUID_OK;
}

int seekFile(void* handle, fluid_long_long_t offset, int origin) {
    auto* f = static_cast<OpenFile*>(handle);
    if (!f->subset)
        return fseeko(f->file, static_cast<off_t>(offset), origin) == 0 ? FLUID_OK : FLUID_FAILED;
    const auto size = static_cast<fluid_long_long_t>(f->subset->size());
    const fluid_long_long_t base = origin == SEEK_SET ? 0
                                   : origin == SEEK_CUR
                                       ? static_cast<fluid_long_long_t>(f->position)
                                       : size;
    if (base + offset < 0 || base + offset > size)
        return FLUID_FAILED;
    f->position = static_cast<std::uint64_t>(base + offset);
    return FLUID_OK;
}

fluid_long_long_t tellFile(void* handle) {
    auto* f = static_cast<OpenFile*>(handle);
    if (!f->subset)
        return static_cast<fluid_long_long_t>(ftello(f->file));
    return static_cast<fluid_long_long_t>(f->position);
}

int closeFile(void* handle) {
    auto* f = static_cast<OpenFile*>(handle);
    std::fclose(f->file);
    delete f;
    return FLUID_OK;
}

} // namespace

std::optional<SoundFontSubset>
SoundFontSubset::make(const std::string& path, const InstrumentKeys& keep, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    char riff[12];
    if (!in.read(riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "sfbk", 4) != 0) {
        error = "is not a SoundFont";
        return std::nullopt;
    }
    const std::uint64_t end = 8 + std::uint64_t(le(riff + 4, 4));
    SoundFontSubset s;
    s.path_ = path;
    std::vector<char> info, pdta;
    bool haveSamples = false;
    for (std::uint64_t at = 12; at + 12 <= end;) {
        char head[12];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(head, 12))
            break;
        const std::uint64_t length = 8 + std::uint64_t(le(head + 4, 4));
        const std::uint64_t padded = length + (length & 1);
        if (std::memcmp(head, "LIST", 4) == 0) {
            if (std::memcmp(head + 8, "INFO", 4) == 0 || std::memcmp(head + 8, "pdta", 4) == 0) {
                std::vector<char>& to = head[8] == 'I' ? info : pdta;
                to.resize(length);
                in.seekg(static_cast<std::streamoff>(at));
                if (!in.read(to.data(), static_cast<std::streamsize>(length))) {
                    error = "is cut short";
                    return std::nullopt;
                }
            } else if (std::memcmp(head + 8, "sdta", 4) == 0) {
                s.samplesOffset_ = at;
                s.samplesLength_ = padded;
                haveSamples = true;
            }
        }
        at += padded;
    }
    if (info.empty() || pdta.empty() || !haveSamples) {
        error = "lacks a part of a SoundFont";
        return std::nullopt;
    }

    Records lists[9];
    for (std::size_t at = 12; at + 8 <= pdta.size();) {
        const std::uint32_t length = le(&pdta[at + 4], 4);
        if (at + 8 + length > pdta.size())
            break;
        for (int i = 0; i < 9; ++i)
            if (std::memcmp(&pdta[at], kLists[i], 4) == 0)
                lists[i] = {&pdta[at + 8], kRecordSize[i], length / kRecordSize[i]};
        at += 8 + length + (length & 1);
    }
    for (const Records& r : lists) {
        if (r.count < 1) {
            error = "has broken preset data";
            return std::nullopt;
        }
    }
    const Records &phdr = lists[0], &pbag = lists[1], &pmod = lists[2], &pgen = lists[3];
    const Records &inst = lists[4], &ibag = lists[5], &imod = lists[6], &igen = lists[7];

    std::vector<char> newPhdr, newPbag, newPmod, newPgen, newInst, newIbag, newImod, newIgen;
    std::vector<std::uint32_t> instruments; // kept, in their new order
    std::map<std::uint32_t, std::uint32_t> newIndexOf;
    std::map<std::uint32_t, std::bitset<128>> keysOfInstrument;
    auto noRemap = [](char*) {};
    for (std::size_t p = 0; p + 1 < phdr.count; ++p) {
        const char* rec = phdr.at(p);
        auto wanted =
            keep.find({static_cast<int>(le(rec + 22, 2)), static_cast<int>(le(rec + 20, 2))});
        if (wanted == keep.end())
            continue;
        const std::size_t firstBag = le(rec + 24, 2), lastBag = le(phdr.at(p + 1) + 24, 2);
        if (firstBag > lastBag || lastBag >= pbag.count)
            continue;
        const std::size_t at = newPhdr.size();
        newPhdr.insert(newPhdr.end(), rec, rec + 38);
        setLe(&newPhdr[at + 24], static_cast<std::uint32_t>(newPbag.size() / 4), 2);
        for (std::size_t b = firstBag; b < lastBag; ++b) {
            const ZoneLook zone = lookAt(pbag, pgen, b, kGenInstrument);
            const std::bitset<128> keys = zone.keys & wanted->second;
            // A zone for keys the songs never strike is left out, and with
            // it the samples only it plays.
            if (zone.plays && keys.none())
                continue;
            if (zone.plays)
                keysOfInstrument[zone.target] |= keys;
            copyZone(pbag, pgen, pmod, b, newPbag, newPgen, newPmod, [&](char* gen) {
                if (le(gen, 2) != kGenInstrument)
                    return;
                const std::uint32_t old = le(gen + 2, 2);
                auto [it, added] =
                    newIndexOf.emplace(old, static_cast<std::uint32_t>(instruments.size()));
                if (added)
                    instruments.push_back(old);
                setLe(gen + 2, it->second, 2);
            });
        }
        ++s.presets_;
    }
    for (std::uint32_t old : instruments) {
        if (old + 1 >= inst.count) {
            error = "has broken preset data";
            return std::nullopt;
        }
        const char* rec = inst.at(old);
        const std::size_t at = newInst.size();
        newInst.insert(newInst.end(), rec, rec + 22);
        setLe(&newInst[at + 20], static_cast<std::uint32_t>(newIbag.size() / 4), 2);
        const std::size_t firstBag = le(rec + 20, 2), lastBag = le(inst.at(old + 1) + 20, 2);
        if (firstBag > lastBag || lastBag >= ibag.count) {
            error = "has broken preset data";
            return std::nullopt;
        }
        for (std::size_t b = firstBag; b < lastBag; ++b) {
            const ZoneLook zone = lookAt(ibag, igen, b, kGenSample);
            if (zone.plays && (zone.keys & keysOfInstrument[old]).none())
                continue;
            copyZone(ibag, igen, imod, b, newIbag, newIgen, newImod, noRemap);
        }
    }
    // Each list ends with its closing record, pointing past the last entry.
    auto close = [](std::vector<char>& to, const Records& r, int indexAt, std::uint32_t index) {
        const std::size_t at = to.size();
        to.insert(to.end(), r.at(r.count - 1), r.at(r.count - 1) + r.size);
        if (indexAt >= 0)
            setLe(&to[at + indexAt], index, 2);
    };
    close(newPhdr, phdr, 24, static_cast<std::uint32_t>(newPbag.size() / 4));
    const auto pgens = static_cast<std::uint32_t>(newPgen.size() / 4);
    const auto pmods = static_cast<std::uint32_t>(newPmod.size() / 10);
    close(newPbag, pbag, 0, pgens);
    setLe(&newPbag[newPbag.size() - 2], pmods, 2);
    close(newPmod, pmod, -1, 0);
    close(newPgen, pgen, -1, 0);
    close(newInst, inst, 20, static_cast<std::uint32_t>(newIbag.size() / 4));
    const auto igens = static_cast<std::uint32_t>(newIgen.size() / 4);
    const auto imods = static_cast<std::uint32_t>(newImod.size() / 10);
    close(newIbag, ibag, 0, igens);
    setLe(&newIbag[newIbag.size() - 2], imods, 2);
    close(newImod, imod, -1, 0);
    close(newIgen, igen, -1, 0);
    const Records& shdr = lists[8];
    const std::vector<char> newShdr(shdr.data, shdr.data + shdr.size * shdr.count);

    std::vector<char> body = {'p', 'd', 't', 'a'};
    const std::vector<char>* parts[] = {&newPhdr, &newPbag, &newPmod, &newPgen, &newInst,
                                        &newIbag, &newImod, &newIgen, &newShdr};
    for (int i = 0; i < 9; ++i)
        appendChunk(body, kLists[i], *parts[i]);
    appendChunk(s.tail_, "LIST", body);

    s.head_.assign(riff, riff + 12);
    if (info.size() & 1)
        info.push_back(0);
    s.head_.insert(s.head_.end(), info.begin(), info.end());
    setLe(&s.head_[4], static_cast<std::uint32_t>(s.size() - 8), 4);
    return s;
}

bool SoundFontSubset::read(std::FILE* original, std::uint64_t offset, char* to,
                           std::uint64_t count) const {
    if (offset + count > size())
        return false;
    while (count > 0) {
        std::uint64_t n = 0;
        if (offset < head_.size()) {
            n = std::min<std::uint64_t>(count, head_.size() - offset);
            std::memcpy(to, head_.data() + offset, n);
        } else if (offset < head_.size() + samplesLength_) {
            const std::uint64_t inSamples = offset - head_.size();
            n = std::min<std::uint64_t>(count, samplesLength_ - inSamples);
            if (fseeko(original, static_cast<off_t>(samplesOffset_ + inSamples), SEEK_SET) != 0 ||
                std::fread(to, 1, n, original) != n)
                return false;
        } else {
            const std::uint64_t inTail = offset - head_.size() - samplesLength_;
            n = std::min<std::uint64_t>(count, tail_.size() - inTail);
            std::memcpy(to, tail_.data() + inTail, n);
        }
        to += n;
        offset += n;
        count -= n;
    }
    return true;
}

int SoundFontSubset::loadInto(_fluid_synth_t* synth, bool selectAgain) const {
    const std::string name = path_ + kNameMark + std::to_string(++registered);
    {
        std::lock_guard<std::mutex> hold(registryLock);
        registry[name] = std::make_shared<const SoundFontSubset>(*this);
    }
    fluid_settings_t* settings = fluid_synth_get_settings(synth);
    fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
    if (!loader)
        return -1;
    fluid_sfloader_set_callbacks(loader, openFile, readFile, seekFile, tellFile, closeFile);
    fluid_synth_add_sfloader(synth, loader);
    const int id = fluid_synth_sfload(synth, name.c_str(), selectAgain ? 1 : 0);
    return id == FLUID_FAILED ? -1 : id;
}

} // namespace lilyhops
