// The invariant fuzz test: a quarter of a million random events per run
// through the game's core, with every invariant checked after each event and
// after each handler the clock runs in between. In the player's run most events
// are those of a player who steers toward the free bays, so that full bays,
// won games and new games after a win are reached (and counted).
//
// Each run has a fixed seed, printed with any failure. To reproduce or to
// explore: LILYHOPS_FUZZ_SEED=N and LILYHOPS_FUZZ_EVENTS=N.

#include "GameUnderTest.h"
#include "Invariants.h"
#include "Player.h"
#include "RandomEvents.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <random>
#include <sstream>

using namespace lilyhops;
using namespace lilyhops::fuzz;

namespace {

std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

bool successShown(const frmLilyhops& w) {
    return w.lblSuccess.Visible && w.lblSuccess.Top < 6000;
}

// Drives one run: counts events, checks the invariants after each event and
// each handler, and keeps the last events for the failure message.
class FuzzRun {
  public:
    FuzzRun(const char* name, std::uint64_t seed) : name_(name), seed_(seed), rng_(seed) {
        g_.afterHandler = [this](const char* handler) {
            ++handlers_;
            check({{}, handler, g_.clock.now()});
        };
    }

    GameUnderTest& game() { return g_; }
    std::mt19937_64& rng() { return rng_; }
    bool failed() const { return !failure_.empty(); }
    const std::string& failure() const { return failure_; }
    std::uint64_t events() const { return events_; }

    // Notes one event that has run and checks the invariants after it.
    void event(std::string what) {
        ++events_;
        // With where the toad stands after it, which most failures are about.
        const Sprite& frog = g_.game.imgFrog;
        check({std::move(what), nullptr, g_.clock.now(), g_.game.frogRow, frog.Left, frog.Top,
               frog.picture});
        // Nothing reads the recorded calls here; keep them from piling up.
        if (g_.log.calls().size() > 1000)
            g_.log.take();
    }

    struct Tally {
        int bays = 0, fullBays = 0, wins = 0, newGamesAfterWin = 0, losses = 0, gameOvers = 0;
    } tally;

    std::string summary(double seconds, double cpuSeconds) const {
        std::ostringstream s;
        s << name_ << ": " << events_ << " events and " << handlers_
          << " handlers run by the clock in " << seconds << " s (" << cpuSeconds << " s CPU), seed "
          << seed_ << "; bays filled " << tally.bays << ", all five " << tally.fullBays
          << " times, wins " << tally.wins << ", new games after a win " << tally.newGamesAfterWin
          << ", toads lost " << tally.losses << ", games lost " << tally.gameOvers;
        return s.str();
    }

  private:
    // An event or a handler run by the clock, as the failure message tells
    // it; made into text only for a failure.
    struct Seen {
        std::string event;
        const char* handler = nullptr;
        Millis at = 0;
        int row = 0;
        float left = 0, top = 0;
        const Picture* picture = nullptr;

        std::string text() const {
            std::ostringstream s;
            if (handler)
                s << "  (handler " << handler << " at " << at << " ms)";
            else
                s << event << "    -> row " << row << ", " << left << " x " << top << ", "
                  << (picture ? picture->name : "no picture");
            return s.str();
        }
    };

    void check(Seen seen) {
        recent_.push_back(std::move(seen));
        if (recent_.size() > 40)
            recent_.pop_front();
        countProgress();
        if (failed())
            return;
        std::vector<std::string> broken = invariants_.broken(g_);
        if (broken.empty())
            return;
        std::ostringstream s;
        s << name_ << " broke after event " << events_ << " (seed " << seed_
          << "; rerun with LILYHOPS_FUZZ_SEED=" << seed_ << "):\n";
        for (const std::string& b : broken)
            s << "  - " << b << "\n";
        s << "the last events, oldest first:\n";
        for (const Seen& e : recent_)
            s << "  " << e.text() << "\n";
        failure_ = s.str();
    }

    void countProgress() {
        const frmLilyhops& w = g_.game;
        int filled = 0;
        for (bool b : w.cubbyFilled)
            filled += b;
        bool won = successShown(w);
        if (filled > lastFilled_)
            tally.bays += filled - lastFilled_;
        if (filled == 5 && lastFilled_ < 5)
            ++tally.fullBays;
        if (won && !lastWon_)
            ++tally.wins;
        if (!won && lastWon_ && g_.lanesRun())
            ++tally.newGamesAfterWin;
        if (w.livesLeft < lastLives_)
            ++tally.losses;
        bool over = w.lblGameOver.Visible && w.lblGameOver.Top < 6000;
        if (over && !lastOver_)
            ++tally.gameOvers;
        lastFilled_ = filled;
        lastWon_ = won;
        lastLives_ = w.livesLeft;
        lastOver_ = over;
    }

    const char* name_;
    std::uint64_t seed_;
    std::mt19937_64 rng_;
    GameUnderTest g_;
    Invariants invariants_;
    std::uint64_t events_ = 0, handlers_ = 0;
    std::deque<Seen> recent_;
    std::string failure_;
    int lastFilled_ = 0, lastLives_ = 2;
    bool lastWon_ = false, lastOver_ = false;
};

// Carries out one move of the player as the events it takes.
void play(FuzzRun& run, Move move) {
    GameUnderTest& g = run.game();
    auto press = [&](std::int16_t code, const char* name) {
        g.keyDown(code);
        run.event(std::string("keydown ") + name);
        if (code == 32) {
            g.keyPress(code);
            run.event("keypress 32");
        }
        g.keyUp(code);
        run.event(std::string("keyup ") + name);
    };
    switch (move) {
    case Move::Wait: {
        Millis next = g.advanceToNextDue();
        run.event("wait to " + std::to_string(next) + " ms");
        break;
    }
    case Move::Up:
        press(38, "38 (Up)");
        break;
    case Move::Down:
        press(40, "40 (Down)");
        break;
    case Move::Left:
        press(37, "37 (Left)");
        break;
    case Move::Right:
        press(39, "39 (Right)");
        break;
    case Move::Resume:
        press(32, "32 (Space)");
        break;
    case Move::NewGame:
        g.choose(g.game.mnuNew);
        run.event("menu mnuNew");
        break;
    case Move::Activate:
        g.desktop.active = true;
        run.event("active on");
        break;
    case Move::CloseAbout:
        g.game.frmAbout.cmdOK_Click();
        run.event("call frmAbout.cmdOK_Click");
        break;
    }
}

struct Timing {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
    double cpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

const std::uint64_t kEvents = fromEnvironment("LILYHOPS_FUZZ_EVENTS", 250000);

} // namespace

TEST(InvariantFuzz, RandomEventsOfEveryKind) {
    FuzzRun run("random events", fromEnvironment("LILYHOPS_FUZZ_SEED", 20261206));
    RandomEvents random(run.rng());
    Timing timing;
    while (run.events() < kEvents && !run.failed())
        run.event(random.any(run.game()));
    std::cout << run.summary(timing.seconds(), timing.cpuSeconds()) << "\n";
    ASSERT_FALSE(run.failed()) << run.failure();
    // Random keys and menus reach the ends of games, not their wins.
    EXPECT_GT(run.tally.gameOvers, 0);
    EXPECT_GT(run.tally.losses, run.tally.gameOvers);
}

TEST(InvariantFuzz, APlayerWinsGamesAmongDisturbances) {
    FuzzRun run("player", fromEnvironment("LILYHOPS_FUZZ_SEED", 7));
    RandomEvents random(run.rng());
    Player player;
    std::bernoulli_distribution disturbed(0.03);
    Timing timing;
    while (run.events() < kEvents && !run.failed()) {
        if (disturbed(run.rng()))
            run.event(random.disturbance(run.game()));
        else
            play(run, player.next(run.game()));
    }
    std::cout << run.summary(timing.seconds(), timing.cpuSeconds()) << "\n";
    ASSERT_FALSE(run.failed()) << run.failure();
    EXPECT_GE(run.tally.bays, 5);
    EXPECT_GE(run.tally.fullBays, 1);
    EXPECT_GE(run.tally.wins, 1);
    EXPECT_GE(run.tally.newGamesAfterWin, 1);
}
