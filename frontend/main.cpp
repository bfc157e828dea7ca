// Lilyhops: hop the toad across the road and the river into the five bays.

#include "audio/real/QtTegoSnd.h"
#include "frontend/CommandLine.h"
#include "frontend/GameWindow.h"
#include "frontend/Stats.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>

namespace {
// Without a sound server Qt says so in its own words; the sound control
// already reports it once, in the game's.
QtMessageHandler qtDefaultHandler = nullptr;
void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith("PulseAudioService: pa_context_connect() failed"))
        return;
    qtDefaultHandler(type, context, message);
}
} // namespace

int main(int argc, char** argv) {
    const lilyhops::CommandLine cl =
        lilyhops::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (cl.action) {
    case lilyhops::CommandLine::Action::Help:
        std::cout << "Usage: lilyhops [--record FILE | --replay FILE]\n";
        return 0;
    case lilyhops::CommandLine::Action::Version:
        std::cout << "lilyhops 2.0\n";
        return 0;
    case lilyhops::CommandLine::Action::Error:
        std::cerr << "lilyhops: " << cl.error << "\n";
        return 2;
    case lilyhops::CommandLine::Action::Play:
        break;
    }

    // Whole scale factors keep the pixel art sharp on high-density screens.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    qtDefaultHandler = qInstallMessageHandler(quieterMessages);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lilyhops");
    QApplication::setApplicationVersion("2.0");

    std::string folder = QCoreApplication::applicationDirPath().toStdString();
    lilyhops::QtTegoSnd sound(folder + "/");
    lilyhops::Scheduler scheduler;
    lilyhops::GameWindow window(scheduler, sound, folder);
    window.show();
    lilyhops::Stats stats(std::getenv("LILYHOPS_STATS"), window, scheduler);
    return app.exec();
}
