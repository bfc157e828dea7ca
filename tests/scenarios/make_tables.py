#!/usr/bin/env python3
"""Writes the table-driven scenario scripts table_*.script beside it.

One case for every vehicle, platform, bay, lane object, sound and song, with
the expected values worked out here from the game's rules (not read back
from the game), as `expect` lines. The scripts are committed as written, so
that each case can be read on its own; run this again after changing a
table and regenerate the .out files with the runner.

    tests/scenarios/make_tables.py
"""

from pathlib import Path

HERE = Path(__file__).resolve().parent
W = 6840  # the window's outer width: every wrap and clamp uses it
FAR = 20000  # a place where nothing touches the toad

# ---- The design, as the game's layout gives it ----
CAR_WIDTH = {1: 750, 2: 735, 3: 735, 4: 975, 5: 1005, 6: 945, 7: 825, 8: 2250, 9: 2565, 10: 945}
CAR_ROW = {1: 2, 2: 2, 3: 2, 4: 3, 5: 3, 6: 3, 10: 3, 7: 4, 8: 5, 9: 5}
TURTLE_WIDTH = 570
LOG_WIDTH = {1: 3465, 2: 1920, 3: 1920}
FROG_WIDTH = {"FrogNorth": 330, "FrogWest": 345}
BAYS = [(240, 480), (1560, 1920), (3000, 3360), (4440, 4800), (5840, 6120)]
BAY_ICON_LEFT = [390, 1755, 3195, 4620, 6020]
SONGS = {1: "OrigBogt.mid", 2: "Pelto64.mid", 3: "VraxHeav.mid", 4: "TollBrdg.mid"}


def car(n):
    return "imgCar%d" % n


def turtle(n):
    return "imgTurtle%02d" % n


class Script:
    def __init__(self, name, header):
        self.name = name
        self.lines = ["# " + line if line else "#" for line in header.strip().split("\n")]
        self.cases = {}

    def add(self, *lines):
        self.lines.extend(lines)

    def comment(self, text):
        self.lines.append("# " + text)

    def case(self, behaviour):
        self.cases[behaviour] = self.cases.get(behaviour, 0) + 1

    def write(self):
        (HERE / (self.name + ".script")).write_text("\n".join(self.lines) + "\n")
        return self.cases


# ---------------------------------------------------------------------------
def road():
    s = Script("table_road", """
Every vehicle made to hit the toad in its own lane, at both edges of
contact, and one twip short of each (no hit); facing west the toad is 345
wide; a hit comes also through the 40 ms tick; a vehicle never hits a toad
in another lane. The toad stands at Left 3000; a hit sends it back to row 1.""")
    s.add("menu mnuNew", "log")
    s.add(*["set %s.Left %d" % (car(n), FAR) for n in CAR_WIDTH])
    for n, width in CAR_WIDTH.items():
        row = CAR_ROW[n]
        s.comment("---- %s, lane %d (row %d), %d wide ----" % (car(n), row - 1, row, width))
        s.add("set frogRow %d" % row, "set imgFrog.Left 3000", "set livesLeft 2")
        cases = []
        for picture, frog_width in FROG_WIDTH.items():
            right = 3000 + frog_width  # the toad's right edge
            cases += [(picture, right, True, "at the toad's right edge (%d wide)" % frog_width),
                      (picture, right + 1, False, "one twip right of it")]
        cases += [("FrogNorth", 3000 - width, True, "its right end at the toad's left edge"),
                  ("FrogNorth", 3000 - width - 1, False, "one twip left of it")]
        picture_now = None
        for picture, left, hit, why in cases:
            if picture != picture_now:
                s.add("set imgFrog.Picture %s" % picture)
                picture_now = picture
            s.comment("%s at %d: %s" % (car(n), left, why))
            s.add("set %s.Left %d" % (car(n), left), "call CheckCars",
                  "expect frogRow %d" % (1 if hit else row))
            if hit:
                s.add("set frogRow %d" % row, "set imgFrog.Left 3000", "set livesLeft 2")
            s.case("vehicle hits at an edge" if hit else "vehicle one twip short")
        s.comment("over the toad, found by the tick of tmrRow38; a life spent, the marker "
                  "where the toad was")
        s.add("set %s.Left 3000" % car(n), "tick tmrRow38", "expect frogRow 1",
              "expect livesLeft 1", "expect imgLife2.Left 3000", "expect imgFrog.Left 3255")
        s.case("vehicle hits through the tick")
        other = 5 if row != 5 else 2
        s.comment("over a toad in row %d, not its lane" % other)
        s.add("set frogRow %d" % other, "call CheckCars", "expect frogRow %d" % other,
              "set %s.Left %d" % (car(n), FAR), "log")
        s.case("vehicle of another lane")
    return s.write()


# ---------------------------------------------------------------------------
# Platforms: (row, flag, lane timer, step per tick, [sprites left to right])
PLATFORMS = [
    (7, "onTurtle(0)", "tmrRow57", 150, [turtle(1), turtle(2), turtle(3)]),
    (7, "onTurtle(0)", "tmrRow57", 150, [turtle(4), turtle(5), turtle(6)]),
    (8, "onLog(0)", "tmrRow46", -100, ["imgLog1"]),
    (9, "onLog(1)", "tmrRow57", -200, ["imgLog2"]),
    (9, "onLog(1)", "tmrRow57", -200, ["imgLog3"]),
    (10, "onTurtle(1)", "tmrRow38", 100, [turtle(7), turtle(8)]),
    (10, "onTurtle(1)", "tmrRow38", 100, [turtle(9), turtle(10)]),
    (10, "onTurtle(1)", "tmrRow38", 100, [turtle(11), turtle(12)]),
]
FLAGS = ["onTurtle(0)", "onTurtle(1)", "onLog(0)", "onLog(1)"]


def sprite_width(name):
    if name.startswith("imgLog"):
        return LOG_WIDTH[int(name[-1])]
    return TURTLE_WIDTH


def place_platform(sprites, left):
    """Lines that put a platform's sprites at `left`, turtles overlapping by
    30; returns them and the platform's right end."""
    lines, x = [], left
    for i, name in enumerate(sprites):
        if i:
            x += sprite_width(sprites[i - 1]) - 30
        lines.append("set %s.Left %d" % (name, x))
    return lines, x + sprite_width(sprites[-1])


def river():
    s = Script("table_river", """
Every log and raft of turtles made to hold the toad: flush with its left
end and with its right end (facing north, 330 wide, and west, 345 wide),
and one twip beyond either end, where the toad drowns and comes back to
row 1. A held toad sets its row's riding flag, and the lane's next tick
carries it with its platform. Every other platform stands far away.""")
    s.add("menu mnuNew", "log")
    every = sorted({name for p in PLATFORMS for name in p[4]})
    s.add(*["set %s.Left %d" % (name, FAR) for name in every])
    for row, flag, timer, step, sprites in PLATFORMS:
        placing, end = place_platform(sprites, 2000)
        label = sprites[0] if len(sprites) == 1 else "%s .. %s" % (sprites[0], sprites[-1])
        s.comment("---- %s in row %d, spanning 2000 .. %d ----" % (label, row, end))
        s.add(*placing, "set frogRow %d" % row, "set livesLeft 2")
        cases = [("FrogNorth", 2000, True, "flush with its left end"),
                 ("FrogNorth", 1999, False, "one twip over its left end")]
        for picture, width in FROG_WIDTH.items():
            cases += [(picture, end - width, True, "flush with its right end, %d wide" % width),
                      (picture, end - width + 1, False, "one twip over its right end")]
        for picture, left, held, why in cases:
            s.comment("toad at %d: %s" % (left, why))
            # A drowned toad comes back facing north, so the picture is
            # given for every case.
            s.add("set imgFrog.Picture %s" % picture, "set imgFrog.Left %d" % left,
                  "call CheckWater")
            if held:
                s.add("expect %s True" % flag, "expect frogRow %d" % row, "set %s False" % flag)
                s.case("platform holds the toad at an end")
            else:
                s.add("expect frogRow 1", "expect %s False" % flag, "set frogRow %d" % row,
                      "set livesLeft 2")
                s.case("toad one twip off a platform drowns")
        s.comment("held at 2100, the toad rides one tick of %s" % timer)
        s.add("set imgFrog.Picture FrogNorth", "set imgFrog.Left 2100", "call CheckWater",
              "tick %s" % timer, "expect %s.Left %d" % (sprites[0], 2000 + step),
              "expect imgFrog.Left %d" % (2100 + step), "expect livesLeft 2",
              "set %s False" % flag, *["set %s.Left %d" % (name, FAR) for name in sprites], "log")
        s.case("platform carries the toad")
    s.add("dump onTurtle onLog")
    return s.write()


# ---------------------------------------------------------------------------
def bays():
    s = Script("table_bays", """
Every home bay entered from the top row, strictly between the walls of its
opening; at a wall, on the banks between the openings and over a filled bay
the Up key only turns the toad north (lowering it from its sideways raise).
An entered bay shows its icon, adds the time left and sends the next toad
to the start.""")
    s.add("menu mnuNew", "log")
    for k, (low, high) in enumerate(BAYS):
        s.comment("---- bay %d: the toad's Left strictly between %d and %d; its icon at %d ----"
                  % (k, low, high, BAY_ICON_LEFT[k]))
        s.add("expect imgSuccess(%d).Left %d" % (k, BAY_ICON_LEFT[k]))
        for left, entered in [(low, False), (low + 1, True), (high - 1, True), (high, False)]:
            s.add("set frogRow 10", "set imgFrog.Top 840", "set imgFrog.Left %d" % left,
                  "set imgFrog.Picture FrogEast", "key 38")
            if entered:
                s.add("expect cubbyFilled(%d) True" % k, "expect imgSuccess(%d).Visible True" % k,
                      "expect frogRow 1", "set cubbyFilled(%d) False" % k,
                      "set imgSuccess(%d).Visible False" % k)
                s.case("bay entered inside its opening")
            else:
                s.add("expect cubbyFilled(%d) False" % k, "expect frogRow 10",
                      "expect imgFrog.Top 900")
                s.case("bay wall keeps the toad out")
        s.comment("bay %d already filled" % k)
        s.add("set cubbyFilled(%d) True" % k, "set imgFrog.Left %d" % ((low + high) // 2),
              "key 38", "expect frogRow 10", "set cubbyFilled(%d) False" % k)
        s.case("filled bay not entered again")
    s.comment("the banks left of, between and right of the openings")
    for left in [100, 1000, 2500, 3900, 5300, 6300]:
        s.add("set imgFrog.Left %d" % left, "key 38", "expect frogRow 10")
        s.case("bank between bays")
    s.comment("the bonus is the time left: 1500 on a score of 100")
    s.add("set imgTime.Width 1500", 'set lblScore2.Caption "100"', "set imgFrog.Left 3255",
          "key 38", 'expect lblScore2.Caption "1600"', "expect imgTime.Width 3000",
          "expect imgFrog.Left 3255", "expect imgFrog.Top 5460", "dump cubbyFilled", "log")
    return s.write()


# ---------------------------------------------------------------------------
def lanes():
    s = Script("table_lanes", """
Every lane object wraps exactly when its tick takes it onto its limit, and
one twip short of the limit it does not: leftward vehicles at minus their
width (back at W plus their width), rightward vehicles at W (back at minus
the width of the lane's reference vehicle), the lane-6 log at minus its
width and the lane-7 logs 5000 further (both back at W), and a raft of
turtles when its first turtle reaches W (re-formed left of the edge).""")
    timer_of = {1: "tmrRow12", 2: "tmrRow12", 3: "tmrRow12", 4: "tmrRow12", 5: "tmrRow12",
                6: "tmrRow12", 10: "tmrRow12", 7: "tmrRow38", 8: "tmrRow46", 9: "tmrRow46"}
    step_of = {1: -150, 2: -150, 3: -150, 4: 150, 5: 150, 6: 150, 10: 150, 7: -200, 8: 100,
               9: 100}
    reference = {4: 4, 5: 4, 6: 4, 10: 4, 8: 9, 9: 9}
    for n in CAR_WIDTH:
        step, width = step_of[n], CAR_WIDTH[n]
        if step < 0:
            limit, back = -width, W + width
        else:
            limit, back = W, -CAR_WIDTH[reference[n]]
        for short in (0, 1):
            # One twip short is one twip to the right of a leftward limit
            # and to the left of a rightward one.
            start = limit - step + (short if step < 0 else -short)
            after = back if not short else start + step
            s.comment("%s from %d: %s" % (car(n), start, "onto its limit %d, wraps" % limit
                                          if not short else "one twip short of its limit"))
            s.add("set %s.Left %d" % (car(n), start), "tick %s" % timer_of[n],
                  "expect %s.Left %d" % (car(n), after))
            s.case("lane object wraps on its limit" if not short else "lane object one twip short")
    logs = [(1, "tmrRow46", -100, -LOG_WIDTH[1]), (2, "tmrRow57", -200, -LOG_WIDTH[2] - 5000),
            (3, "tmrRow57", -200, -LOG_WIDTH[3] - 5000)]
    for n, timer, step, limit in logs:
        for short in (0, 1):
            start = limit - step + short
            after = W if not short else start + step
            s.comment("imgLog%d from %d: %s" % (n, start, "onto its limit %d, wraps" % limit
                                                if not short else "one twip short"))
            s.add("set imgLog%d.Left %d" % (n, start), "tick %s" % timer,
                  "expect imgLog%d.Left %d" % (n, after))
            s.case("lane object wraps on its limit" if not short else "lane object one twip short")
    rafts = [("tmrRow57", 150, [1, 2, 3]), ("tmrRow57", 150, [4, 5, 6]), ("tmrRow38", 100, [7, 8]),
             ("tmrRow38", 100, [9, 10]), ("tmrRow38", 100, [11, 12])]
    for timer, step, numbers in rafts:
        for short in (0, 1):
            first = W - step - short
            placing, _ = place_platform([turtle(t) for t in numbers], first)
            s.comment("raft %s from %d: %s" % ("-".join("%02d" % t for t in numbers), first,
                                               "its first turtle onto W, re-formed"
                                               if not short else "one twip short, moves on"))
            s.add(*placing, "tick %s" % timer)
            if short:
                expected = [first + step + i * (TURTLE_WIDTH - 30) for i in range(len(numbers))]
            else:
                # Right to left: the last at minus its width, each before it
                # overlapping its neighbour by 30.
                expected = [0] * len(numbers)
                expected[-1] = -TURTLE_WIDTH
                for i in range(len(numbers) - 2, -1, -1):
                    expected[i] = expected[i + 1] + 30 - TURTLE_WIDTH
            s.add(*["expect %s.Left %d" % (turtle(t), x) for t, x in zip(numbers, expected)])
            s.case("lane object wraps on its limit" if not short else "lane object one twip short")
    return s.write()


# ---------------------------------------------------------------------------
def sounds():
    s = Script("table_sounds", """
Every sound effect with the Sound switch on and off: the hops north and
south and the steps west and east (move.wav), a toad run over or drowned
with lives left (killoff.wav), on the last toad (gameover.wav), a bay and
the fifth bay (success.wav). Switched off, everything happens but the
sound.""")
    for sound_on in (True, False):
        state = "on" if sound_on else "off"
        s.comment("---- Sound %s ----" % state)
        s.add("menu mnuNew", "log", *["set %s.Left %d" % (car(n), FAR) for n in (1, 2, 3)])
        if not sound_on:
            s.add("menu mnuSound")
        s.add("expect soundOn %s" % sound_on, "expect mnuSound.Checked %s" % sound_on)

        def effect(what, lines, expects):
            s.comment("%s, Sound %s" % (what, state))
            s.add(*lines, *["expect " + e for e in expects], "log")
            s.case("effect with Sound on" if sound_on else "effect with Sound off")

        effect("hop north", ["set canMove True", "key 38"], ["frogRow 2"])
        effect("hop south", ["set canMove True", "key 40"], ["frogRow 1"])
        effect("step west", ["set canMove True", "key 37"], ["imgFrog.Left 2805"])
        effect("step east", ["set canMove True", "key 39"], ["imgFrog.Left 3255"])
        effect("run over with lives left",
               ["set frogRow 2", "set imgCar1.Left 3255", "call CheckCars",
                "set imgCar1.Left %d" % FAR],
               ["livesLeft 1", "frogRow 1"])
        effect("drowned with lives left",
               ["set frogRow 7", "set imgFrog.Left 3000", "set imgTurtle01.Left 20000",
                "set imgTurtle04.Left 20000", "call CheckWater"],
               ["livesLeft 0", "frogRow 1"])
        effect("run over on the last toad",
               ["set frogRow 2", "set imgCar1.Left 3255", "call CheckCars",
                "set imgCar1.Left %d" % FAR],
               ["lblGameOver.Visible True", "tmrRow12.Enabled False"])
        s.add("menu mnuNew", "log")
        effect("drowned on the last toad",
               ["set livesLeft 0", "set frogRow 7", "set imgFrog.Left 3000", "call CheckWater"],
               ["lblGameOver.Visible True", "tmrRow12.Enabled False"])
        s.add("menu mnuNew", "log")
        effect("a bay", ["set frogRow 10", "set imgFrog.Top 900", "set imgFrog.Left 3255",
                         "key 38"], ["cubbyFilled(2) True", "frogRow 1"])
        effect("the fifth bay",
               ["set cubbyFilled(0) True", "set cubbyFilled(1) True", "set cubbyFilled(3) True",
                "set imgSuccess(0).Visible True", "set imgSuccess(1).Visible True",
                "set imgSuccess(3).Visible True", "set frogRow 10", "set imgFrog.Top 900", "set imgFrog.Left 6000", "key 38"],
               ["cubbyFilled(4) True", "lblSuccess.Visible True", "tmrRow12.Enabled False"])
        if not sound_on:
            s.add("menu mnuSound", "expect soundOn True")
    return s.write()


# ---------------------------------------------------------------------------
def songs():
    s = Script("table_songs", """
Every song against the Music switch. Switched on: New Game starts the
chosen song from its beginning, a pause stops it and the resume goes on
where it stopped, a song that ends starts again (cycling off) or gives way
to the next (cycling on). Switched off: nothing starts, the song list is
greyed out so choosing a song does nothing, and switching the music on
again in a running game starts the chosen song from its beginning. Songs
last 10 seconds here.""")
    s.add("song length 10000")
    for n, file in SONGS.items():
        nxt = SONGS[n % 4 + 1]
        play = lambda f, at=0: '["PlayMusic","/app/%s",%d,-1]' % (f, at)
        s.comment("---- song %d, %s, Music on ----" % (n, file))
        s.add("menu mnuSong%d" % n, "menu mnuNew", "expect songFile \"%s\"" % file,
              "expect mnuSong%d.Checked True" % n, "expect TegoSnd.IsPlaying True", "log")
        s.case("song with Music on")
        s.add("wait 1000", "menu mnuPause", "expect TegoSnd.IsPlaying False", "expect musicPos 1000",
              "log")
        s.case("song with Music on")
        s.add("menu mnuPause", "expect TegoSnd.IsPlaying True", "log")
        s.case("song with Music on")
        s.add("song end", "expect TegoSnd.IsPlaying True", "expect TegoSnd.TrackPosition 0",
              "expect songFile \"%s\"" % file, "log")
        s.case("song with Music on")
        s.add("menu mnuCycle", "song end", "expect songFile \"%s\"" % nxt,
              "expect mnuSong%d.Checked True" % (n % 4 + 1), "log", "menu mnuCycle",
              "menu mnuSong%d" % n, "log")
        s.case("song with Music on")
        s.comment("---- song %d, Music off ----" % n)
        s.add("menu mnuMusic", "expect musicOn False", "expect mnuSong.Enabled False", "log",
              "menu mnuNew", "expect TegoSnd.IsPlaying False", "log")
        s.case("song with Music off")
        s.add("menu mnuPause", "expect musicPos -1", "menu mnuPause",
              "expect TegoSnd.IsPlaying False", "log")
        s.case("song with Music off")
        s.add("song end", "expect TegoSnd.IsPlaying False", "log")
        s.case("song with Music off")
        s.add("menu mnuSong%d" % (n % 4 + 1), "expect songFile \"%s\"" % file,
              "expect mnuSong%d.Checked True" % n, "log")
        s.case("song with Music off")
        s.add("menu mnuMusic", "expect musicOn True", "expect TegoSnd.IsPlaying True",
              "expect TegoSnd.TrackPosition 0", "log", "menu mnuEnd", "log")
        s.case("song with Music off")
    return s.write()


# ---------------------------------------------------------------------------
ARROWS = {37: "west", 38: "north", 39: "east", 40: "south"}


def keys():
    s = Script("table_keys", """
Every arrow key in every state in which the toad may not move: before the
first game, in the 500 ms freeze after a toad is run over, in a pause, and
after End Game. Each key uses up the latch until its key-up but moves,
turns and scores nothing and makes no sound. Once the state is left, each
arrow moves the toad again. The toad stands on the middle strip (row 6) at
Left 3000, Top 3000, facing north, on a score of 500; no car is near.""")
    place = ["set frogRow 6", "set imgFrog.Left 3000", "set imgFrog.Top 3000",
             "set imgFrog.Picture FrogNorth", 'set lblScore2.Caption "500"']
    # What one arrow does to the toad placed so, when it may move.
    moved = {37: ["imgFrog.Left 2550", "imgFrog.Picture FrogWest", 'lblScore2.Caption "500"'],
             38: ["frogRow 7", "imgFrog.Picture FrogNorth", 'lblScore2.Caption "700"'],
             39: ["imgFrog.Left 3450", "imgFrog.Picture FrogEast", 'lblScore2.Caption "500"'],
             40: ["frogRow 5", "imgFrog.Picture FrogSouth", 'lblScore2.Caption "250"']}
    far = ["set %s.Left %d" % (car(n), -FAR if n in (4, 5, 6, 10, 8, 9) else FAR)
           for n in CAR_WIDTH]
    states = [
        ("before the first game", [], ["menu mnuNew"]),
        ("in the freeze after a toad is run over",
         ["menu mnuNew", "set frogRow 2", "set imgCar1.Left 3255", "call CheckCars",
          "expect tmrDelay.Enabled True"], ["wait 500", "expect tmrDelay.Enabled False"]),
        ("in a pause", ["menu mnuNew", "menu mnuPause"], ["key 32", "expect gamePaused False"]),
        ("after End Game", ["menu mnuNew", "menu mnuEnd"], ["menu mnuNew"]),
    ]
    for state, enter, leave in states:
        s.comment("---- %s ----" % state)
        s.add(*enter, *far, "expect canMove False", "log")
        for code, way in ARROWS.items():
            s.comment("the %s arrow (%d) %s: nothing moves, the latch is used up" % (way, code, state))
            s.add(*place, "keydown %d" % code, "expect frogRow 6", "expect imgFrog.Left 3000",
                  "expect imgFrog.Top 3000", "expect imgFrog.Picture FrogNorth",
                  'expect lblScore2.Caption "500"', "expect keyReleased False",
                  "keyup %d" % code, "expect keyReleased True", "log")
            s.case("arrow while the toad may not move")
        s.comment("the state left, every arrow moves the toad again")
        s.add(*leave, *far, "expect canMove True", "log")
        for code, way in ARROWS.items():
            s.add(*place, "key %d" % code, *["expect " + e for e in moved[code]])
            s.case("arrow once the toad may move again")
        s.add("log")
    return s.write()


def main():
    total = {}
    for make in (road, river, bays, lanes, sounds, songs, keys):
        for behaviour, count in make().items():
            total[behaviour] = total.get(behaviour, 0) + count
    for behaviour, count in sorted(total.items()):
        print("%4d  %s" % (count, behaviour))
    print("%4d  in all" % sum(total.values()))


if __name__ == "__main__":
    main()
