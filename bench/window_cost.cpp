// What the game's window costs by itself, with a sound control that plays
// nothing, so the figures are the window's alone:
//
//   bench_window_cost title SECONDS   the title screen, left alone
//   bench_window_cost play SECONDS    a game in play, the toad waiting on the
//                                     start strip (nothing ends the game)
//   bench_window_cost bare SECONDS    a plain Qt window of the same size with
//                                     a menu bar, for comparison
//
// Prints CPU time (from /proc/self/stat), frames drawn, the lane timers'
// lateness against their own grid, what one frame costs to paint, and the
// resident memory with what it is made of. Figures only: nothing here fails
// on a slow machine. Run it on the platform to be measured (Xvfb for X11).

#include "audio/RecordingTegoSnd.h"
#include "frontend/GameWindow.h"
#include "frontend/PlayfieldView.h"
#include "frontend/WallClock.h"

#include <QApplication>
#include <QBackingStore>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace lilyhops;

namespace {

// User plus system CPU time of this process, in milliseconds.
double cpuMs() {
    QFile f("/proc/self/stat");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// CPU time of the calling thread, in milliseconds.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A line of /proc/self/status, e.g. "VmRSS", in kB.
long statusKb(const char* key) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key)) + 1).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Resident memory by kind of mapping, in kB, from /proc/self/smaps.
void printMemoryBreakdown() {
    QFile f("/proc/self/smaps");
    if (!f.open(QIODevice::ReadOnly))
        return;
    struct Part {
        const char* name;
        long kb = 0;
    };
    Part heap{"heap and anonymous"}, qt{"Qt libraries"}, gl{"GL and graphics drivers"},
        fonts{"font files"}, other{"other libraries and files"};
    Part* current = &heap;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        if (!line.contains(':') || (line.at(0) >= '0' && line.at(0) <= '9') ||
            (line.at(0) >= 'a' && line.at(0) <= 'f' && line.contains('-'))) {
            const QByteArray path = line.split(' ').last();
            current = path.isEmpty() || !path.startsWith('/') ? &heap
                      : path.contains("libQt6")               ? &qt
                      : path.contains("GL") || path.contains("dri") || path.contains("LLVM") ||
                              path.contains("gallium")
                          ? &gl
                      : path.contains("font") || path.endsWith(".ttf") ||
                              path.endsWith(".cache-8") || path.endsWith(".pcf.gz")
                          ? &fonts
                          : &other;
            continue;
        }
        if (line.startsWith("Rss:"))
            current->kb += line.mid(4).trimmed().split(' ').value(0).toLong();
    }
    for (const Part* p : {&heap, &qt, &gl, &fonts, &other})
        std::printf("  rss %-26s %7ld kB\n", p->name, p->kb);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p / 100.0 * double(v.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "title";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    if (mode != "title" && mode != "play" && mode != "bare") {
        std::fprintf(stderr, "usage: bench_window_cost title|play|bare [SECONDS]\n");
        return 2;
    }

    Scheduler scheduler;
    CallLog log;
    RecordingTegoSnd sound(scheduler, log);
    std::unique_ptr<QMainWindow> window;
    GameWindow* game = nullptr;
    if (mode == "bare") {
        window = std::make_unique<QMainWindow>();
        for (const char* m : {"&File", "&Audio", "&Help"})
            window->menuBar()->addMenu(m)->addAction("Item");
        auto* field = new QWidget;
        field->setFixedSize(kPlayfieldWidthPx, kPlayfieldHeightPx);
        window->setCentralWidget(field);
    } else {
        auto g = std::make_unique<GameWindow>(scheduler, sound, "/tmp");
        game = g.get();
        window = std::move(g);
    }
    window->show();
    // The game pauses itself when its window is not the active one.
    window->activateWindow();
    QApplication::setActiveWindow(window.get());

    // Lateness of every lane tick: wall game time at the handler against the
    // instant on the timer's grid it belongs to.
    // And the time from the first lane tick of an instant to the end of the
    // window's refresh after it, on the wall clock and in this thread's CPU
    // time: the difference is time spent waiting, mostly for the X server
    // (Qt waits for it to finish reading the shared picture before painting
    // over it).
    // window's refresh after it: the ticks, the menus and the frame painted.
    std::vector<double> lateness, instant, instantCpu;
    QElapsedTimer instantTimer;
    double instantCpuStart = 0;
    WallClock* clock = game ? game->findChild<WallClock*>() : nullptr;
    if (game && clock) {
        frmLilyhops& g = game->game();
        for (Timer* t : {&g.tmrRow12, &g.tmrRow38, &g.tmrRow46, &g.tmrRow57}) {
            auto tick = t->onTimer;
            t->onTimer = [&, tick] {
                lateness.push_back(double(clock->gameNow() - scheduler.now()));
                if (!instantTimer.isValid()) {
                    instantTimer.start();
                    instantCpuStart = threadCpuMs();
                }
                tick();
            };
        }
        // Connected after the window's own refresh, so it runs after it.
        QObject::connect(clock, &WallClock::advanced, [&] {
            if (instantTimer.isValid()) {
                instant.push_back(double(instantTimer.nsecsElapsed()) / 1e6);
                instantCpu.push_back(threadCpuMs() - instantCpuStart);
            }
            instantTimer.invalidate();
        });
    }

    // Settle: the first frames, fonts and pictures loaded, then measure.
    double cpu0 = 0, cpu = 0, elapsed = 0;
    std::uint64_t frames0 = 0, frames = 0;
    std::vector<double> paint, flush;
    QElapsedTimer wall;
    QTimer::singleShot(2000, [&] {
        if (game && mode == "play")
            game->game().chooseMenu(game->game().mnuNew);
        lateness.clear();
        instant.clear();
        instantCpu.clear();
        cpu0 = cpuMs();
        frames0 = game ? game->playfield().framesDrawn() : 0;
        wall.start();
        QTimer::singleShot(int(seconds * 1000), [&] {
            cpu = cpuMs() - cpu0;
            elapsed = double(wall.elapsed());
            frames = game ? game->playfield().framesDrawn() - frames0 : 0;
            // What one frame costs: the playfield's paint (composed and drawn into
            // a window-sized image, as into the window's back buffer), and handing
            // the window's buffer to the window system.
            if (game) {
                PlayfieldView& view = game->playfield();
                QImage target(view.size() * view.devicePixelRatio(), QImage::Format_RGB32);
                target.setDevicePixelRatio(view.devicePixelRatio());
                QBackingStore* store = window->backingStore();
                QElapsedTimer t;
                for (int i = 0; i < 300; ++i) {
                    t.start();
                    view.render(&target);
                    paint.push_back(double(t.nsecsElapsed()) / 1e6);
                    t.start();
                    if (store && window->windowHandle())
                        store->flush(QRegion(view.geometry()), window->windowHandle());
                    flush.push_back(double(t.nsecsElapsed()) / 1e6);
                }
            }
            QApplication::quit(); // closes the window
        });
    });
    app.exec();
    std::printf("mode %s, %.1f s\n", mode.c_str(), elapsed / 1000);
    std::printf("  cpu %.0f ms = %.3f%% of one core\n", cpu, 100.0 * cpu / elapsed);
    if (game) {
        std::printf("  frames %llu = %.1f a second\n", static_cast<unsigned long long>(frames),
                    1000.0 * double(frames) / elapsed);
        if (!lateness.empty())
            std::printf(
                "  lane tick lateness ms: p50 %.0f  p95 %.0f  p99 %.0f  max %.0f  (%zu ticks)\n",
                percentile(lateness, 50), percentile(lateness, 95), percentile(lateness, 99),
                percentile(lateness, 100), lateness.size());
        if (!instant.empty())
            std::printf("  one instant handled ms (ticks, refresh, frame): p50 %.3f  p99 %.3f  "
                        "max %.3f\n",
                        percentile(instant, 50), percentile(instant, 99), percentile(instant, 100));
        if (!instantCpu.empty())
            std::printf("  of which CPU time ms:                           p50 %.3f  p99 %.3f  "
                        "max %.3f\n",
                        percentile(instantCpu, 50), percentile(instantCpu, 99),
                        percentile(instantCpu, 100));
        std::printf("  one frame painted ms: p50 %.3f  p99 %.3f  max %.3f\n", percentile(paint, 50),
                    percentile(paint, 99), percentile(paint, 100));
        std::printf("  one frame flushed ms: p50 %.3f  p99 %.3f  max %.3f\n", percentile(flush, 50),
                    percentile(flush, 99), percentile(flush, 100));
    }
    std::printf("  rss %ld kB (peak %ld kB)\n", statusKb("VmRSS"), statusKb("VmHWM"));
    printMemoryBreakdown();
    return 0;
}
