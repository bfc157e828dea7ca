// The river test: a toad in a river row must lie wholly on a log or a raft
// of turtles, or it drowns; one that does rides with it from the next tick.

#include "game/frmLilyhops.h"

namespace lilyhops {

namespace {
struct Platform {
    const Sprite* first;
    const Sprite* last;
};
} // namespace

void frmLilyhops::CheckWater() {
    auto supported = [this](std::initializer_list<Platform> platforms) {
        for (const Platform& p : platforms) {
            float rightLimit = (p.last->Left - imgFrog.Width) + p.last->Width;
            bool off = imgFrog.Left < p.first->Left || rightLimit < imgFrog.Left;
            if (!off)
                return true;
        }
        return false;
    };
    auto judge = [this](bool isSupported, bool& flag) {
        if (isSupported)
            flag = true;
        else
            DrownOff();
    };

    if (frogRow == 7)
        judge(supported({{&imgTurtle(1), &imgTurtle(3)}, {&imgTurtle(4), &imgTurtle(6)}}),
              onTurtle[0]);
    if (frogRow == 8)
        judge(supported({{&imgLog1, &imgLog1}}), onLog[0]);
    if (frogRow == 9)
        judge(supported({{&imgLog2, &imgLog2}, {&imgLog3, &imgLog3}}), onLog[1]);
    if (frogRow == 10)
        judge(supported({{&imgTurtle(7), &imgTurtle(8)},
                         {&imgTurtle(9), &imgTurtle(10)},
                         {&imgTurtle(11), &imgTurtle(12)}}),
              onTurtle[1]);
}

} // namespace lilyhops
