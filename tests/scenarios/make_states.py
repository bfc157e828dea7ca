#!/usr/bin/env python3
"""Writes the whole-state scenario scripts state_*.script beside it.

Where one handler sets many things (start-up, New Game, pause, resume, End
Game, a loss, a bay, the fifth bay, the About window, the rules box), the
script dumps
every name the runner knows: every variable, every property of every
control of both windows, the timers, the menus and the sound control. The
expected .out then pins the whole state, so that a handler that sets one
thing too many or too few shows up, whatever it is. Each handler is run
from a state in which what it sets stands otherwise, so that setting it is
seen.

    tests/scenarios/make_states.py
"""

from pathlib import Path

HERE = Path(__file__).resolve().parent

SPRITE = ["Left", "Top", "Width", "Height", "Visible", "Picture"]
LABEL = ["Caption", "ForeColor", "Left", "Top", "Width", "Height", "Visible"]
SHAPE = ["Left", "Top", "Width", "Height"]
LINE = ["X1", "Y1", "X2", "Y2"]


def props(controls, properties):
    return [c + "." + p for c in controls for p in properties]


VARIABLES = ["loopIndex", "canMove", "livesLeft", "frogRow", "appFolder", "soundOn",
             "cycleMusic", "songFile", "keyReleased", "musicOn", "cubbyFilled", "onTurtle",
             "onLog", "gamePaused", "musicPos", "barTick", "songChanged", "savedCanMove"]
MENUS = ["mnuFile", "mnuNew", "mnuEnd", "mnuPause", "mnuSep1", "mnuExit", "mnuAudio",
         "mnuSound", "mnuMusic", "mnuSong", "mnuSong1", "mnuSong2", "mnuSong3", "mnuSong4",
         "mnuSep2", "mnuCycle", "mnuHelp", "mnuFHelp", "mnuAbout"]
TIMERS = ["tmrRow12", "tmrRow38", "tmrRow46", "tmrRow57", "tmrDelay", "tmrChkFocus"]
ABOUT_LABELS = ["lblTitle", "lblVersion", "lblProgramming", "lblCredit1", "lblGraphicDesign",
                "lblSound", "lblEmotionalSupport", "lblCredit2", "lblCredit3"]

# One dump line per family of controls, so that a difference in the .out
# points at the family at once.
GROUPS = [
    VARIABLES,
    ["frmLilyhops.Width", "frmLilyhops.Height", "frmLilyhops.MousePointer", "TegoSnd.IsPlaying",
     "TegoSnd.TrackPosition", "TegoSnd.TrackLength"],
    props(["imgFrog", "imgLife1", "imgLife2", "imgTime"], SPRITE),
    props(["imgCar%d" % n for n in range(1, 11)], SPRITE),
    props(["imgTurtle%02d" % n for n in range(1, 13)], SPRITE),
    props(["imgBackground", "imgWater", "imgLog1", "imgLog2", "imgLog3"], SPRITE),
    props(["imgSuccess(%d)" % n for n in range(5)], SPRITE),
    props(["FrogNorth", "FrogSouth", "FrogEast", "FrogWest", "FrogDead", "FrogDrowned"], SPRITE),
    props(["lblLives", "lblScore1", "lblScore2", "lblTime"], LABEL),
    props(["lblPaused", "lblGameOver", "lblSuccess"], LABEL),
    props(["shpMusicBar"], SHAPE) + props(TIMERS, ["Enabled", "Interval"]),
    props(MENUS, ["Enabled", "Checked"]),
    ["frmAbout.Loaded", "frmAbout.Visible"] + props(["frmAbout." + l for l in ABOUT_LABELS], LABEL),
    props(["frmAbout.Shape%d" % n for n in range(1, 6)], SHAPE)
    + props(["frmAbout.Line%d" % n for n in range(1, 12)], LINE)
    + props(["frmAbout.Image1"], SPRITE),
]


def whole_state(label):
    return ["# The whole state " + label] + ["dump " + " ".join(g) for g in GROUPS]


SCRIPTS = {
    "state_game_life": ("""
The whole state after start-up, New Game, a pause, the resume and End Game.
""", [
        ("after start-up", []),
        ("after New Game, 250 ms after start-up", ["wait 250", "menu mnuNew"]),
        ("after a pause 1 s into the game", ["wait 1000", "menu mnuPause"]),
        ("after the resume, half a second later", ["wait 500", "key 32"]),
        ("after End Game, 1 s later", ["wait 1000", "menu mnuEnd"]),
    ]),
    "state_new_game_mid_game": ("""
The whole state after New Game in the middle of a paused game in which
everything New Game sets stands otherwise: a key held down, the toad
frozen, riding, on its last life, over a filled bay, with a score in
yellow, the messages shown, the life icons spent and the time bar short.
What New Game leaves (the pending freeze, the sound and cycling choices,
the saved song position, the music bar) stays.
""", [
        ("of the paused game",
         ["menu mnuNew", "wait 1000", "menu mnuPause", "keydown 37", "set canMove False",
          "set livesLeft 0", "set frogRow 10", "set imgFrog.Left 1000", "set imgFrog.Top 900",
          "set imgFrog.Picture FrogDead", "set imgFrog.Visible False", "set imgTime.Width 1200",
          'set lblScore2.Caption "4321"', "set lblScore2.ForeColor &H0000FFFF",
          "set cubbyFilled(1) True", "set imgSuccess(1).Visible True", "set cubbyFilled(3) True",
          "set imgSuccess(3).Visible True", "set onTurtle(0) True", "set onTurtle(1) True",
          "set onLog(0) True", "set onLog(1) True", "set imgLife1.Left 2000",
          "set imgLife1.Top 1440", "set imgLife1.Picture FrogDrowned", "set imgLife2.Left 3000",
          "set imgLife2.Top 4410", "set imgLife2.Picture FrogDead", "set lblGameOver.Left 0",
          "set lblGameOver.Top 1995", "set lblGameOver.Visible True", "set lblSuccess.Left 0",
          "set lblSuccess.Top 1590", "set lblSuccess.Visible True", "set songChanged True",
          "set loopIndex 2", "set tmrDelay.Enabled True", "menu mnuSound", "menu mnuCycle"]),
        ("after New Game", ["menu mnuNew"]),
    ]),
    "state_losses": ("""
The whole state after a toad run over and one drowned, each with a life to
spare, and after the third toad is lost.
""", [
        ("after a toad run over by imgCar2 in lane 1",
         ["menu mnuNew", "wait 300", "key 38", "wait 40"]),
        ("after a toad drowned in row 7, 600 ms later",
         ["wait 560", "set frogRow 7", "set imgFrog.Left 4000", "set imgFrog.Top 2300",
          "wait 40"]),
        ("after the last toad is run over in lane 4, with the Sound off",
         ["menu mnuSound", "set frogRow 5", "set imgFrog.Left 1500", "set imgFrog.Top 3280",
          "wait 40"]),
    ]),
    "state_bays": ("""
The whole state of a toad riding the turtles of lane 8, after it reaches
bay 2 at 5 seconds into the game (through FrogInCubby, the window's public
procedure, as another program may call it), and after the fifth bay, reached
with the Up key, wins the game.
""", [
        ("riding the turtles of lane 8 below bay 2",
         ["menu mnuNew", "wait 5000", "set imgTurtle09.Left 3000", "set imgTurtle10.Left 3540",
          "set frogRow 10", "set imgFrog.Top 900", "set imgFrog.Left 3100", "wait 40"]),
        ("after bay 2, entered through the window's public procedure",
         ["call FrogInCubby 2"]),
        ("after the fifth bay, bay 0",
         ["set cubbyFilled(1) True", "set imgSuccess(1).Visible True", "set cubbyFilled(3) True",
          "set imgSuccess(3).Visible True", "set cubbyFilled(4) True",
          "set imgSuccess(4).Visible True", "wait 2000", "set frogRow 10", "set imgFrog.Top 900",
          "set imgFrog.Left 300", "key 38"]),
    ]),
    "state_about": ("""
The whole state with the About window open during a game, after its OK
button has closed it, and after the rules box.
""", [
        ("with the About window opened during a game while a key was held down",
         ["menu mnuNew", "wait 700", "keydown 65", "menu mnuAbout"]),
        ("after OK", ["wait 300", "call frmAbout.cmdOK_Click"]),
        ("after the rules box, chosen while paused with a key held down",
         ["keydown 66", "menu mnuFHelp"]),
    ]),
}


def main():
    for name, (header, steps) in SCRIPTS.items():
        lines = ["# " + line for line in header.strip().split("\n")]
        for label, commands in steps:
            lines += commands + whole_state(label) + ["log"]
        (HERE / (name + ".script")).write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
