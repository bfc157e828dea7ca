// Playing a script into a live game, as the window's replay does: the game
// ends where the runner ends, the player steers nothing meanwhile, and a bad
// line stops the replay before it with one clear message.

#include "ReplayedScript.h"

#include <gtest/gtest.h>

using namespace lilyhops;
using lilyhops::testing::PlayedGame;
using lilyhops::testing::Replayed;

namespace {

constexpr std::int16_t kSpace = 32, kUp = 38, kRight = 39;

} // namespace

TEST(Replay, EndsInTheStateTheRecordedGameReached) {
    PlayedGame played(true, 2500);
    played.gate.menu(played.game.mnuCycle);
    played.at(300).gate.menu(played.game.mnuNew);
    played.at(777).key(kRight);
    played.at(1234).key(kUp);
    played.runTo(1900);
    played.desktop.reallyActive = false;
    played.runTo(2300);
    played.desktop.reallyActive = true;
    played.at(2600).key(kSpace, kSpace);
    played.runTo(5200); // a song ends at 2800 and the next at 5300... not yet
    played.close(5210);

    Replayed r(played.recording.str());
    ASSERT_FALSE(r.replay->problem()) << *r.replay->problem();
    r.toTheEnd();
    EXPECT_TRUE(r.replay->over());
    EXPECT_EQ(r.replay->failedExpects(), 0) << (r.reports.empty() ? "" : r.reports[0]);
    EXPECT_EQ(r.g.clock.now(), 5210);
    EXPECT_EQ(r.activations, (std::vector<bool>{false, true}));
    for (const std::string& name : finalStateNames(played.game))
        EXPECT_EQ(expectLine(r.g.game, name), expectLine(played.game, name));
}

TEST(Replay, ThePlayerSteersNothingWhileItRuns) {
    Replayed r("menu mnuNew\nwait 1000\n");
    r.toTheEnd();
    const float left = r.g.game.imgFrog.Left;
    r.g.gate.keyDown(kRight);
    r.g.gate.keyUp(kRight);
    r.g.gate.menu(r.g.game.mnuEnd);
    EXPECT_EQ(r.g.game.imgFrog.Left, left);
    EXPECT_TRUE(r.g.game.tmrRow12.Enabled());
    // The focus timer sees the recording's activation, not the window's.
    EXPECT_TRUE(r.g.gate.activeAsSeen(false));
    r.g.gate.setReplayedActive(false);
    EXPECT_FALSE(r.g.gate.activeAsSeen(true));
}

TEST(Replay, ABadLineStopsItJustBeforeThatLine) {
    Replayed r("menu mnuNew\nwait 100\n\n# a comment\njump 3\nmenu mnuEnd\n");
    ASSERT_TRUE(r.replay->problem());
    EXPECT_EQ(*r.replay->problem(), "line 5: unknown command 'jump'");
    r.toTheEnd();
    EXPECT_TRUE(r.g.game.tmrRow12.Enabled()); // New Game ran, End Game did not
    EXPECT_EQ(r.g.clock.now(), 100);
}

TEST(Replay, RefusesWhatTheRunnerRefuses) {
    struct Case {
        const char* line;
        const char* problem;
    };
    for (const Case& c : {
             Case{"menu mnuNothing", "line 1: unknown menu item 'mnuNothing'"},
             Case{"wait -5", "line 1: '-5' is out of range for a number of milliseconds"},
             Case{"wait soon", "line 1: 'soon' is not a number of milliseconds"},
             Case{"keydown", "line 1: usage: keydown CODE"},
             Case{"call FrogInCubby", "line 1: FrogInCubby takes a whole-number argument"},
             Case{"call HopNorth 2", "line 1: HopNorth takes no argument"},
             Case{"set frogRow many", "line 1: 'many' is not a whole number"},
             Case{"set TegoSnd.IsPlaying True", "line 1: this name is read-only"},
             Case{"expect nobody 3", "line 1: unknown name 'nobody'"},
             Case{"active maybe", "line 1: usage: active on|off"},
             Case{"song length 0", "line 1: '0' is out of range for a length in milliseconds"},
             Case{"song stop", "line 1: usage: song length MS | song end"},
             Case{"dump \"frogRow", "line 1: a text is missing its closing quote"},
         }) {
        Replayed r(c.line);
        ASSERT_TRUE(r.replay->problem()) << c.line;
        EXPECT_EQ(*r.replay->problem(), c.problem);
    }
}

TEST(Replay, RunsEveryCommandOfTheRunner) {
    Replayed r("song length 500\n"
               "menu mnuNew\n"
               "key 38\n"
               "keydown 39\nkeyup 39\n"
               "tick tmrRow12 2\n"
               "set lblScore2.Caption \"7\"\n"
               "dump frogRow lblScore2.Caption\n"
               "call FrogInCubby 2\n"
               "log\n"
               "active off\n"
               "wait 150\n"
               "active on\n"
               "song end\n"
               "expect livesLeft 2\n"
               "expect frogRow 9\n");
    ASSERT_FALSE(r.replay->problem());
    r.toTheEnd();
    EXPECT_EQ(r.printed, (std::vector<std::string>{R"({"frogRow":2,"lblScore2.Caption":"7"})"}));
    EXPECT_TRUE(r.g.game.cubbyFilled[2]);
    EXPECT_EQ(r.activations, (std::vector<bool>{false, true}));
    // The active window left at 0 was seen by the focus tick at 100.
    EXPECT_TRUE(r.g.game.gamePaused);
    // Keys, menu choices, calls and the player's coming back are the player's.
    EXPECT_EQ(r.playerInputs, 6);
    EXPECT_EQ(r.replay->failedExpects(), 1);
    ASSERT_EQ(r.reports.size(), 1u);
    EXPECT_EQ(r.reports[0], "line 16: expected frogRow = 9, got 1");
}

TEST(Replay, SongEndsOnlyWhereTheScriptSays) {
    Replayed r("song length 2147483647\nmenu mnuCycle\nmenu mnuNew\nwait 60000\n");
    r.toTheEnd();
    EXPECT_TRUE(r.g.game.mnuSong1.Checked);
    Replayed ended("song length 2147483647\nmenu mnuCycle\nmenu mnuNew\nwait 60000\nsong end\n");
    ended.toTheEnd();
    EXPECT_TRUE(ended.g.game.mnuSong2.Checked);
}
