// The songs rendered by the game's own mixer in a plain loop, with nothing
// else running: the yardstick for what the synthesizer costs inside the game.
// Usage: bench_song_render [--chunk FRAMES] [SECONDS [SONG ...]]; 60 s of
// each of the four songs in 4096-frame chunks unless told. For each it prints
// the CPU time the render took as a share of one core playing it in real
// time, and the same for the synthesizer with no song (what an idle
// synthesizer costs). The game's audio thread renders what the sound server
// asks for every 5 ms, about 220 frames at a time: --chunk 220 renders as
// it does.

#include "audio/real/MidiSong.h"
#include "audio/real/QtTegoSnd.h"
#include "audio/real/SoundMixer.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace lilyhops;

namespace {

constexpr int kRate = 44100;
// 16 KiB of 16-bit stereo: what Qt's buffered output used to read at a time.
constexpr int kDefaultChunk = 4096;

double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Renders `seconds` of sound, starting the song again whenever it ends, and
// returns the CPU seconds it took.
double render(SoundMixer& mixer, const std::shared_ptr<const MidiSong>& song, double seconds,
              int chunk) {
    std::vector<float> buffer(2 * static_cast<std::size_t>(chunk));
    if (song)
        mixer.startSong(song, 0);
    else
        mixer.clearSong();
    const auto frames = static_cast<std::int64_t>(seconds * kRate);
    const double start = cpuSeconds();
    for (std::int64_t done = 0; done < frames; done += chunk) {
        mixer.render(buffer.data(), chunk);
        if (mixer.takeSongEnded())
            mixer.startSong(song, 0);
    }
    return cpuSeconds() - start;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + "/../";
    int first = 1;
    int chunk = kDefaultChunk;
    if (argc > 2 && std::string(argv[1]) == "--chunk") {
        chunk = std::atoi(argv[2]);
        first = 3;
    }
    const double seconds = argc > first ? std::atof(argv[first]) : 60.0;
    std::vector<std::string> songs;
    for (int i = first + 1; i < argc; ++i)
        songs.emplace_back(argv[i]);
    if (songs.empty())
        songs = {"OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"};
    if (seconds <= 0 || chunk <= 0 || (first == 1 && argc > 1 && argv[1][0] == '-')) {
        std::fputs("Usage: bench_song_render [--chunk FRAMES] [SECONDS [SONG ...]]\n", stderr);
        return 2;
    }
    std::printf("chunk %d frames\n", chunk);

    SoundMixer mixer(kRate);
    std::string soundFont;
    for (const std::string& path :
         QtTegoSnd::soundFontSearch(folder, mixer.libraryDefaultSoundFont())) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec) && mixer.loadSoundFont(path)) {
            soundFont = path;
            break;
        }
    }
    if (soundFont.empty()) {
        std::fputs("bench_song_render: no SoundFont found; nothing to measure\n", stderr);
        return 1;
    }
    std::printf("soundfont %s\n", soundFont.c_str());

    for (const std::string& name : songs) {
        std::string error;
        auto loaded = MidiSong::load(folder + name, error);
        if (!loaded) {
            std::fprintf(stderr, "bench_song_render: %s %s\n", name.c_str(), error.c_str());
            continue;
        }
        auto song = std::make_shared<const MidiSong>(std::move(*loaded));
        render(mixer, song, 1.0, chunk); // the instruments' samples are read on first use
        const double cpu = render(mixer, song, seconds, chunk);
        std::printf("song %s %.1f s of sound in %.3f s of CPU: %.2f%% of one core\n", name.c_str(),
                    seconds, cpu, 100.0 * cpu / seconds);
        std::fflush(stdout);
    }
    const double idle = render(mixer, nullptr, seconds, chunk);
    std::printf("idle %.1f s of sound in %.3f s of CPU: %.2f%% of one core\n", seconds, idle,
                100.0 * idle / seconds);
    return 0;
}
