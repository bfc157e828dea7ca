// Lilyhops: hop the toad across the road and the river into the five bays.

#include "about/Version.h"
#include "audio/real/QtTegoSnd.h"
#include "frontend/CommandLine.h"
#include "frontend/DisplayCheck.h"
#include "frontend/GameWindow.h"
#include "frontend/Stats.h"
#include "frontend/Usage.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const lilyhops::CommandLine cl = lilyhops::parseCommandLine(args);
    switch (cl.action) {
    case lilyhops::CommandLine::Action::Help:
        std::cout << lilyhops::gameUsage();
        return 0;
    case lilyhops::CommandLine::Action::Version:
        std::cout << lilyhops::versionText("lilyhops");
        return 0;
    case lilyhops::CommandLine::Action::Error:
        std::cerr << "lilyhops: " << cl.error << " (try 'lilyhops --help')\n";
        return 2;
    case lilyhops::CommandLine::Action::Play:
        break;
    }

    const lilyhops::DisplayRequest display = lilyhops::displayRequest(args);
    if (const auto line = lilyhops::missingDisplayLine(display)) {
        std::cerr << *line << "\n";
        return 1;
    }

    // Whole scale factors keep the pixel art sharp on high-density screens.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    lilyhops::watchWindowSystemStart(display);
    QApplication app(argc, argv);
    lilyhops::windowSystemStarted();
    QApplication::setApplicationName("Lilyhops");
    QApplication::setApplicationVersion(QString::fromUtf8(lilyhops::kVersion));
    // Lets the desktop match the window with the installed desktop entry and icon.
    QGuiApplication::setDesktopFileName("org.lilyhops.Lilyhops");

    std::string folder = QCoreApplication::applicationDirPath().toStdString();
    lilyhops::QtTegoSnd sound(folder + "/");
    lilyhops::Scheduler scheduler;
    lilyhops::GameWindow window(scheduler, sound, folder);
    window.show();
    lilyhops::Stats stats(std::getenv("LILYHOPS_STATS"), window, scheduler);
    return app.exec();
}
