// Lilyhops: hop the toad across the road and the river into the five bays.

#include "about/Version.h"
#include "audio/real/ProcessEnd.h"
#include "audio/real/QtTegoSnd.h"
#include "frontend/CommandLine.h"
#include "frontend/DisplayCheck.h"
#include "frontend/GameWindow.h"
#include "frontend/QuitOnSignal.h"
#include "frontend/Stats.h"
#include "frontend/Usage.h"
#include "frontend/WallClock.h"
#include "recording/InputGate.h"
#include "recording/ReplayTegoSnd.h"
#include "recording/ScriptRecorder.h"
#include "recording/ScriptReplay.h"
#include "runner/Text.h"

#include <QApplication>
#include <QDateTime>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <optional>

namespace {

std::string why(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return "it is a folder";
    return std::strerror(errno);
}

// Opens a recording to write or to read before Qt starts, so that a wrong
// name needs no display; says why on stderr when it cannot.
template <typename Stream>
bool openRecording(Stream& stream, const std::string& path, const char* verb,
                   std::ios::openmode mode) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec))
        stream.open(path, mode);
    if (stream.is_open())
        return true;
    std::cerr << "lilyhops: cannot " << verb << " the recording '" << path << "': " << why(path)
              << "\n";
    return false;
}

std::vector<std::string> recordingHeader(lilyhops::GameWindow& window) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 origin = now.toMSecsSinceEpoch() - window.clock().gameNow();
    return {"Lilyhops " + std::string(lilyhops::kVersion) + ": a game recorded on " +
                now.toString(Qt::ISODate).toStdString(),
            "game time 0 is " + std::to_string(origin) + " ms after 1970-01-01 00:00 UTC",
            "watch it with: lilyhops --replay FILE; check it with: lilyhops-script FILE"};
}

// Shows a recorded game in the window; the player's keys do not steer it.
// The exit status is the runner's: 2 when a line cannot be run, 1 when an
// expect failed.
int replayGame(std::istream& replayed, const std::string& file, lilyhops::Scheduler& scheduler,
               lilyhops::QtTegoSnd& sound, const std::string& folder) {
    const std::string name = lilyhops::script::shown(file, 200);
    // The game hears the recording's silent song clock; the real control
    // only plays aloud what the game asks for.
    lilyhops::ReplayTegoSnd replaySound(scheduler, sound);
    lilyhops::GameWindow window(scheduler, replaySound, folder);
    lilyhops::ScriptReplay replay(replayed, window.game(), replaySound.songClock(),
                                  {[&window](bool on) { window.gate().setReplayedActive(on); },
                                   [&name](const std::string& line) {
                                       std::cerr << "lilyhops: " << name << ", " << line << "\n";
                                   },
                                   [](const std::string& line) { std::cout << line << std::endl; },
                                   [&window] { window.closeRulesBox(); }});
    if (replay.problem())
        std::cerr << "lilyhops: " << name << ", " << *replay.problem()
                  << "; the replay stops before it\n";
    window.replay(replay);
    lilyhops::QuitOnSignal quitOnSignal([&window] { window.close(); });
    window.show();
    const int status = QApplication::exec();
    if (status != 0)
        return status;
    if (replay.problem())
        return 2;
    return replay.failedExpects() > 0 ? 1 : 0;
}

// Runs the window until the player leaves it and returns the exit status;
// everything it makes, the application object last, is gone when it returns.
int play(const lilyhops::CommandLine& cl, const lilyhops::DisplayRequest& display,
         std::ofstream& recording, std::ifstream& replayed, int argc, char** argv) {
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
    if (cl.replayFile)
        return replayGame(replayed, *cl.replayFile, scheduler, sound, folder);

    // The benchmark's statistics see the sounds the game asks for on their way.
    const char* statsFile = std::getenv("LILYHOPS_STATS");
    std::optional<lilyhops::StatsSound> statsSound;
    if (statsFile && *statsFile)
        statsSound.emplace(sound);
    lilyhops::GameWindow window(
        scheduler, statsSound ? static_cast<lilyhops::TegoSnd&>(*statsSound) : sound, folder);
    std::optional<lilyhops::ScriptRecorder> recorder;
    if (cl.recordFile) {
        const std::string& file = *cl.recordFile;
        recorder.emplace(recording, [&file](const std::string& problem) {
            std::cerr << "lilyhops: " << file << ": " << problem << "\n";
        });
        recorder->begin(recordingHeader(window));
        window.gate().recordTo(&*recorder);
    }
    lilyhops::QuitOnSignal quitOnSignal([&window] { window.close(); });
    window.show();
    lilyhops::Stats stats(
        statsFile, window, scheduler, statsSound ? &*statsSound : nullptr,
        [&sound] { return sound.mixerCpuSeconds(); }, [&sound] { return sound.deviceUnderruns(); });
    const int status = app.exec();
    window.gate().recordTo(nullptr); // the recorder goes before the window
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // Every thread that allocates would get a heap of its own, each keeping
    // what it once held: the window's, the sound thread's, Qt's PulseAudio
    // and X threads'. Once the game runs they allocate little, and small
    // blocks come from each thread's own cache anyway, so one heap serves
    // them all, with the memory one thread frees there for the others.
    mallopt(M_ARENA_MAX, 1);
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

    std::ofstream recording;
    if (cl.recordFile &&
        !openRecording(recording, *cl.recordFile, "write", std::ios::out | std::ios::trunc))
        return 2;
    std::ifstream replayed;
    if (cl.replayFile && !openRecording(replayed, *cl.replayFile, "read", std::ios::in))
        return 2;

    const lilyhops::DisplayRequest display = lilyhops::displayRequest(args);
    if (const auto line = lilyhops::missingDisplayLine(display)) {
        std::cerr << *line << "\n";
        return 1;
    }

    // Everything the window made is gone when play returns; what Qt keeps for
    // the whole process is left to the system (see ProcessEnd.h), so the
    // recording is closed here, its last lines written.
    const int status = play(cl, display, recording, replayed, argc, argv);
    recording.close();
    lilyhops::endProcess(status);
}
