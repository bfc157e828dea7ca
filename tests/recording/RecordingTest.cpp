// Recordings of games played through the input gate: what they hold, and
// that the script runner, given one, ends in the very state the game reached.

#include "PlayedGame.h"
#include "runner/Names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <streambuf>
#include <vector>

using namespace lilyhops;
using lilyhops::testing::lines;
using lilyhops::testing::PlayedGame;
using lilyhops::testing::runScript;

namespace {

constexpr std::int16_t kEsc = 27, kSpace = 32, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

// The game time at which each line of a recording runs.
std::vector<std::pair<Millis, std::string>> timedLines(const std::string& text) {
    std::vector<std::pair<Millis, std::string>> out;
    Millis t = 0;
    for (const std::string& l : lines(text)) {
        if (l.rfind("wait ", 0) == 0)
            t += std::stoll(l.substr(5));
        else
            out.emplace_back(t, l);
    }
    return out;
}

// A game with a bit of everything the window hands over: keys (one of them
// held, with the repeats of a keyboard), pause by Esc and Space, the window
// losing and regaining activation, menu choices, the rules box, the About
// window and songs ending on their own.
void playAGame(PlayedGame& g) {
    g.at(0).gate.menu(g.game.mnuCycle);
    g.runTo(400);
    g.at(523).gate.menu(g.game.mnuNew);
    g.runTo(800);
    g.at(811).key(kRight);
    g.at(1187).gate.keyDown(kUp); // held: the keyboard repeats it
    for (Millis t = 1687; t < 2400; t += 33)
        g.at(t).gate.keyDown(kUp);
    g.at(2400).gate.keyUp(kUp);
    g.runTo(2600);
    g.at(2611).key(kEsc, kEsc); // pause
    g.at(2950).key(kEsc, kEsc); // resume
    g.runTo(3100);
    g.desktop.reallyActive = false; // another window is clicked
    g.runTo(3500);
    g.desktop.reallyActive = true;
    g.runTo(3900);
    g.at(3957).key(kSpace, kSpace); // resume
    g.at(4230).key(kLeft);
    g.at(4412).key(kDown);
    g.at(4800).gate.menu(g.game.mnuSound);
    g.at(5003).gate.menu(g.game.mnuFHelp); // the rules box, answered at once
    g.desktop.reallyActive = false;        // ...but it is the active window
    g.runTo(5600);
    g.at(5600).gate.rulesClosed();
    g.desktop.reallyActive = true;
    g.at(6001).key(kSpace, kSpace);
    g.at(6500).gate.menu(g.game.mnuAbout);
    g.desktop.reallyActive = false;
    g.runTo(7000);
    g.at(7120).gate.aboutClosed();
    g.desktop.reallyActive = true;
    g.runTo(7300);
    g.at(7301).key(kSpace, kSpace);
    g.runTo(9500); // songs of 3 s end on their own
}

} // namespace

TEST(Recording, TheRunnerReachesTheStateTheGameReached) {
    PlayedGame g(true, 3000);
    playAGame(g);
    g.close(9876);
    ASSERT_TRUE(g.recorder.finished());
    const std::string text = g.recording.str();
    // The game went through what it was meant to.
    EXPECT_NE(text.find("\nsong end\n"), std::string::npos);
    EXPECT_NE(text.find("\nactive off\n"), std::string::npos);
    EXPECT_NE(text.find("\ncall frmAbout.cmdOK_Click\n"), std::string::npos);
    EXPECT_FALSE(g.game.gamePaused);

    auto result = runScript(text);
    EXPECT_EQ(result.status, 0) << result.err << "\n" << text;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
}

TEST(Recording, ActivationIsToldToTheRunnerBeforeTheTickThatSawIt) {
    PlayedGame g;
    g.at(50).gate.menu(g.game.mnuNew);
    g.runTo(1000);
    g.desktop.reallyActive = false;
    g.runTo(1250); // the focus timer sees it at 1100 and pauses
    ASSERT_TRUE(g.game.gamePaused);
    g.desktop.reallyActive = true;
    g.runTo(1400);
    g.close(1400);

    std::vector<std::pair<Millis, std::string>> timed = timedLines(g.recording.str());
    auto line = [&](const std::string& l) {
        return std::find_if(timed.begin(), timed.end(), [&](auto& p) { return p.second == l; });
    };
    ASSERT_NE(line("active off"), timed.end());
    EXPECT_EQ(line("active off")->first, 1099);
    ASSERT_NE(line("active on"), timed.end());
    EXPECT_EQ(line("active on")->first, 1299);
    EXPECT_EQ(runScript(g.recording.str()).status, 0) << g.recording.str();
}

TEST(Recording, OnlyASongThatPlayedToItsEndIsRecordedAsEnded) {
    PlayedGame g(true, 5000);
    g.at(0).gate.menu(g.game.mnuCycle);
    g.at(100).gate.menu(g.game.mnuNew);
    g.runTo(2000);
    g.sound.notifyMidSong(); // the game does nothing with it
    ASSERT_TRUE(g.game.mnuSong1.Checked);
    g.runTo(5200); // this one has played to its end: the next song starts
    ASSERT_TRUE(g.game.mnuSong2.Checked);
    g.close(5300);
    const std::string text = g.recording.str();
    std::vector<std::pair<Millis, std::string>> timed = timedLines(text);
    std::vector<Millis> ends;
    for (auto& [t, l] : timed)
        if (l == "song end")
            ends.push_back(t);
    EXPECT_EQ(ends, (std::vector<Millis>{5100}));
    EXPECT_EQ(runScript(text).status, 0) << text;
}

TEST(Recording, BeginsWithItsHeaderAndSongsThatNeverEndByThemselves) {
    PlayedGame g;
    std::vector<std::string> l = lines(g.recording.str());
    ASSERT_GE(l.size(), 2u);
    EXPECT_EQ(l[0], "# a test game");
    EXPECT_EQ(l[1], "song length 2147483647");
}

TEST(Recording, InputsAtOneInstantShareOneWait) {
    PlayedGame g;
    g.at(250).gate.keyDown(kUp);
    g.at(250).gate.keyPress(kUp);
    g.at(250).gate.keyUp(kUp);
    g.at(250).gate.keyDown(kUp);
    std::vector<std::string> l = lines(g.recording.str());
    EXPECT_EQ(std::vector<std::string>(l.begin() + 2, l.end()),
              (std::vector<std::string>{"wait 250", "keydown 38", "keypress 38", "keyup 38",
                                        "keydown 38"}));
}

TEST(Recording, ExitComesLastWithTheFinalStateBeforeIt) {
    PlayedGame g;
    g.at(100).gate.menu(g.game.mnuNew);
    g.at(700).key(kUp);
    g.at(1300).gate.menu(g.game.mnuExit);
    EXPECT_TRUE(g.desktop.ended);
    g.close(1300); // the window closes as the program ends: nothing more
    std::vector<std::string> l = lines(g.recording.str());
    EXPECT_EQ(l.back(), "menu mnuExit");
    EXPECT_EQ(std::count(l.begin(), l.end(), "expect frogRow 2"), 1);
    EXPECT_EQ(runScript(g.recording.str()).status, 0);

    // The runner does check them before it ends: a wrong one fails the run.
    std::string text = g.recording.str();
    text.replace(text.find("expect frogRow 2"), 16, "expect frogRow 3");
    auto result = runScript(text);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("expected frogRow = 3, got 2"), std::string::npos);
}

TEST(Recording, AnEarlyEndStillRunsUpToItsLastInput) {
    // Cut off by a signal after the last flushed line: no final state, but
    // every line is whole and the runner takes it.
    PlayedGame g;
    g.at(100).gate.menu(g.game.mnuNew);
    g.at(700).key(kUp);
    EXPECT_FALSE(g.recorder.finished());
    auto result = runScript(g.recording.str() + "expect frogRow 2\n");
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(Recording, FinalStateCoversWhatThePlayerSeesAndLeavesOutTheSoundDevice) {
    PlayedGame g;
    std::vector<std::string> names = finalStateNames(g.game);
    auto has = [&](const std::string& n) {
        return std::find(names.begin(), names.end(), n) != names.end();
    };
    for (const char* n : {"lblScore2.Caption", "livesLeft", "frogRow", "imgFrog.Left",
                          "imgFrog.Top", "cubbyFilled(0)", "cubbyFilled(4)", "imgCar1.Left",
                          "imgCar10.Left", "imgTurtle01.Left", "imgTurtle12.Left", "imgLog3.Left",
                          "imgTime.Width", "gamePaused", "tmrRow12.Enabled", "mnuPause.Checked"})
        EXPECT_TRUE(has(n)) << n;
    // A real song's place, and what is drawn or saved from it, cannot agree.
    for (const char* n :
         {"musicPos", "shpMusicBar.Width", "TegoSnd.TrackPosition", "TegoSnd.IsPlaying"})
        EXPECT_FALSE(has(n)) << n;
    // Every name is one the runner knows.
    for (const std::string& n : names)
        EXPECT_TRUE(script::bind(g.game, n)) << n;
}

TEST(Recording, ExpectLinesReadBackAsTheSameValue) {
    PlayedGame g;
    g.game.lblScore2.Caption = "say \"hi\" \\o/";
    EXPECT_EQ(expectLine(g.game, "lblScore2.Caption"),
              "expect lblScore2.Caption \"say \\\"hi\\\" \\\\o/\"");
    g.game.imgFrog.Left = 3255.5f;
    EXPECT_EQ(expectLine(g.game, "imgFrog.Left"), "expect imgFrog.Left 3255.5");
    EXPECT_EQ(expectLine(g.game, "gamePaused"), "expect gamePaused False");
    // Names the game alone sets are checked too; texts no line can hold are
    // left out.
    EXPECT_EQ(expectLine(g.game, "frmAbout.Loaded"), "expect frmAbout.Loaded False");
    g.game.lblPaused.Caption = "two\nlines";
    EXPECT_EQ(expectLine(g.game, "lblPaused.Caption"), "");

    auto result = runScript("set lblScore2.Caption \"say \\\"hi\\\" \\\\o/\"\nset imgFrog.Left "
                            "3255.5\n" +
                            expectLine(g.game, "lblScore2.Caption") + "\n" +
                            expectLine(g.game, "imgFrog.Left") + "\n");
    EXPECT_EQ(result.status, 0) << result.err;
}

namespace {
// An output that takes `room` characters and then fails.
class FullDisk : public std::streambuf {
  public:
    explicit FullDisk(std::size_t room) : room_(room) {}

  protected:
    int_type overflow(int_type c) override {
        if (room_ == 0)
            return traits_type::eof();
        --room_;
        return c;
    }

  private:
    std::size_t room_;
};
} // namespace

TEST(Recording, AFailedWriteIsToldOnceAndTheGameGoesOn) {
    FullDisk disk(60);
    std::ostream out(&disk);
    std::vector<std::string> told;
    ScriptRecorder recorder(out, [&](const std::string& why) { told.push_back(why); });
    PlayedGame g(false);
    g.gate.recordTo(&recorder);
    recorder.begin({"a header that fills most of the disk................"});
    g.at(100).gate.menu(g.game.mnuNew);
    g.at(300).key(kRight);
    g.at(500).key(kRight);
    g.close(900);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(g.game.imgFrog.Left, 3255 + 2 * 450);
}
