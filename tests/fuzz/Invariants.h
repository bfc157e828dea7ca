#pragma once

// What must hold between any two events of the game, whatever came before:
// the rules of the game stated as properties of its state, with the game's
// own quirks stated precisely rather than left out.

#include <string>
#include <vector>

namespace lilyhops::fuzz {

class GameUnderTest;

class Invariants {
  public:
    // The invariants that do not hold now, in words; empty when all hold.
    // Call it after every event and every handler, in order: it remembers
    // what it needs of the past (whether a freeze was pending when the lanes
    // last stopped).
    std::vector<std::string> broken(GameUnderTest& g);

  private:
    // What the menu item chosen last must have done.
    void checkChoice(GameUnderTest& g, std::vector<std::string>& failures);

    bool lanesRanBefore_ = false;
    bool freezePendingAtStop_ = false;
};

} // namespace lilyhops::fuzz
