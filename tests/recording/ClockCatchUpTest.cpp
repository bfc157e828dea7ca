// An input reaches the game only after the game's clock has been brought to
// the input's instant: a timer the input switches on counts from there.

#include "PlayedGame.h"

#include <gtest/gtest.h>

using lilyhops::testing::PlayedGame;

namespace {

constexpr std::int16_t kSpace = 32, kUp = 38;

// Lane 1 moves 150 twips left on every tmrRow12 tick, lane 3 200 twips on
// every tmrRow38 tick.
float lane1(PlayedGame& g) {
    return g.game.imgCar(1).Left;
}
float lane3(PlayedGame& g) {
    return g.game.imgCar(7).Left;
}

} // namespace

TEST(ClockCatchUp, NewGameCountsItsLaneTicksFromTheMenuChoice) {
    PlayedGame g(false);
    g.runTo(0);
    // The window last woke at 0 (nothing was due); New Game comes at 70.
    g.at(70).gate.menu(g.game.mnuNew);
    const float start1 = lane1(g), start3 = lane3(g);
    g.runTo(109);
    EXPECT_EQ(lane3(g), start3) << "tmrRow38 ran before 70 + 40";
    g.runTo(110);
    EXPECT_EQ(lane3(g), start3 - 200);
    g.runTo(169);
    EXPECT_EQ(lane1(g), start1) << "tmrRow12 ran before 70 + 100";
    g.runTo(170);
    EXPECT_EQ(lane1(g), start1 - 150);
}

TEST(ClockCatchUp, ResumeCountsItsLaneTicksFromTheKey) {
    PlayedGame g(false);
    g.at(0).gate.menu(g.game.mnuNew);
    g.runTo(1000);
    g.at(1000).key(kSpace, kSpace); // pause
    ASSERT_TRUE(g.game.gamePaused);
    g.runTo(2300);                  // the focus timer woke the clock last at 2300
    g.at(2345).key(kSpace, kSpace); // resume
    ASSERT_FALSE(g.game.gamePaused);
    const float before = lane1(g);
    g.runTo(2444);
    EXPECT_EQ(lane1(g), before);
    g.runTo(2445);
    EXPECT_EQ(lane1(g), before - 150);
}

TEST(ClockCatchUp, TicksDueBeforeAnInputRunBeforeIt) {
    PlayedGame g(false);
    g.at(0).gate.menu(g.game.mnuNew);
    // No wake-up since New Game: the ticks at 100, 200 and 300 are due.
    g.at(305).gate.keyDown(kUp);
    EXPECT_EQ(g.clock.now(), 305);
    EXPECT_EQ(g.game.imgTime.Width, 3000 - 3 * 15);
    EXPECT_EQ(g.game.frogRow, 2);
}

TEST(ClockCatchUp, SongEndComesAtItsOwnInstant) {
    PlayedGame g(false, 1000);
    g.game.mnuCycle_Click();
    g.at(0).gate.menu(g.game.mnuNew);
    // The song ends at 1000 as an event of the clock; the next song is
    // started from there, so the one after it ends at 2000, not later.
    g.runTo(1000);
    EXPECT_TRUE(g.game.mnuSong2.Checked);
    g.runTo(1999);
    EXPECT_TRUE(g.game.mnuSong2.Checked);
    g.runTo(2000);
    EXPECT_TRUE(g.game.mnuSong3.Checked);
}
