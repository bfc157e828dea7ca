// Lilyhops: hop the toad across the road and the river into the five bays.

#include "audio/real/QtTegoSnd.h"
#include "frontend/GameWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Whole scale factors keep the pixel art sharp on high-density screens.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lilyhops");
    QApplication::setApplicationVersion("2.0");

    std::string folder = QCoreApplication::applicationDirPath().toStdString();
    lilyhops::QtTegoSnd sound(folder + "/");
    lilyhops::Scheduler scheduler;
    lilyhops::GameWindow window(scheduler, sound, folder);
    window.show();
    return app.exec();
}
