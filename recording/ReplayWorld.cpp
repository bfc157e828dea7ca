#include "recording/ReplayWorld.h"

#include "game/frmLilyhops.h"

namespace lilyhops {

// The window halts the game's clock when the program ends.
bool ReplayWorld::stopped() {
    return game_.scheduler().halted();
}

} // namespace lilyhops
