// The window as designed: every control's place, size, picture and look
// before the start-up code runs, and the order in which they are painted.

#include "game/frmLilyhops.h"

namespace lilyhops {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kYellow = 0x00FFFF;

Label label(const char* name, const char* caption, float l, float t, float w, float h,
            std::uint32_t color, double points, Alignment align) {
    Label lb;
    lb.name = name;
    lb.Caption = caption;
    lb.Left = l, lb.Top = t, lb.Width = w, lb.Height = h;
    lb.ForeColor = color;
    lb.font = Font{"Arial", points, true};
    lb.alignment = align;
    return lb;
}

} // namespace

void frmLilyhops::buildControls() {
    // A sprite with its own design picture of the given art and pixel size.
    auto sprite = [this](Sprite& s, std::string name, float left, float top, const char* art,
                         int wPx, int hPx, bool visible = true) {
        pictures_.push_back(Picture{name, art, wPx, hPx});
        s = Sprite{};
        s.name = std::move(name);
        s.Left = left;
        s.Top = top;
        s.Visible = visible;
        s.setPicture(&pictures_.back());
    };

    sprite(imgBackground, "imgBackground", 0, 360, "background", 450, 367);
    sprite(imgWater, "imgWater", 0, 825, "water", 450, 124);

    struct CarDesign {
        float left, top;
        int w, h;
    };
    const CarDesign cars[10] = {
        {300, 4905, 50, 30},   {3075, 4905, 49, 28}, {5835, 4905, 49, 28}, {345, 4305, 65, 35},
        {1800, 4335, 67, 31},  {3285, 4335, 63, 33}, {1875, 3825, 55, 26}, {330, 3195, 150, 36},
        {3960, 3195, 171, 36}, {4680, 4320, 63, 32},
    };
    for (int n = 1; n <= 10; ++n) {
        const CarDesign& c = cars[n - 1];
        std::string art = "car" + std::to_string(n);
        sprite(imgCar(n), "imgCar" + std::to_string(n), c.left, c.top, art.c_str(), c.w, c.h);
    }

    const float turtles[12][2] = {
        {900, 2295}, {1440, 2295}, {1980, 2295}, {5355, 2295}, {5895, 2295}, {6435, 2295},
        {630, 945},  {1170, 945},  {3150, 945},  {3690, 945},  {5760, 900},  {6300, 900},
    };
    for (int n = 1; n <= 12; ++n) {
        std::string name = (n < 10 ? "imgTurtle0" : "imgTurtle") + std::to_string(n);
        sprite(imgTurtle(n), name, turtles[n - 1][0], turtles[n - 1][1], "turtle", 38, 22);
    }

    sprite(imgLog1, "imgLog1", 3105, 1845, "log1", 231, 23);
    sprite(imgLog2, "imgLog2", 4635, 1440, "log2", 128, 23);
    sprite(imgLog3, "imgLog3", 585, 1440, "log3", 128, 23);

    const float bays[5] = {390, 1755, 3195, 4620, 6020};
    for (int i = 0; i < 5; ++i)
        sprite(imgSuccess[i], "imgSuccess(" + std::to_string(i) + ")", bays[i], 495, "frog_south",
               22, 19, false);

    sprite(imgFrog, "imgFrog", 3240, 5400, "frog_north", 22, 24, false);
    sprite(imgLife1, "imgLife1", 690, 30, "frog_south", 22, 19);
    sprite(imgLife2, "imgLife2", 1050, 30, "frog_south", 22, 19);

    imgTime = Sprite{};
    imgTime.stretch = true;
    pictures_.push_back(Picture{"imgTime", "time_bar", 226, 15});
    imgTime.name = "imgTime";
    imgTime.Left = 3675;
    imgTime.Top = 60;
    imgTime.Width = 3000;
    imgTime.Height = 225;
    imgTime.picture = &pictures_.back();

    // The holders are parked below the visible area, hidden.
    sprite(FrogNorth, "FrogNorth", 120, 10080, "frog_north", 22, 24, false);
    sprite(FrogSouth, "FrogSouth", 840, 10080, "frog_south", 22, 19, false);
    sprite(FrogEast, "FrogEast", 1560, 10080, "frog_east", 22, 28, false);
    sprite(FrogWest, "FrogWest", 2280, 10080, "frog_west", 23, 26, false);
    sprite(FrogDead, "FrogDead", 3000, 10080, "frog_dead", 41, 29, false);
    sprite(FrogDrowned, "FrogDrowned", 3720, 10080, "frog_drowned", 34, 23, false);

    lblLives = label("lblLives", "Lives:", 45, 45, 645, 240, kWhite, 9.75, Alignment::Left);
    lblScore1 = label("lblScore1", "Score:", 1620, 45, 735, 255, kWhite, 9.75, Alignment::Left);
    lblScore2 = label("lblScore2", "0", 2310, 75, 615, 255, kWhite, 9, Alignment::Right);
    lblTime = label("lblTime", "Time:", 3045, 45, 570, 240, kWhite, 9.75, Alignment::Left);
    lblPaused =
        label("lblPaused", "Game Paused", 0, 7800, 6720, 1230, kWhite, 48, Alignment::Center);
    lblGameOver =
        label("lblGameOver", "Game Over!", 120, 7080, 6720, 1230, kRed, 54, Alignment::Center);
    lblSuccess =
        label("lblSuccess", "Nice!", 450, 8400, 6720, 1500, kYellow, 72, Alignment::Center);

    shpMusicBar = Shape{"shpMusicBar", 0, 5880, 6750, 90, 0x0080FF, kYellow, 0x80FF80, true, true};
    txtControl = TextBox{"txtControl", 90, 6600, 3480, 435};

    // Designed larger than it runs: a client area of 8070 x 10620 twips.
    Width = 8160;
    Height = 11280;
}

void frmLilyhops::buildMenus() {
    auto item = [](MenuItem& m, const char* name, const char* caption, const char* shortcut,
                   MenuItem* parent, bool enabled = true, bool checked = false) {
        m.name = name;
        m.caption = caption;
        m.shortcut = shortcut;
        m.Enabled = enabled;
        m.Checked = checked;
        m.parent = parent;
        if (parent)
            parent->children.push_back(&m);
    };
    item(mnuFile, "mnuFile", "&File", "", nullptr);
    item(mnuNew, "mnuNew", "&New Game", "Ctrl+N", &mnuFile);
    item(mnuEnd, "mnuEnd", "&End Game", "Ctrl+E", &mnuFile, false);
    item(mnuPause, "mnuPause", "&Pause", "Ctrl+P", &mnuFile, false);
    item(mnuSep1, "mnuSep1", "-", "", &mnuFile);
    item(mnuExit, "mnuExit", "E&xit", "Ctrl+X", &mnuFile);
    item(mnuAudio, "mnuAudio", "&Audio", "", nullptr);
    item(mnuSound, "mnuSound", "&Sound", "Ctrl+S", &mnuAudio, true, true);
    item(mnuMusic, "mnuMusic", "&Music", "Ctrl+M", &mnuAudio, true, true);
    item(mnuSong, "mnuSong", "Son&gs", "", &mnuAudio);
    item(mnuSong1, "mnuSong1", "&Original Bogtrot Music", "Shift+F1", &mnuSong, true, true);
    item(mnuSong2, "mnuSong2", "&Pelto 64 Slide Music", "Shift+F2", &mnuSong);
    item(mnuSong3, "mnuSong3", "&Vrax - Heaven's On Fire", "Shift+F3", &mnuSong);
    item(mnuSong4, "mnuSong4", "&Tollbridge - When I Come Around", "Shift+F4", &mnuSong);
    item(mnuSep2, "mnuSep2", "-", "", &mnuSong);
    item(mnuCycle, "mnuCycle", "&Cycle Through All Music Selections", "Ctrl+C", &mnuSong);
    item(mnuHelp, "mnuHelp", "&Help", "", nullptr);
    item(mnuFHelp, "mnuFHelp", "Lilyhops &Rules", "Ctrl+R", &mnuHelp);
    item(mnuAbout, "mnuAbout", "&About Lilyhops", "Ctrl+A", &mnuHelp);
}

std::vector<MenuItem*> frmLilyhops::menuBar() {
    std::vector<MenuItem*> all;
    auto walk = [&all](auto& self, MenuItem* m) -> void {
        all.push_back(m);
        for (MenuItem* c : m->children)
            self(self, c);
    };
    for (MenuItem* top : {&mnuFile, &mnuAudio, &mnuHelp})
        walk(walk, top);
    return all;
}

std::vector<frmLilyhops::Drawable> frmLilyhops::drawingOrder() const {
    auto turtle = [this](int n) -> Drawable { return &imgTurtles[n - 1]; };
    auto car = [this](int n) -> Drawable { return &imgCars[n - 1]; };
    std::vector<Drawable> order = {&imgBackground, &imgWater, &imgLife2, &imgLife1, &imgLog1};
    for (int n = 6; n >= 1; --n)
        order.push_back(turtle(n));
    order.insert(order.end(), {&imgLog2, &imgLog3});
    for (int n = 12; n >= 7; --n)
        order.push_back(turtle(n));
    order.insert(order.end(),
                 {&lblTime, &imgFrog, &lblLives, &lblScore1, &lblScore2, &imgTime, &FrogNorth,
                  &FrogSouth, &FrogEast, &FrogWest, &FrogDead, &FrogDrowned});
    for (int n : {8, 9, 7, 4, 5, 6, 1, 2, 3, 10})
        order.push_back(car(n));
    order.insert(order.end(), {&lblGameOver, &lblSuccess});
    for (const Sprite& bay : imgSuccess)
        order.push_back(&bay);
    order.insert(order.end(), {&shpMusicBar, &lblPaused});
    return order;
}

} // namespace lilyhops
