// How well the real window keeps its timers: runs a game in the window on
// the offscreen platform for a while (10 s unless a number of seconds is
// given) and prints, for each timer, how often it fired against its nominal
// count, its mean and worst period, and its drift: how far its last tick
// lies from where the nominal grid puts it, counted from its first tick.

#include "audio/RecordingTegoSnd.h"
#include "frontend/GameWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

using namespace lilyhops;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

    Scheduler scheduler;
    CallLog log;
    RecordingTegoSnd sound(scheduler, log);
    GameWindow window(scheduler, sound, "/tmp");
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);

    frmLilyhops& game = window.game();
    QElapsedTimer wall;
    std::map<std::string, std::vector<qint64>> fired; // nanoseconds
    for (Timer* t :
         {&game.tmrRow12, &game.tmrRow38, &game.tmrRow46, &game.tmrRow57, &game.tmrChkFocus}) {
        auto handler = t->onTimer;
        t->onTimer = [t, handler, &fired, &wall] {
            fired[t->name()].push_back(wall.nsecsElapsed());
            handler();
        };
    }
    game.chooseMenu(game.mnuNew); // the toad waits on the start strip: nothing ends the game
    wall.start();
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    app.exec();

    std::printf("%-12s %8s %8s %9s %9s %9s %9s\n", "timer", "fired", "nominal", "interval",
                "mean ms", "worst ms", "drift ms");
    for (Timer* t :
         {&game.tmrRow12, &game.tmrRow38, &game.tmrRow46, &game.tmrRow57, &game.tmrChkFocus}) {
        const auto& times = fired[t->name()];
        double mean = 0, worst = 0;
        for (std::size_t i = 1; i < times.size(); ++i) {
            double period = double(times[i] - times[i - 1]) / 1e6;
            mean += period;
            worst = std::max(worst, period);
        }
        if (times.size() > 1)
            mean /= double(times.size() - 1);
        double drift = times.size() > 1 ? double(times.back() - times.front()) / 1e6 -
                                              double(times.size() - 1) * t->Interval()
                                        : 0;
        std::printf("%-12s %8zu %8.0f %9d %9.3f %9.3f %9.3f\n", t->name().c_str(), times.size(),
                    seconds * 1000 / t->Interval(), t->Interval(), mean, worst, drift);
    }
    return 0;
}
