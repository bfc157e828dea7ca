// Lilyhops: hop the toad across the road and the river into the five bays.

#include "audio/real/QtTegoSnd.h"
#include "frontend/CommandLine.h"
#include "frontend/GameWindow.h"
#include "frontend/QuitOnSignal.h"
#include "frontend/WallClock.h"
#include "recording/InputGate.h"
#include "recording/ReplayTegoSnd.h"
#include "recording/ScriptRecorder.h"
#include "recording/ScriptReplay.h"

#include <QApplication>
#include <QDateTime>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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

std::string why(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return "it is a folder";
    return std::strerror(errno);
}

std::vector<std::string> recordingHeader(lilyhops::GameWindow& window) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 origin = now.toMSecsSinceEpoch() - window.clock().gameNow();
    return {"Lilyhops 2.0: a game recorded on " + now.toString(Qt::ISODate).toStdString(),
            "game time 0 is " + std::to_string(origin) + " ms after 1970-01-01 00:00 UTC",
            "watch it with: lilyhops --replay FILE; check it with: lilyhops-script FILE"};
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

    // The files are opened before Qt starts: a wrong name needs no display.
    std::ofstream recording;
    if (cl.recordFile) {
        std::error_code ec;
        if (!std::filesystem::is_directory(*cl.recordFile, ec))
            recording.open(*cl.recordFile, std::ios::out | std::ios::trunc);
        if (!recording.is_open()) {
            std::cerr << "lilyhops: cannot write the recording '" << *cl.recordFile
                      << "': " << why(*cl.recordFile) << "\n";
            return 2;
        }
    }
    std::ifstream replayed;
    if (cl.replayFile) {
        std::error_code ec;
        if (!std::filesystem::is_directory(*cl.replayFile, ec))
            replayed.open(*cl.replayFile);
        if (!replayed.is_open()) {
            std::cerr << "lilyhops: cannot read the recording '" << *cl.replayFile
                      << "': " << why(*cl.replayFile) << "\n";
            return 2;
        }
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

    if (cl.replayFile) {
        // The game hears the recording's silent song clock; the real control
        // only plays aloud what the game asks for.
        lilyhops::ReplayTegoSnd replaySound(scheduler, sound);
        lilyhops::GameWindow window(scheduler, replaySound, folder);
        const std::string& file = *cl.replayFile;
        lilyhops::ScriptReplay replay(
            replayed, window.game(), replaySound.songClock(),
            {[&window](bool on) { window.gate().setReplayedActive(on); },
             [&file](const std::string& line) {
                 std::cerr << "lilyhops: " << file << ", " << line << "\n";
             },
             [](const std::string& line) { std::cout << line << std::endl; },
             [&window] { window.closeRulesBox(); }});
        if (replay.problem())
            std::cerr << "lilyhops: " << file << ", " << *replay.problem()
                      << "; the replay stops before it\n";
        window.replay(replay);
        lilyhops::QuitOnSignal quitOnSignal([&window] { window.close(); });
        window.show();
        int status = app.exec();
        return status == 0 && replay.failedExpects() > 0 ? 1 : status;
    }

    lilyhops::GameWindow window(scheduler, sound, folder);
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
    const int status = app.exec();
    window.gate().recordTo(nullptr); // the recorder goes before the window
    return status;
}
