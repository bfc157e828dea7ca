#include "Player.h"

#include "GameUnderTest.h"

#include <algorithm>
#include <vector>

namespace lilyhops::fuzz {

namespace {

constexpr float kMargin = 15;   // twips kept clear of every edge
constexpr float kUpright = 330; // the toad's width facing north or south
constexpr float kWest = 345;
constexpr float kStep = 450; // a sideways step
constexpr float kBays[5][2] = {{240, 480}, {1560, 1920}, {3000, 3360}, {4440, 4800}, {5840, 6120}};

struct Road {
    std::vector<int> cars;
    float step;
    int reference; // the car whose width a rightward lane re-enters at
};

// Road rows 2 to 5.
const Road& roadOf(int row) {
    static const Road roads[4] = {
        {{1, 2, 3}, -150, 0}, {{4, 5, 6, 10}, 150, 4}, {{7}, -200, 0}, {{8, 9}, 100, 9}};
    return roads[row - 2];
}

// Where a vehicle will be after k steps of its lane, wrapping as the lane
// does.
float vehicleAfter(const frmLilyhops& w, const Road& road, const Sprite& car, int k) {
    float left = car.Left;
    for (int i = 0; i < k; ++i) {
        left += road.step;
        if (road.step < 0 && left <= -car.Width)
            left = w.Width + car.Width;
        if (road.step > 0 && left >= w.Width)
            left = -w.imgCars[road.reference - 1].Width;
    }
    return left;
}

bool roadSafe(const frmLilyhops& w, int row, float left, float width, int steps) {
    const Road& road = roadOf(row);
    for (int n : road.cars) {
        const Sprite& car = w.imgCars[n - 1];
        for (int k = 0; k <= steps; ++k) {
            float at = vehicleAfter(w, road, car, k);
            if (at - width - kMargin <= left && at + car.Width + kMargin >= left)
                return false;
        }
    }
    return true;
}

struct Platform {
    const Sprite* first;
    const Sprite* last;
};

struct River {
    std::vector<Platform> platforms;
    float step;
    bool riding;
};

// River rows 7 to 10.
River riverOf(const frmLilyhops& w, int row) {
    auto t = [&w](int n) { return &w.imgTurtles[n - 1]; };
    switch (row) {
    case 7:
        return {{{t(1), t(3)}, {t(4), t(6)}}, 150, w.onTurtle[0]};
    case 8:
        return {{{&w.imgLog1, &w.imgLog1}}, -100, w.onLog[0]};
    case 9:
        return {{{&w.imgLog2, &w.imgLog2}, {&w.imgLog3, &w.imgLog3}}, -200, w.onLog[1]};
    default:
        return {{{t(7), t(8)}, {t(9), t(10)}, {t(11), t(12)}}, 100, w.onTurtle[1]};
    }
}

// A toad that drifts with its platform reaches the window's edge within a
// few steps: it will be held there and drown.
bool nearEdge(const frmLilyhops& w, const River& river, float left, float width) {
    float ahead = left + 4 * river.step;
    return ahead < 0 || ahead > w.Width - width;
}

// A toad landing at `left` lies wholly on a platform at the first river test,
// by which the platform may have moved one step without it, and is not
// carried into the edge at once.
bool landsOnPlatform(const frmLilyhops& w, int row, float left, float width) {
    River river = riverOf(w, row);
    if (nearEdge(w, river, left, width))
        return false;
    for (const Platform& p : river.platforms) {
        bool holds = true;
        for (int k = 0; k <= 1; ++k) {
            float from = p.first->Left + k * river.step;
            float to = p.last->Left + p.last->Width + k * river.step;
            // A raft about to wrap leaves for the other side.
            if (river.step > 0 && p.first->Left + 3 * river.step >= w.Width)
                holds = false;
            if (left < from + kMargin || left + width > to - kMargin)
                holds = false;
        }
        if (holds)
            return true;
    }
    return false;
}

bool freeBayAt(const frmLilyhops& w, float left) {
    for (int k = 0; k < 5; ++k)
        if (!w.cubbyFilled[k] && kBays[k][0] < left && left < kBays[k][1])
            return true;
    return false;
}

// Turtles in the top row drift right: is a free bay still ahead?
bool freeBayAhead(const frmLilyhops& w, float left) {
    for (int k = 0; k < 5; ++k)
        if (!w.cubbyFilled[k] && kBays[k][1] > left + 100)
            return true;
    return false;
}

// Whether the toad can be at `left` on `row` through the next ticks: having
// just arrived (a hop or a step), or staying where it already is.
bool safe(const frmLilyhops& w, int row, float left, float width, bool arriving) {
    if (row < 1 || row > 10)
        return false;
    if (row == 1 || row == 6)
        return true;
    if (row <= 5)
        return roadSafe(w, row, left, width, arriving ? 2 : 1);
    River river = riverOf(w, row);
    if (!arriving && river.riding)
        return !nearEdge(w, river, left, width);
    return landsOnPlatform(w, row, left, width);
}

} // namespace

Move Player::next(GameUnderTest& g) const {
    const frmLilyhops& w = g.game;
    if (!g.desktop.active)
        return Move::Activate;
    if (w.frmAbout.Visible)
        return Move::CloseAbout;
    if (w.gamePaused)
        return Move::Resume;
    if (!g.inGame())
        return Move::NewGame;
    if (!w.canMove)
        return Move::Wait; // frozen after a road death

    const int row = w.frogRow;
    const float left = w.imgFrog.Left;
    if (row == 10 && freeBayAt(w, left))
        return Move::Up;
    if (row < 10 && safe(w, row + 1, left, kUpright, true) && (row != 9 || freeBayAhead(w, left)))
        return Move::Up;
    if (safe(w, row, left, w.imgFrog.Width, false) && (row != 10 || freeBayAhead(w, left)))
        return Move::Wait;
    if (row > 1 && safe(w, row - 1, left, kUpright, true))
        return Move::Down;
    if (safe(w, row, std::max(0.0f, left - kStep), kWest, true))
        return Move::Left;
    if (safe(w, row, std::min(w.Width - kUpright, left + kStep), kUpright, true))
        return Move::Right;
    return Move::Wait;
}

const char* describe(Move m) {
    switch (m) {
    case Move::Wait:
        return "wait for the next tick";
    case Move::Up:
        return "Up";
    case Move::Down:
        return "Down";
    case Move::Left:
        return "Left";
    case Move::Right:
        return "Right";
    case Move::Resume:
        return "Space to resume";
    case Move::NewGame:
        return "menu mnuNew";
    case Move::Activate:
        return "active on";
    case Move::CloseAbout:
        return "About window's OK";
    }
    return "?";
}

} // namespace lilyhops::fuzz
