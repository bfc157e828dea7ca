// The songs rendered by the game's own mixer in a plain loop, with nothing
// else running: the yardstick for what the synthesizer costs inside the game.
// Usage: bench_song_render [--chunk FRAMES] [--rate HZ] [--paced] [SECONDS [SONG ...]];
// 60 s of each of the four songs in 4096-frame chunks at 44.1 kHz unless
// told (a sound server at 48 kHz has the game render as much more). For each
// it prints the CPU time the loop took as a share of one core playing it in
// real time, the share of it spent inside FluidSynth (the same measure the
// game reports of its own mixer), and the same for the synthesizer with no
// song (what an idle synthesizer costs). The game's audio thread takes what
// the sound server asks for every 10 ms, about 441 frames at a time: --chunk
// 441 takes it as the game does. Back to back, every block FluidSynth renders
// finds its voices and tables where the last one left them in the processor's
// caches; the game's thread sleeps between periods, and in between the window
// and the sound server run. --paced sleeps out each chunk's playing time as
// the game does, so it takes as long as the sound it renders. The SoundFont
// is read as the game reads it, with only the zones the songs strike.

#include "audio/real/InstrumentKeys.h"
#include "audio/real/MidiSong.h"
#include "audio/real/QtTegoSnd.h"
#include "audio/real/SoundMixer.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace lilyhops;

namespace {

constexpr int kDefaultRate = 44100;
// 16 KiB of 16-bit stereo: what Qt's buffered output used to read at a time.
constexpr int kDefaultChunk = 4096;

double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

struct Cost {
    double loop = 0;  // CPU seconds of the whole loop
    double synth = 0; // of it, inside FluidSynth
};

// Renders `seconds` of sound, starting the song again whenever it ends, and
// returns the CPU seconds it took. Paced, each chunk is taken when its time
// comes, as a sound device would ask for it.
Cost render(SoundMixer& mixer, const std::shared_ptr<const MidiSong>& song, double seconds,
            int chunk, bool paced) {
    const int rate = mixer.sampleRate();
    std::vector<float> buffer(2 * static_cast<std::size_t>(chunk));
    if (song)
        mixer.startSong(song, 0);
    else
        mixer.clearSong();
    const auto frames = static_cast<std::int64_t>(seconds * rate);
    const double start = cpuSeconds();
    const std::int64_t synthStart = mixer.synthCpuNs();
    const auto began = std::chrono::steady_clock::now();
    for (std::int64_t done = 0; done < frames; done += chunk) {
        if (paced)
            std::this_thread::sleep_until(began +
                                          std::chrono::nanoseconds(done * 1000000000 / rate));
        mixer.render(buffer.data(), chunk);
        if (mixer.takeSongEnded())
            mixer.startSong(song, 0);
    }
    return {cpuSeconds() - start, double(mixer.synthCpuNs() - synthStart) / 1e9};
}

void print(const char* kind, const std::string& name, double seconds, const Cost& cost) {
    std::printf("%s %s %.1f s of sound in %.3f s of CPU: %.2f%% of one core\n", kind, name.c_str(),
                seconds, cost.loop, 100.0 * cost.loop / seconds);
    std::printf("synth %s %.1f s of sound in %.3f s of CPU inside FluidSynth: %.2f%% of one core\n",
                name.c_str(), seconds, cost.synth, 100.0 * cost.synth / seconds);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + "/../";
    int first = 1;
    int chunk = kDefaultChunk;
    int rate = kDefaultRate;
    bool paced = false;
    for (bool more = true; more;) {
        more = false;
        if (argc > first + 1 && std::string(argv[first]) == "--chunk") {
            chunk = std::atoi(argv[first + 1]);
            first += 2;
            more = true;
        } else if (argc > first + 1 && std::string(argv[first]) == "--rate") {
            rate = std::atoi(argv[first + 1]);
            first += 2;
            more = true;
        } else if (argc > first && std::string(argv[first]) == "--paced") {
            paced = true;
            first += 1;
            more = true;
        }
    }
    const double seconds = argc > first ? std::atof(argv[first]) : 60.0;
    std::vector<std::string> songs;
    for (int i = first + 1; i < argc; ++i)
        songs.emplace_back(argv[i]);
    if (songs.empty())
        songs = {"OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"};
    if (seconds <= 0 || chunk <= 0 || rate < 8000 || rate > 192000 ||
        (argc > first && argv[first][0] == '-')) {
        std::fputs("Usage: bench_song_render [--chunk FRAMES] [--rate HZ] [--paced] "
                   "[SECONDS [SONG ...]]\n",
                   stderr);
        return 2;
    }
    std::printf("chunk %d frames%s\n", chunk, paced ? ", paced in real time" : ", back to back");

    // The songs are read first: like the game, the mixer takes only their
    // instruments from the SoundFont and keeps them loaded.
    std::vector<std::shared_ptr<const MidiSong>> loaded;
    InstrumentKeys keys;
    for (const std::string& name : songs) {
        std::string error;
        auto song = MidiSong::load(folder + name, error);
        if (!song) {
            std::fprintf(stderr, "bench_song_render: %s %s\n", name.c_str(), error.c_str());
            loaded.push_back(nullptr);
            continue;
        }
        loaded.push_back(std::make_shared<const MidiSong>(std::move(*song)));
        addKeys(keys, keysPlayedIn(*loaded.back()));
    }
    SoundMixer mixer(rate);
    std::string soundFont;
    for (const std::string& path :
         QtTegoSnd::soundFontSearch(folder, mixer.libraryDefaultSoundFont())) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec) && mixer.loadSoundFont(path, keys)) {
            soundFont = path;
            break;
        }
    }
    if (soundFont.empty()) {
        std::fputs("bench_song_render: no SoundFont found; nothing to measure\n", stderr);
        return 1;
    }
    std::printf("soundfont %s\n", soundFont.c_str());
    for (const auto& song : loaded)
        if (song)
            mixer.knowInstruments(*song);

    for (std::size_t i = 0; i < songs.size(); ++i) {
        const std::shared_ptr<const MidiSong>& song = loaded[i];
        if (!song)
            continue;
        mixer.keepInstruments(*song);           // as the game does when the song starts
        render(mixer, song, 1.0, chunk, false); // the first notes find cold caches
        print("song", songs[i], seconds, render(mixer, song, seconds, chunk, paced));
    }
    if (!paced) {
        const Cost idle = render(mixer, nullptr, seconds, chunk, false);
        std::printf("idle %.1f s of sound in %.3f s of CPU: %.2f%% of one core\n", seconds,
                    idle.loop, 100.0 * idle.loop / seconds);
    }
    return 0;
}
