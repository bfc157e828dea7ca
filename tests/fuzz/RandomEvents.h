#pragma once

// Random events of every kind the game can receive: keys pressed, held and
// released, menu choices, ticks and waits on the clock, the window losing
// and regaining activation, songs that end and songs of new lengths, and the
// procedure calls the game itself makes from outside a handler.

#include <random>
#include <string>

namespace lilyhops::fuzz {

class GameUnderTest;

class RandomEvents {
  public:
    explicit RandomEvents(std::mt19937_64& rng) : rng_(rng) {}

    // Any event at all. Returns what it did, in the runner's words.
    std::string any(GameUnderTest& g);
    // The events that disturb a player without ending its game for it: no
    // New Game or End Game, no procedure calls.
    std::string disturbance(GameUnderTest& g);

    std::string key(GameUnderTest& g);
    std::string menu(GameUnderTest& g, bool gameMenus);
    std::string clock(GameUnderTest& g);
    std::string outside(GameUnderTest& g);
    std::string procedure(GameUnderTest& g);

  private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::mt19937_64& rng_;
};

} // namespace lilyhops::fuzz
