#include "Invariants.h"

#include "GameUnderTest.h"

#include <cmath>

namespace lilyhops::fuzz {

namespace {

// The toad's Top on each row, for a toad that set out from the start strip
// facing north (index frogRow - 1).
constexpr float kRowTop[10] = {5460, 4960, 4410, 3860, 3280, 2760, 2300, 1840, 1440, 900};
constexpr float kFullTime = 3000;
constexpr std::uint32_t kYellow = 0x00FFFF;
const char* const kSongFiles[4] = {"OrigBogt.mid", "Pelto64.mid", "VraxHeav.mid", "TollBrdg.mid"};

// A message label is shown when it is visible inside the playfield; parked
// below it, it is out of sight however Visible stands.
bool shown(const Label& l) {
    return l.Visible && l.Top < 6000;
}

// A caption such as "0", "-50" or "1350": a whole number in plain decimal.
bool wholeNumber(const std::string& text) {
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size() || (text[i] == '0' && text.size() > i + 1) || text == "-0")
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

} // namespace

std::vector<std::string> Invariants::broken(GameUnderTest& g) {
    const frmLilyhops& w = g.game;
    // The messages are made only for what fails: this runs after every
    // event and every handler.
    std::vector<std::string> failures;
    auto fail = [&failures](std::string what) { failures.push_back(std::move(what)); };
    if (!g.clockProblem.empty())
        fail(g.clockProblem);
    g.clockProblem.clear();
    const bool lanes = g.lanesRun();
    const float W = w.Width;
    if (lanesRanBefore_ && !lanes)
        freezePendingAtStop_ = w.tmrDelay.Enabled();
    lanesRanBefore_ = lanes;

    // The toad stands on a row and inside the window.
    if (!(w.frogRow >= 1 && w.frogRow <= 10))
        fail("frogRow " + num(w.frogRow) + " is not 1 to 10");
    const Sprite& frog = w.imgFrog;
    const bool body = frog.picture == w.FrogDead.picture || frog.picture == w.FrogDrowned.picture;
    // A lost toad lies where it was lost and keeps its Left, which was inside
    // the window for the living toad (330 wide at least); only its new,
    // larger picture may reach past the edge.
    const float rightLimit = body ? W - 330 : W - frog.Width;
    if (!(frog.Left >= 0 && frog.Left <= rightLimit))
        fail("the toad's Left " + num(frog.Left) + " is outside 0 .. " + num(rightLimit));
    if (w.frogRow >= 1 && w.frogRow <= 10) {
        // Hops move the toad by its row's distances; turning sideways raises
        // it 60 twips and turning upright lowers it again, and a toad run
        // over while sideways comes back without its raise. A lost toad's
        // body counts as upright: when a freeze pending at the end of the
        // game frees the arrows, a step raises the raised body once more.
        float offset = frog.Top - kRowTop[w.frogRow - 1];
        bool bodyRaisedAgain = offset == -120 && !lanes && freezePendingAtStop_;
        if (!(offset == 0 || offset == 60 || offset == -60 || bodyRaisedAgain))
            fail("the toad's Top " + num(frog.Top) + " does not belong to row " + num(w.frogRow));
    }

    // Lives, score and time.
    if (!(w.livesLeft >= 0 && w.livesLeft <= 2))
        fail("livesLeft " + num(w.livesLeft));
    if (!wholeNumber(w.lblScore2.Caption))
        fail("the score \"" + w.lblScore2.Caption + "\" is not a whole number");
    const float time = w.imgTime.Width;
    if (!(time >= 0 && time <= kFullTime && std::fmod(time, 15.0f) == 0))
        fail("the time bar is " + num(time) + " wide");
    // The status bar shows exactly the spare toads left.
    auto inStatusBar = [](const Sprite& s, float left) { return s.Left == left && s.Top == 30; };
    if (inStatusBar(w.imgLife2, 1050) != (w.livesLeft >= 2))
        fail("imgLife2 does not agree with livesLeft " + num(w.livesLeft));
    if (inStatusBar(w.imgLife1, 690) != (w.livesLeft >= 1))
        fail("imgLife1 does not agree with livesLeft " + num(w.livesLeft));

    // The lane timers run together, exactly while a game runs unpaused.
    for (const Timer* t : {&w.tmrRow38, &w.tmrRow46, &w.tmrRow57})
        if (t->Enabled() != lanes)
            fail(t->name() + " does not run with tmrRow12");
    if (lanes && w.gamePaused)
        fail("the lanes run in a paused game");
    if (lanes && !frog.Visible)
        fail("the lanes run with the toad hidden");
    if (!w.tmrChkFocus.Enabled())
        fail("the focus timer stopped");

    // The arrows: during a game the toad is free to move unless a freeze
    // after a road death is pending. Out of a game (paused, ended) it is
    // held, except that a freeze pending when the lanes stopped still frees
    // it when it runs out.
    if (lanes && !w.canMove && !w.tmrDelay.Enabled())
        fail("the toad is held in a running game");
    if (!lanes && w.canMove && !freezePendingAtStop_)
        fail("the toad is free out of a game without a freeze pending at its stop");

    // Bays: the icons shown are the bays filled; a won game shows them all.
    for (int i = 0; i < 5; ++i)
        if (w.cubbyFilled[i] != w.imgSuccess[i].Visible)
            fail("bay " + num(i) + " and its icon disagree");
    if (shown(w.lblSuccess)) {
        for (int i = 0; i < 5; ++i)
            if (!w.cubbyFilled[i])
                fail("\"Nice!\" with bay " + num(i) + " empty");
        if (frog.Visible)
            fail("\"Nice!\" with the toad shown");
        if (lanes)
            fail("\"Nice!\" in a running game");
    }
    if ((w.lblScore2.ForeColor == kYellow) != shown(w.lblSuccess))
        fail("the score's colour does not follow \"Nice!\"");
    if (shown(w.lblGameOver) && w.livesLeft != 0)
        fail("\"Game Over!\" with lives left");
    if (shown(w.lblGameOver) && lanes)
        fail("\"Game Over!\" in a running game");

    // Menus and pointer agree with the game's state.
    if (w.mnuEnd.Enabled != g.inGame())
        fail("End Game is not enabled exactly in a game");
    if (w.mnuPause.Enabled != g.inGame())
        fail("Pause is not enabled exactly in a game");
    if (w.mnuPause.Checked != w.gamePaused)
        fail("Pause's check mark is not gamePaused");
    if (shown(w.lblPaused) != w.gamePaused)
        fail("\"Game Paused\" is not shown exactly when paused");
    if (w.gamePaused && (w.lblPaused.Left != 0 || w.lblPaused.Top != 2010))
        fail("\"Game Paused\" is not in its place");
    if ((w.mousePointer == MousePointer::Custom) != lanes)
        fail("the pointer is not hidden exactly while the lanes run");
    if (w.mnuSound.Checked != w.soundOn)
        fail("Sound's check mark is not soundOn");
    if (w.mnuMusic.Checked != w.musicOn)
        fail("Music's check mark is not musicOn");
    if (w.mnuSong.Enabled != w.musicOn)
        fail("the song list is not enabled exactly with the music");
    if (w.mnuCycle.Checked != w.cycleMusic)
        fail("Cycle's check mark is not cycleMusic");
    const MenuItem* songs[4] = {&w.mnuSong1, &w.mnuSong2, &w.mnuSong3, &w.mnuSong4};
    int checkedSongs = 0;
    for (int i = 0; i < 4; ++i) {
        if (songs[i]->Checked) {
            ++checkedSongs;
            if (w.songFile != kSongFiles[i])
                fail("the checked song is not songFile " + w.songFile);
        }
    }
    if (checkedSongs != 1)
        fail(num(checkedSongs) + " songs are checked");
    for (const MenuItem* m : {&w.mnuFile, &w.mnuNew, &w.mnuExit, &w.mnuAudio, &w.mnuSound,
                              &w.mnuMusic, &w.mnuHelp, &w.mnuFHelp, &w.mnuAbout})
        if (!m->Enabled)
            fail(m->name + " is disabled");

    // Music plays only when it is switched on, never during a pause.
    if (g.sound.IsPlaying())
        if (!(w.musicOn && !w.gamePaused))
            fail("music plays while switched off or paused");

    // Every lane object stays on its circuit, and each raft of turtles stays
    // whole, each turtle overlapping the next by 30 twips.
    auto onCircuit = [&](const Sprite& s, float from, float to, bool fromIncluded,
                         bool toIncluded) {
        bool ok = (fromIncluded ? s.Left >= from : s.Left > from) &&
                  (toIncluded ? s.Left <= to : s.Left < to);
        if (!ok)
            fail(s.name + " at " + num(s.Left) + " is off its circuit");
    };
    for (int n : {1, 2, 3, 7}) {
        const Sprite& car = w.imgCars[n - 1];
        onCircuit(car, -car.Width, W + car.Width, false, true);
    }
    for (int n : {4, 5, 6, 10})
        onCircuit(w.imgCars[n - 1], -w.imgCars[3].Width, W, true, false);
    for (int n : {8, 9})
        onCircuit(w.imgCars[n - 1], -w.imgCars[8].Width, W, true, false);
    onCircuit(w.imgLog1, -w.imgLog1.Width, W, false, true);
    for (const Sprite* log : {&w.imgLog2, &w.imgLog3})
        onCircuit(*log, -log->Width - 5000, W, false, true);
    const int rafts[5][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 0}, {9, 10, 0}, {11, 12, 0}};
    for (const auto& raft : rafts) {
        const Sprite& first = w.imgTurtles[raft[0] - 1];
        int length = raft[2] ? 3 : 2;
        onCircuit(first, -(length * 570 - (length - 1) * 30), W, true, false);
        for (int i = 1; i < length; ++i) {
            const Sprite& before = w.imgTurtles[raft[i - 1] - 1];
            const Sprite& turtle = w.imgTurtles[raft[i] - 1];
            if (turtle.Left != before.Left + before.Width - 30)
                fail(turtle.name + " has left its raft");
        }
    }
    checkChoice(g, failures);
    return failures;
}

void Invariants::checkChoice(GameUnderTest& g, std::vector<std::string>& failures) {
    if (!g.lastChoice)
        return;
    const GameUnderTest::Choice before = *g.lastChoice;
    g.lastChoice.reset();
    if (!before.reachable)
        return;
    const frmLilyhops& w = g.game;
    const std::string& name = before.item->name;
    auto fail = [&failures](std::string what) { failures.push_back(std::move(what)); };
    const bool playing = g.sound.IsPlaying();
    const bool fromStart = playing && g.sound.TrackPosition() == 0;

    if (name == "mnuNew") {
        // A fresh game, whatever stood before.
        if (!(g.lanesRun() && !w.gamePaused && w.canMove && w.keyReleased))
            fail("New Game did not start a running game with the toad free");
        if (!(w.livesLeft == 2 && w.frogRow == 1 && w.imgTime.Width == kFullTime))
            fail("New Game did not reset lives, row and time");
        if (!(w.imgFrog.Left == 3255 && w.imgFrog.Top == 5460 && w.imgFrog.Visible &&
              w.imgFrog.picture == w.FrogNorth.picture))
            fail("New Game did not put a toad facing north at the start");
        if (!(w.lblScore2.Caption == "0" && w.lblScore2.ForeColor == 0xFFFFFF))
            fail("New Game did not clear the score");
        for (int i = 0; i < 5; ++i)
            if (w.cubbyFilled[i])
                fail("New Game left bay " + num(i) + " filled");
        if (w.onTurtle[0] || w.onTurtle[1] || w.onLog[0] || w.onLog[1])
            fail("New Game left the toad riding");
        if (!(w.imgLife1.picture == w.FrogSouth.picture &&
              w.imgLife2.picture == w.FrogSouth.picture))
            fail("New Game did not give back the life icons");
        if (shown(w.lblGameOver) || shown(w.lblSuccess) || shown(w.lblPaused))
            fail("New Game left a message shown");
        if (!(playing == w.musicOn && (!playing || fromStart)))
            fail("New Game did not start the song from its beginning exactly when music is on");
    } else if (name == "mnuEnd") {
        if (g.inGame() || w.canMove || playing)
            fail("End Game left a game, the toad or music");
    } else if (name == "mnuPause") {
        if (before.paused && !(g.lanesRun() && w.canMove && playing == w.musicOn))
            fail("Pause did not resume the lanes, the toad and the music");
        if (before.lanesRan && !(w.gamePaused && !g.lanesRun() && !w.canMove && !playing))
            fail("Pause did not stop the lanes, the toad and the music");
    } else if (name == "mnuFHelp" || name == "mnuAbout") {
        if (!w.keyReleased)
            fail(name + " did not re-arm the key latch");
        if (g.lanesRun())
            fail(name + " left the lanes running");
        if (before.lanesRan && !w.gamePaused)
            fail(name + " did not pause the running game");
        if (name == "mnuAbout" && !(w.frmAbout.Loaded && w.frmAbout.Visible))
            fail("the About window is not shown");
    } else if (name == "mnuSound") {
        if (w.soundOn == before.soundOn)
            fail("Sound did not switch the effects");
    } else if (name == "mnuCycle") {
        if (w.cycleMusic == before.cycleMusic)
            fail("Cycle did not switch cycling");
    } else if (name == "mnuMusic") {
        if (w.musicOn == before.musicOn)
            fail("Music did not switch the music");
        if (w.musicOn && !(w.gamePaused ? !playing : fromStart))
            fail("music switched on did not start from its beginning, or started in a pause");
        if (!w.musicOn && playing)
            fail("music switched off plays on");
    } else if (name.rfind("mnuSong", 0) == 0 && name.size() == 8) {
        int n = name[7] - '1';
        if (!(w.songFile == kSongFiles[n] && before.item->Checked && w.musicOn))
            fail(name + " did not choose its song");
        bool starts = !before.paused && before.canMove;
        if (!(starts ? fromStart : !playing))
            fail(name + " did not start its song exactly in a running game with the toad free");
    }
}

} // namespace lilyhops::fuzz
