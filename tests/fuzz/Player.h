#pragma once

// A player for the fuzz test: it steers the toad toward the free bays,
// hopping only where the vehicles and the logs and turtles will leave it
// alive at the next ticks, and starts a new game whenever none runs. It is a
// heuristic, not a perfect player: it loses toads now and then, which is
// wanted too.

namespace lilyhops::fuzz {

class GameUnderTest;

enum class Move { Wait, Up, Down, Left, Right, Resume, NewGame, Activate, CloseAbout };

class Player {
  public:
    Move next(GameUnderTest& g) const;
};

const char* describe(Move m);

} // namespace lilyhops::fuzz
