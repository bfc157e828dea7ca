// Plays the game's first song and an effect through the real sound control
// on the default sound device for a few seconds (5 unless told), and prints
// how the song's position keeps up with the wall clock. A device that stops
// pulling samples shows as a position that stands still.

#include "audio/real/QtTegoSnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + "/../";
    double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;

    lilyhops::QtTegoSnd sound(folder);
    std::printf("device: %s, SoundFont: %s\n", sound.hasSoundDevice() ? "yes" : "no",
                sound.soundFont().empty() ? "none" : sound.soundFont().c_str());
    QElapsedTimer wall;
    wall.start();
    sound.PlayMusic(folder + "OrigBogt.mid", 0, -1);
    QTimer::singleShot(1000, [&] { sound.PlayEffect(folder + "success.wav", 0, -1); });

    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("wall %6lld ms  song position %6d ms  playing %d\n",
                    static_cast<long long>(wall.elapsed()), sound.TrackPosition(),
                    sound.IsPlaying());
    });
    report.start(500);
    QTimer::singleShot(int(seconds * 1000), &app, &QCoreApplication::quit);
    return app.exec();
}
