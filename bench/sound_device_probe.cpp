// Measures the real sound control on the default sound device. Prints
// figures; never fails on speed.
//
//   bench_sound_device [SECONDS]       plays a song and an effect and shows how
//                                      the song's position keeps up with the
//                                      wall clock (a device that stops taking
//                                      samples shows as a position standing still)
//   bench_sound_device calls [SECONDS [SONG]]
//                                      the time spent inside each call on the
//                                      game's thread through New Game, hops,
//                                      pause, resume and song changes, then the
//                                      CPU of the process, of its audio thread
//                                      and of FluidSynth while a song plays
//                                      (the heaviest, OrigBogt.mid, unless told)
//   bench_sound_device latency [HOPS]  plays clicks at uneven hop-like times and
//                                      records the default source (a null
//                                      sink's monitor) to find when each one
//                                      was heard: latency and its spread
//   bench_sound_device transitions     plays a held note and pauses, resumes,
//                                      changes song and stops it, recording the
//                                      default source: the largest step at each
//   bench_sound_device render SONG [SECONDS [PERIOD_MS [paced]]]
//                                      renders a song with the game's mixer in
//                                      a plain loop, in periods of 10 ms unless
//                                      told, back to back or (paced) one per
//                                      period of wall time: the CPU of the
//                                      mixer itself
//
// The songs and sounds are taken from the folder above this program's.

#include "audio/real/MidiSong.h"
#include "audio/real/QtTegoSnd.h"
#include "audio/real/SoundMixer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string folder() {
    return QCoreApplication::applicationDirPath().toStdString() + "/../";
}

double cpuSecondsOfProcess() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double cpuSecondsOfThisThread() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CPU seconds of the process's thread with this name, from /proc.
double cpuSecondsOfThread(const std::string& name) {
    const long ticks = sysconf(_SC_CLK_TCK);
    for (const QString& tid :
         QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream comm("/proc/self/task/" + tid.toStdString() + "/comm");
        std::string c;
        std::getline(comm, c);
        if (c != name)
            continue;
        std::ifstream stat("/proc/self/task/" + tid.toStdString() + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream rest(all.substr(all.rfind(')') + 2));
        std::string field;
        std::vector<std::string> f;
        while (rest >> field)
            f.push_back(field);
        return (std::stod(f[11]) + std::stod(f[12])) / double(ticks); // utime, stime
    }
    return 0;
}

long rssKiB() {
    std::ifstream s("/proc/self/status");
    for (std::string line; std::getline(s, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(std::lround(p / 100.0 * double(v.size() - 1)));
    return v[std::min(i, v.size() - 1)];
}

// --- the song's position against the wall clock --------------------------------

int positionProbe(double seconds) {
    lilyhops::QtTegoSnd sound(folder());
    std::printf("device: %s, SoundFont: %s\n", sound.hasSoundDevice() ? "yes" : "no",
                sound.soundFont().empty() ? "none" : sound.soundFont().c_str());
    QElapsedTimer wall;
    wall.start();
    sound.PlayMusic(folder() + "OrigBogt.mid", 0, -1);
    QTimer::singleShot(1000, [&] { sound.PlayEffect(folder() + "success.wav", 0, -1); });
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("wall %6lld ms  song position %6d ms  playing %d\n",
                    static_cast<long long>(wall.elapsed()), sound.TrackPosition(),
                    sound.IsPlaying());
    });
    report.start(500);
    QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    return qApp->exec();
}

// --- time inside each call, then CPU ---------------------------------------------

int callsProbe(double playSeconds, const std::string& songName) {
    const long rssBefore = rssKiB();
    QElapsedTimer made;
    made.start();
    lilyhops::QtTegoSnd sound(folder());
    const double makeMs = double(made.nsecsElapsed()) / 1e6;
    std::printf("device: %s, SoundFont: %s, made in %.1f ms\n",
                sound.hasSoundDevice() ? "yes" : "no",
                sound.soundFont().empty() ? "none" : sound.soundFont().c_str(), makeMs);

    std::map<std::string, std::vector<double>> spent; // ms per call, by moment
    auto timed = [&](const std::string& moment, auto&& call) {
        QElapsedTimer t;
        t.start();
        call();
        spent[moment].push_back(double(t.nsecsElapsed()) / 1e6);
    };
    const std::string heaviest = folder() + songName;
    const std::string songs[] = {"OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"};

    QElapsedTimer clock;
    clock.start();
    qint64 firstSound = -1;
    std::int32_t saved = 0;
    struct Step {
        int atMs;
        std::function<void()> run;
    };
    std::vector<Step> steps = {
        {0,
         [&] {
             timed("New Game: PlayMusic (first, loads instruments)",
                   [&] { sound.PlayMusic(heaviest, 0, -1); });
         }},
        {3000,
         [&] {
             timed("pause: TrackPosition + StopMusic", [&] {
                 saved = sound.TrackPosition();
                 sound.StopMusic();
             });
         }},
        {4000,
         [&] {
             timed("resume: PlayMusic at the saved place",
                   [&] { sound.PlayMusic(heaviest, saved, -1); });
         }},
    };
    for (int i = 0; i < 4; ++i)
        steps.push_back({6000 + 2000 * i, [&, i] {
                             timed("song change: StopMusic + PlayMusic", [&] {
                                 sound.StopMusic();
                                 sound.PlayMusic(folder() + songs[i], 0, -1);
                             });
                         }});
    steps.push_back({14000, [&] {
                         timed("New Game again: PlayMusic", [&] {
                             sound.StopMusic();
                             sound.PlayMusic(heaviest, 0, -1);
                         });
                     }});
    for (const Step& s : steps)
        QTimer::singleShot(s.atMs, s.run);

    QTimer hops;
    QObject::connect(&hops, &QTimer::timeout, [&] {
        timed("hop: PlayEffect", [&] { sound.PlayEffect(folder() + "move.wav", 0, -1); });
    });
    hops.start(150);
    QTimer focus;
    QObject::connect(&focus, &QTimer::timeout, [&] {
        timed("focus timer: IsPlaying, TrackLength, TrackPosition", [&] {
            if (sound.IsPlaying()) {
                (void)sound.TrackLength();
                (void)sound.TrackPosition();
            }
        });
        if (firstSound < 0 && sound.TrackPosition() > 0)
            firstSound = clock.elapsed();
    });
    focus.start(100);
    QTimer::singleShot(16000, qApp, &QCoreApplication::quit);
    qApp->exec();
    hops.stop();

    std::printf("\n%-52s %6s %8s %8s\n", "time inside the calls (ms)", "calls", "median", "max");
    for (const auto& [moment, ms] : spent)
        std::printf("%-52s %6zu %8.3f %8.3f\n", moment.c_str(), ms.size(), percentile(ms, 50),
                    *std::max_element(ms.begin(), ms.end()));
    std::printf("first song heard to move after %lld ms (instruments loading on the audio "
                "thread)\n",
                static_cast<long long>(firstSound));

    // CPU while the heaviest song plays with a hop every 300 ms.
    sound.StopMusic();
    sound.PlayMusic(heaviest, 0, -1);
    QTimer::singleShot(1000, qApp, &QCoreApplication::quit); // let it settle
    qApp->exec();
    hops.start(300);
    const double cpu0 = cpuSecondsOfProcess();
    const double audio0 = cpuSecondsOfThread("lilyhops sound");
    const double mixer0 = sound.mixerCpuSeconds();
    const double rendered0 = sound.synthSecondsRendered();
    const int dry0 = sound.deviceUnderruns();
    QElapsedTimer w;
    w.start();
    QTimer restart;
    QObject::connect(&restart, &QTimer::timeout, [&] {
        if (!sound.IsPlaying())
            sound.PlayMusic(heaviest, 0, -1);
    });
    restart.start(100);
    QTimer::singleShot(int(playSeconds * 1000), qApp, &QCoreApplication::quit);
    qApp->exec();
    const double wall = double(w.nsecsElapsed()) / 1e9;
    std::printf("\nplaying %s with a hop every 300 ms for %.0f s:\n", songName.c_str(), wall);
    std::printf("  process CPU   %5.2f %% of one core\n",
                100.0 * (cpuSecondsOfProcess() - cpu0) / wall);
    std::printf("  audio thread  %5.2f %% of one core\n",
                100.0 * (cpuSecondsOfThread("lilyhops sound") - audio0) / wall);
    const double synthCpu = sound.mixerCpuSeconds() - mixer0;
    const double rendered = sound.synthSecondsRendered() - rendered0;
    std::printf("  of which FluidSynth %5.2f %% of one core: %.3f s of CPU for %.1f s of "
                "sound, %.2f %% of the sound's time\n",
                100.0 * synthCpu / wall, synthCpu, rendered,
                rendered > 0 ? 100.0 * synthCpu / rendered : 0.0);
    std::printf("  the device ran dry %d times while playing (%d before)\n",
                sound.deviceUnderruns() - dry0, dry0);
    std::printf("  RSS           %ld KiB (%ld KiB before the sound control was made)\n", rssKiB(),
                rssBefore);

    // Idle, as on the title screen.
    hops.stop();
    restart.stop();
    sound.StopMusic();
    QTimer::singleShot(1000, qApp, &QCoreApplication::quit);
    qApp->exec();
    const double idle0 = cpuSecondsOfProcess();
    const double idleAudio0 = cpuSecondsOfThread("lilyhops sound");
    w.restart();
    QTimer::singleShot(int(std::min(playSeconds, 20.0) * 1000), qApp, &QCoreApplication::quit);
    qApp->exec();
    const double idleWall = double(w.nsecsElapsed()) / 1e9;
    std::printf("silent for %.0f s: process CPU %.3f %%, audio thread %.3f %% of one core\n",
                idleWall, 100.0 * (cpuSecondsOfProcess() - idle0) / idleWall,
                100.0 * (cpuSecondsOfThread("lilyhops sound") - idleAudio0) / idleWall);
    return 0;
}

// --- latency through the default source -----------------------------------------

// Records the default source (a null sink's monitor) on its own thread; every
// read is stamped with the time its last frame was captured, as PulseAudio
// reports the source's latency.
struct Recorder {
    int rate = 44100;
    pa_simple* stream = nullptr;
    std::vector<std::int16_t> samples;
    std::vector<double> captureStart; // estimates of when sample 0 was captured (s)
    std::atomic<bool> running{false};
    std::thread thread;

    bool start(int sampleRate) {
        rate = sampleRate;
        pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(rate), 1};
        pa_buffer_attr attr{};
        attr.maxlength = std::uint32_t(-1);
        attr.fragsize = static_cast<std::uint32_t>(rate * 2 * 2 / 1000); // 2 ms
        int error = 0;
        stream = pa_simple_new(nullptr, "lilyhops probe", PA_STREAM_RECORD, nullptr, "monitor",
                               &format, nullptr, &attr, &error);
        if (!stream) {
            std::fprintf(stderr, "cannot record: %s\n", pa_strerror(error));
            return false;
        }
        running = true;
        thread = std::thread([this] {
            std::vector<std::int16_t> buf(static_cast<std::size_t>(rate / 1000));
            int error = 0;
            while (running) {
                if (pa_simple_read(stream, buf.data(), buf.size() * 2, &error) < 0)
                    break;
                const double now = nowSeconds();
                const double lat = double(pa_simple_get_latency(stream, &error)) / 1e6;
                samples.insert(samples.end(), buf.begin(), buf.end());
                captureStart.push_back(now - lat - double(samples.size()) / rate);
            }
        });
        return true;
    }
    void stop() {
        running = false;
        thread.join();
        pa_simple_free(stream);
        // A source that was idle hands over a burst of old samples when it
        // starts, so only the second half of the reads sets the time base.
        captureStart.erase(captureStart.begin(),
                           captureStart.begin() + static_cast<long>(captureStart.size() / 2));
    }
    double timeOfFirstSample() const { return percentile(captureStart, 50); }
    double timeBaseSpreadMs() const {
        return 1000.0 * (percentile(captureStart, 95) - percentile(captureStart, 5));
    }
};

// A 30 ms, 1 kHz click with a sharp start, so its first loud sample marks it.
QByteArray clickWave(int rate) {
    const int frames = rate * 30 / 1000;
    QByteArray data;
    for (int f = 0; f < frames; ++f) {
        const auto s = static_cast<std::int16_t>(
            std::lround(16000.0 * std::sin(2 * M_PI * 1000.0 * f / rate + M_PI / 2)));
        data.append(reinterpret_cast<const char*>(&s), 2);
    }
    auto le = [](QByteArray& b, quint32 v, int n) {
        for (int i = 0; i < n; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
    };
    QByteArray w("RIFF");
    le(w, 36 + data.size(), 4);
    w.append("WAVEfmt ");
    le(w, 16, 4);
    le(w, 1, 2);
    le(w, 1, 2);
    le(w, rate, 4);
    le(w, rate * 2, 4);
    le(w, 2, 2);
    le(w, 16, 2);
    w.append("data");
    le(w, data.size(), 4);
    return w + data;
}

int latencyProbe(int hops) {
    constexpr int rate = 44100;
    const std::string click = QDir::tempPath().toStdString() + "/lilyhops-probe-click.wav";
    {
        QFile f(QString::fromStdString(click));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(clickWave(rate));
    }

    Recorder recorder;
    if (!recorder.start(rate))
        return 1;
    lilyhops::QtTegoSnd sound(folder());
    std::printf("device: %s\n", sound.hasSoundDevice() ? "yes" : "no");
    std::vector<double> calledAt;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> gap(90, 260); // quick and uneven, like hops
    int left = hops;
    std::function<void()> hop = [&] {
        calledAt.push_back(nowSeconds());
        sound.PlayEffect(click, 0, -1);
        if (--left > 0)
            QTimer::singleShot(gap(random), hop);
        else
            QTimer::singleShot(800, qApp, &QCoreApplication::quit);
    };
    // Every fourth run of hops starts from a silent, suspended stream.
    QTimer::singleShot(3000, hop);
    qApp->exec();
    recorder.stop();
    const std::vector<std::int16_t>& recorded = recorder.samples;
    const double start = recorder.timeOfFirstSample();
    std::vector<double> onsets;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        if (std::abs(recorded[i]) < 4000)
            continue;
        const double t = start + double(i) / rate;
        if (onsets.empty() || t - onsets.back() > 0.06)
            onsets.push_back(t);
    }
    std::vector<double> latencies;
    for (double c : calledAt) {
        auto heard = std::lower_bound(onsets.begin(), onsets.end(), c - 0.005);
        if (heard != onsets.end() && *heard - c < 0.5)
            latencies.push_back(1000.0 * (*heard - c));
    }
    std::printf("clicks asked %zu, heard %zu\n", calledAt.size(), latencies.size());
    std::printf("each (ms):");
    for (double l : latencies)
        std::printf(" %.0f", l);
    std::printf("\n");
    if (latencies.empty())
        return 1;
    const double lo = *std::min_element(latencies.begin(), latencies.end());
    const double hi = *std::max_element(latencies.begin(), latencies.end());
    std::printf("call to heard (ms): min %.1f  median %.1f  p95 %.1f  max %.1f  spread "
                "(max-min) %.1f\n",
                lo, percentile(latencies, 50), percentile(latencies, 95), hi, hi - lo);
    std::printf("recorder time base: capture-start estimates spread %.1f ms (p5..p95)\n",
                recorder.timeBaseSpreadMs());
    QFile::remove(QString::fromStdString(click));
    return 0;
}

// --- clicks at the music's transitions ---------------------------------------

// A Standard MIDI File holding one low recorder note for `seconds`: its own
// sample-to-sample steps are tiny, so a click at a transition stands out.
QByteArray heldNoteSong(int key, int seconds) {
    const int ticks = seconds * 960; // 480 ticks a beat, two beats a second
    QByteArray track;
    auto number = [&](std::uint32_t v) {
        char groups[5];
        int n = 0;
        do {
            groups[n++] = static_cast<char>(v & 0x7F);
            v >>= 7;
        } while (v);
        while (n > 1)
            track.append(static_cast<char>(groups[--n] | 0x80));
        track.append(groups[0]);
    };
    number(0);
    track.append("\xC0\x4A", 2); // recorder
    number(0);
    track.append(static_cast<char>(0x90)).append(static_cast<char>(key)).append(char(110));
    number(static_cast<std::uint32_t>(ticks));
    track.append(static_cast<char>(0x80)).append(static_cast<char>(key)).append(char(0));
    number(0);
    track.append("\xFF\x2F\x00", 3);
    QByteArray file("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk", 18);
    for (int i = 3; i >= 0; --i)
        file.append(static_cast<char>((track.size() >> (8 * i)) & 0xFF));
    return file + track;
}

int transitionsProbe() {
    constexpr int rate = 44100;
    // The songs lie in a folder of their own, which the sound control is
    // told is the game's: it reads them, and their instrument, ahead.
    QTemporaryDir dir;
    const std::string first = (dir.path() + "/low.mid").toStdString();
    const std::string second = (dir.path() + "/higher.mid").toStdString();
    for (const auto& [file, key] : {std::pair{first, 36}, std::pair{second, 40}}) {
        QFile f(QString::fromStdString(file));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(heldNoteSong(key, 8));
    }
    Recorder recorder;
    if (!recorder.start(rate))
        return 1;
    lilyhops::QtTegoSnd sound(dir.path().toStdString() + "/");
    std::vector<std::pair<double, std::string>> moments;
    auto at = [&](int ms, const std::string& what, std::function<void()> f) {
        QTimer::singleShot(ms, [&, what, f] {
            moments.push_back({nowSeconds(), what});
            f();
        });
    };
    std::int32_t saved = 0;
    at(3000, "start", [&] { sound.PlayMusic(first, 0, -1); });
    at(4500, "pause", [&] {
        saved = sound.TrackPosition();
        sound.StopMusic();
    });
    at(5200, "resume", [&] { sound.PlayMusic(first, saved, -1); });
    at(6500, "song change", [&] {
        sound.StopMusic();
        sound.PlayMusic(second, 0, -1);
    });
    at(8000, "end of game", [&] { sound.StopMusic(); });
    QTimer::singleShot(8700, qApp, &QCoreApplication::quit);
    qApp->exec();
    recorder.stop();

    const std::vector<std::int16_t>& r = recorder.samples;
    const double t0 = recorder.timeOfFirstSample();
    auto index = [&](double t) {
        return static_cast<std::size_t>(std::clamp((t - t0) * rate, 0.0, double(r.size())));
    };
    auto largestStep = [&](std::size_t from, std::size_t to) {
        double step = 0;
        for (std::size_t i = std::max<std::size_t>(from, 1); i < std::min(to, r.size()); ++i)
            step = std::max(step, std::abs(double(r[i]) - double(r[i - 1])) / 32768.0);
        return step;
    };
    std::printf("largest sample-to-sample step, in %% of full scale:\n");
    const double steady = largestStep(index(moments[0].first + 0.5), index(moments[1].first));
    std::printf("  %-12s %6.3f %%  (the held note itself, between start and pause)\n", "steady",
                100 * steady);
    for (const auto& [t, what] : moments)
        std::printf("  %-12s %6.3f %%  (within 500 ms of the call)\n", what.c_str(),
                    100 * largestStep(index(t - 0.01), index(t + 0.5)));
    if (std::getenv("PROBE_DUMP"))
        for (const auto& [t, what] : moments) {
            std::size_t from = index(t - 0.01), to = index(t + 0.5), worst = from;
            for (std::size_t i = from + 1; i < to; ++i)
                if (std::abs(r[i] - r[i - 1]) > std::abs(r[worst] - r[worst - 1]))
                    worst = i;
            std::printf("%s: worst at +%.1f ms:", what.c_str(),
                        1000.0 * (double(worst) / rate + t0 - t));
            for (std::size_t i = worst - 8; i < worst + 8; ++i)
                std::printf(" %d", r[i]);
            std::printf("\n");
        }
    return 0;
}

// --- the synthesizer alone --------------------------------------------------------

int renderProbe(const std::string& songFile, double seconds, int periodMs, bool paced) {
    constexpr int rate = 44100;
    lilyhops::SoundMixer mixer(rate);
    const std::vector<std::string> fonts =
        lilyhops::QtTegoSnd::soundFontSearch(folder(), mixer.libraryDefaultSoundFont());
    for (const std::string& f : fonts)
        if (QFile::exists(QString::fromStdString(f)) && mixer.loadSoundFont(f))
            break;
    std::string error;
    auto song = lilyhops::MidiSong::load(songFile, error);
    if (!song) {
        std::fprintf(stderr, "%s %s\n", songFile.c_str(), error.c_str());
        return 1;
    }
    auto shared = std::make_shared<const lilyhops::MidiSong>(std::move(*song));
    const int period = rate * periodMs / 1000;
    std::vector<float> out(2 * period);
    mixer.startSong(shared, 0);
    // The first pass loads the instruments; it is not counted.
    for (int i = 0; i < rate / period; ++i)
        mixer.render(out.data(), period);
    mixer.startSong(shared, 0);
    const std::int64_t synth0 = mixer.synthCpuNs();
    const std::int64_t synthFrames0 = mixer.synthFramesRendered();
    double busy = 0;
    std::int64_t frames = 0;
    while (frames < std::int64_t(seconds * rate)) {
        if (!mixer.songPlaying())
            mixer.startSong(shared, 0);
        const double before = cpuSecondsOfThisThread();
        mixer.render(out.data(), period);
        busy += cpuSecondsOfThisThread() - before;
        frames += period;
        if (paced) // as the audio thread does: one period, then a wait
            std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
    }
    const double synth = double(mixer.synthCpuNs() - synth0) / 1e9;
    const double synthSound = double(mixer.synthFramesRendered() - synthFrames0) / rate;
    std::printf("%s: %.1f s of sound rendered in %d ms periods%s in %.3f s of CPU: %.2f %% of "
                "one core at real time; FluidSynth %.3f s for %.1f s of sound: %.2f %%\n",
                songFile.c_str(), double(frames) / rate, periodMs, paced ? ", paced" : "", busy,
                100.0 * busy / (double(frames) / rate), synth, synthSound,
                synthSound > 0 ? 100.0 * synth / synthSound : 0.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "calls")
        return callsProbe(argc > 2 ? std::atof(argv[2]) : 30.0,
                          argc > 3 ? argv[3] : "OrigBogt.mid");
    if (mode == "latency")
        return latencyProbe(argc > 2 ? std::atoi(argv[2]) : 40);
    if (mode == "transitions")
        return transitionsProbe();
    if (mode == "render")
        return renderProbe(argc > 2 ? argv[2] : folder() + "OrigBogt.mid",
                           argc > 3 ? std::atof(argv[3]) : 60.0, argc > 4 ? std::atoi(argv[4]) : 10,
                           argc > 5 && std::string(argv[5]) == "paced");
    return positionProbe(argc > 1 ? std::atof(argv[1]) : 5.0);
}
