#include "RandomEvents.h"

#include "GameUnderTest.h"

namespace lilyhops::fuzz {

std::string RandomEvents::any(GameUnderTest& g) {
    int roll = below(100);
    if (roll < 35)
        return key(g);
    if (roll < 65)
        return clock(g);
    if (roll < 80)
        return menu(g, true);
    if (roll < 90)
        return outside(g);
    return procedure(g);
}

std::string RandomEvents::disturbance(GameUnderTest& g) {
    int roll = below(100);
    if (roll < 30)
        return key(g);
    if (roll < 55)
        return clock(g);
    if (roll < 80)
        return menu(g, false);
    return outside(g);
}

std::string RandomEvents::key(GameUnderTest& g) {
    // Mostly the arrows, then Space, Esc and keys with no meaning.
    static const std::int16_t codes[] = {37, 38, 38, 38, 39, 40, 37, 39, 40, 32, 27, 13, 65, 48};
    std::int16_t code = codes[below(int(std::size(codes)))];
    std::string c = std::to_string(code);
    switch (below(5)) {
    case 0:
        g.keyDown(code);
        return "keydown " + c;
    case 1:
        g.keyUp(code);
        return "keyup " + c;
    case 2: {
        // What a character key types: Esc, Space and Enter as themselves.
        std::int16_t typed = code == 65 ? 97 : code;
        g.keyPress(typed);
        return "keypress " + std::to_string(typed);
    }
    default:
        g.keyDown(code);
        if (code == 27 || code == 32 || code == 13 || code == 65 || code == 48) {
            std::int16_t typed = code == 65 ? 97 : code;
            g.keyPress(typed);
        }
        g.keyUp(code);
        return "key " + c;
    }
}

std::string RandomEvents::menu(GameUnderTest& g, bool gameMenus) {
    frmLilyhops& w = g.game;
    std::vector<MenuItem*> items = {&w.mnuPause, &w.mnuPause, &w.mnuSound, &w.mnuMusic, &w.mnuSong1,
                                    &w.mnuSong2, &w.mnuSong3, &w.mnuSong4, &w.mnuCycle, &w.mnuFHelp,
                                    &w.mnuAbout, &w.mnuFile,  &w.mnuSong};
    if (gameMenus)
        items.insert(items.end(), {&w.mnuNew, &w.mnuNew, &w.mnuNew, &w.mnuEnd});
    MenuItem* item = items[below(int(items.size()))];
    g.choose(*item);
    return "menu " + item->name;
}

std::string RandomEvents::clock(GameUnderTest& g) {
    int roll = below(10);
    if (roll < 6) {
        // To the next instant at which something is due.
        Millis from = g.clock.now();
        Millis ms = g.advanceToNextDue() - from;
        return "wait " + std::to_string(ms);
    }
    Millis ms = roll < 9 ? below(300) : 300 + below(2700);
    g.clock.advanceBy(ms);
    return "wait " + std::to_string(ms);
}

std::string RandomEvents::outside(GameUnderTest& g) {
    switch (below(6)) {
    case 0:
    case 1:
        g.desktop.active = !g.desktop.active;
        return g.desktop.active ? "active on" : "active off";
    case 2:
    case 3:
        g.sound.endSongNow();
        return "song end";
    default: {
        // Now and then songs so short that they end at almost every tick.
        std::int32_t ms = below(4) == 0 ? 1 + below(50) : 1000 + below(200000);
        g.sound.setSongLength(ms);
        return "song length " + std::to_string(ms);
    }
    }
}

std::string RandomEvents::procedure(GameUnderTest& g) {
    frmLilyhops& w = g.game;
    switch (below(6)) {
    case 0:
        // The river test drowns the toad only in a tick of a running game,
        // and only in a river row.
        if (g.lanesRun() && w.frogRow >= 7 && w.frogRow <= 10) {
            w.DrownOff();
            return "call DrownOff";
        }
        return "(no DrownOff out of the river)";
    case 1: {
        // A hop from the top row enters only a free bay, and only while the
        // toad may move.
        std::int16_t bay = std::int16_t(below(5));
        if (w.canMove && w.frogRow == 10 && !w.cubbyFilled[bay]) {
            w.FrogInCubby(bay);
            return "call FrogInCubby " + std::to_string(bay);
        }
        return "(no FrogInCubby " + std::to_string(bay) + ")";
    }
    case 2:
        w.TegoSnd_PlaybackNotify();
        return "call TegoSnd_PlaybackNotify";
    case 3:
        w.txtControl_LostFocus();
        return "call txtControl_LostFocus";
    case 4:
        if (w.frmAbout.Loaded) {
            w.frmAbout.cmdOK_Click();
            return "call frmAbout.cmdOK_Click";
        }
        return "(no About window to close)";
    default:
        w.mnuPause_Click();
        return "call mnuPause_Click";
    }
}

} // namespace lilyhops::fuzz
