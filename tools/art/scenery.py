"""The playfield's scenery: the river picture and the whole background.

The background is drawn 24 pixels below the top of the playfield (the status
bar sits above it), so every height here is given in playfield pixels and
turned into picture rows by `row()`.  The places are those where the game
puts its sprites: lanes, strips and the five home bays.
"""

import math

from artlib import Canvas, dither, edge, ellipse, inner, noise, polygon, rect, ring, round_rect

WIDTH = 450
BACKGROUND_TOP = 24  # playfield pixel row of the background picture's first row
BACKGROUND_HEIGHT = 367

# The river picture's place on the playfield.
WATER_TOP, WATER_HEIGHT = 55, 124

# Home bays: the toad enters bay k when its left edge lies strictly between
# these playfield columns; a 22-pixel toad then lies wholly between the
# first bound and the second bound + 22, which is the opening drawn here.
BAY_ENTRY = [(16, 32), (104, 128), (200, 224), (296, 320), (389.33, 408)]
TOAD_WIDTH = 22
BAY_ICON_LEFT = [26, 117, 213, 308, 401]
BAY_ICON_TOP, BAY_ICON_SIZE = 33, (22, 19)
BAY_OPENING_TOP = 28  # playfield row where the openings' rounded tops start


def bay_columns(k):
    """First and last playfield column inside bay k's opening."""
    lo, hi = BAY_ENTRY[k]
    return math.floor(lo), math.ceil(hi) + TOAD_WIDTH - 1


# Road: playfield rows of the kerbs, the edge lines and the lane markings.
# Lane 4 (lorries) runs at rows 213..248, lane 3 at 255..280, lane 2 at
# 287..321 and lane 1 at 327..356; the markings lie in the gaps between.
VERGE_TOP = 179  # below the river: bank, grass verge, kerb
KERB_TOP = 207
ROAD_TOP, ROAD_BOTTOM = 211, 359
EDGE_LINES = (212, 358)
DASHED_LINES = ((251, 252), (324, 325))
CENTRE_LINES = ((282, 283), (285, 286))
START_KERB = 360
PAVEMENT_TOP = 365


def row(playfield_y):
    return playfield_y - BACKGROUND_TOP


# ---------------------------------------------------------------- water


def water():
    """The river: deep swells, wave crests that catch the light, bank shadow at
    the top and shallows at the bottom.  Every pattern repeats after 150
    columns (a third of the width), so the picture tiles seamlessly."""
    w, h = WIDTH, WATER_HEIGHT
    cv = Canvas(w, h)
    tau = 2 * math.pi
    for y in range(h):
        for x in range(w):
            swell = (0.5 + 0.22 * math.sin(tau * x / 150 + y * 0.31) + 0.16 * math.sin(tau * x / 75 - y * 0.53)
                     + 0.1 * math.sin(tau * x / 50 + y * 0.9))
            cv.cells[y][x] = "water_deep" if dither(x, y, 1.0 - swell) else "water_mid"
    # wave crests, staggered row by row
    for band, y in enumerate(range(4, h - 5, 6)):
        for k in range(5):
            x = (k * 30 + int(noise(k, band, 5) * 24) + band * 11) % 150
            length = 5 + int(noise(k, band, 9) * 5)
            for copy in range(0, w, 150):
                crest(cv, (x + copy) % w, y + int(noise(k, band, 13) * 3), length)
    # shadow of the far bank
    for y in range(0, 6):
        for x in range(w):
            if y < 2 or dither(x, y, 1.0 - (y - 1) / 5):
                cv.cells[y][x] = "water_shade"
    # shallows lapping at the near bank
    for y in range(h - 4, h):
        for x in range(w):
            wave = math.sin(tau * x / 30) * 1.2 + math.sin(tau * x / 75) * 0.8
            if y >= h - 2.5 + wave * 0.5:
                cv.cells[y][x] = "water_light"
            if int(y - (h - 3 + wave * 0.5)) == 0 and noise(x, y, 3) > 0.55:
                cv.cells[y][x] = "foam"
    return cv


def crest(cv, x, y, length):
    """A small wave: a lit crest, a glint on its top and a trough below it."""
    for i in range(length):
        xx = (x + i) % cv.width
        lift = 0 if 0 < i < length - 1 else 1
        cv.put(xx, y + lift, "water_light")
        if 1 < i < length - 2:
            cv.put(xx, y + 1, "water_deep")
    cv.put((x + length // 2) % cv.width, y, "water_glint")
    cv.put((x + length // 2 - 1) % cv.width, y, "water_glint")


# ---------------------------------------------------------------- background


def background():
    cv = Canvas(WIDTH, BACKGROUND_HEIGHT)
    home_bank(cv)
    cv.blit(water(), 0, row(WATER_TOP))
    verge(cv)
    road(cv)
    start_strip(cv)
    return cv


def hedge(cv, y0, y1, seed):
    """A thick hedge of leaf clumps between two picture rows."""
    cv.paint(rect(0, y0, WIDTH - 1, y1), "hedge_mid")
    for gy in range(y0 - 2, y1 + 1, 4):
        for gx in range(-3, WIDTH + 3, 5):
            jx = gx + int(noise(gx, gy, seed) * 4) + (2 if (gy // 4) % 2 else 0)
            jy = gy + int(noise(gy, gx, seed) * 3)
            clump = ellipse(jx, jy, 2.8, 2.2)
            clump = {(x, y) for x, y in clump if y0 <= y <= y1}
            cv.paint(clump, "hedge_light")
            cv.paint(edge(clump, 0, 1), "hedge_dark")
            cv.paint(edge(clump, 0, -1) & edge(clump, -1, 0), "hedge_shine")
            if noise(jx, jy, seed + 1) > 0.7:
                cv.put(jx - 1, jy - 1, "hedge_shine")


def stones(cv, y0, y1, seed, palette=("kerb_light", "kerb_mid", "kerb_dark")):
    """A row of rounded stones set along a bank, rows y0..y1."""
    light, mid, dark = palette
    cv.paint(rect(0, y0, WIDTH - 1, y1), "mud_dark")
    x = -int(noise(seed, 0, seed) * 6)
    while x < WIDTH:
        length = 7 + int(noise(x, y0, seed) * 6)
        stone = round_rect(x, y0, x + length - 2, y1 - 1, 1.6)
        cv.paint(stone, mid)
        cv.paint(edge(stone, 0, -1) | edge(stone, -1, 0), light)
        cv.paint(edge(stone, 0, 1) | edge(stone, 1, 0), dark)
        x += length


def home_bank(cv):
    top = 0
    lip = row(50)  # stone edge of the bank along the river
    bottom = row(WATER_TOP) - 1
    hedge(cv, top, lip - 1, seed=3)
    stones(cv, lip, bottom, seed=4)
    # flowers in the hedge between the bays
    for i, fx in enumerate(range(6, WIDTH, 23)):
        fy = 3 + int(noise(i, 2, 8) * (lip - 8))
        inside_bay = any(bay_columns(k)[0] - 4 <= fx <= bay_columns(k)[1] + 4 for k in range(5))
        if not inside_bay and noise(i, 5, 8) > 0.35:
            flower(cv, fx, fy)
    for k in range(5):
        bay(cv, k)


def flower(cv, x, y):
    for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
        cv.put(x + dx, y + dy, "petal")
    cv.put(x + 1, y + 1, "petal_dark")
    cv.put(x - 1, y - 1, "petal_light")
    cv.put(x, y, "pollen")


def bay(cv, k):
    """Home bay k: an inlet of calm water cut into the bank, with a lily pad
    for the toad to sit on."""
    x0, x1 = bay_columns(k)
    y0, y1 = row(BAY_OPENING_TOP), row(WATER_TOP) - 1
    opening = round_rect(x0, y0, x1, y1 + 8, 6) & rect(x0, y0, x1, y1)
    # a dark frame of hedge and stone around the opening
    frame = ring(opening, diagonal=True) & rect(0, 0, WIDTH - 1, y1)
    cv.paint(frame, "hedge_dark")
    cv.paint({(x, y) for x, y in frame if y < y0 + 2 or (x, y - 1) not in frame and y <= y0 + 3}, "ink")
    for x, y in opening:
        cv.put(x, y, "water_deep" if dither(x, y, 0.35) else "water_mid")
    # shade from the bank at the top and the left of the inlet
    cv.paint({(x, y) for x, y in opening if y < y0 + 3 or x < x0 + 2}, "water_shade")
    cv.paint({(x, y) for x, y in opening if y == y0 + 3 and x >= x0 + 2 and dither(x, y, 0.5)}, "water_shade")
    # small ripples
    for i in range(2):
        rx = x0 + 3 + int(noise(k, i, 17) * (x1 - x0 - 10))
        for d in range(4):
            cv.put(rx + d, y1 - 1 - i * 2, "water_light")
    # the lily pad under the resting toad
    cx = BAY_ICON_LEFT[k] + BAY_ICON_SIZE[0] / 2
    cy = row(BAY_ICON_TOP) + BAY_ICON_SIZE[1] / 2 - 0.5
    pad = ellipse(cx, cy, 11.5, 7.0)
    notch = polygon([(cx, cy), (cx + 12, cy - 5), (cx + 12, cy + 1)])
    pad -= notch
    cv.paint(ring(pad) & opening, "lily_dark")
    cv.paint(pad, "lily_mid")
    cv.paint(edge(pad, 0, -1), "lily_light")
    cv.paint(edge(pad, 0, 1), "lily_dark")
    for angle in (0.6, 1.6, 2.6, 3.6, 4.6, 5.6):
        for t in range(2, 9):
            vx = round(cx - 0.5 + math.cos(angle) * t)
            vy = round(cy - 0.5 + math.sin(angle) * t * 0.6)
            if (vx, vy) in inner(pad):
                cv.put(vx, vy, "lily_light" if t < 6 else "lily_dark")
    # a water lily blossom beside the pad in every other bay
    if k % 2 == 0:
        flower(cv, x1 - 3, y0 + 6)


def grass(cv, y0, y1, seed):
    """Mown grass with tufts and a few wild flowers."""
    for y in range(y0, y1 + 1):
        for x in range(WIDTH):
            n = noise(x, y, seed)
            cv.cells[y][x] = "grass_light" if n > 0.9 else "grass_dark" if n < 0.12 else "grass_mid"
    for i in range(0, WIDTH, 7):
        tx = i + int(noise(i, 1, seed) * 6)
        ty = y0 + 2 + int(noise(i, 2, seed) * (y1 - y0 - 3))
        cv.put(tx, ty, "grass_light")
        cv.put(tx - 1, ty - 1, "grass_light")
        cv.put(tx + 1, ty - 1, "grass_light")
        cv.put(tx, ty + 1, "grass_dark")
    for i in range(0, WIDTH, 19):
        fx = i + int(noise(i, 3, seed) * 12)
        fy = y0 + 2 + int(noise(i, 4, seed) * (y1 - y0 - 4))
        colour = "daisy" if noise(i, 5, seed) > 0.4 else "buttercup"
        for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
            cv.put(fx + dx, fy + dy, colour)
        cv.put(fx, fy, "pollen" if colour == "daisy" else "taxi_dk")


def kerb(cv, y0, joints_every=15, light_top=True):
    """A four-row stone kerb: lit top face, its edge, and a shadow row."""
    rows = ["kerb_light", "kerb_light", "kerb_mid", "kerb_dark"]
    if not light_top:
        rows = ["kerb_dark", "kerb_mid", "kerb_light", "kerb_mid"]
    for i, colour in enumerate(rows):
        cv.paint(rect(0, y0 + i, WIDTH - 1, y0 + i), colour)
    for x in range(joints_every - 1, WIDTH, joints_every):
        cv.paint(rect(x, y0, x, y0 + 2), "kerb_dark")


def flagstones(cv, y0, y1, seed):
    """A path of sandstone flags in courses, with moss and grass in the joints."""
    cv.paint(rect(0, y0, WIDTH - 1, y1), "flag_joint")
    course_top = y0
    course = 0
    while course_top <= y1:
        height = min(8, y1 - course_top + 1)
        x = -int(noise(course, 0, seed) * 12)
        while x < WIDTH:
            length = 11 + int(noise(x, course, seed) * 13)
            stone = round_rect(x, course_top, x + length - 2, course_top + height - 2, 1.5)
            for sx, sy in stone:
                n = noise(sx, sy, seed + 1)
                cv.put(sx, sy, "flag_light" if n > 0.93 else "flag_dark" if n < 0.03 else "flag_mid")
            cv.paint(edge(stone, 0, -1) | edge(stone, -1, 0), "flag_light")
            cv.paint(edge(stone, 0, 1) | edge(stone, 1, 0), "flag_dark")
            # a tuft of grass where some flags meet
            if noise(x, course, seed + 2) > 0.6:
                gx, gy = x + length - 1, course_top + height // 2
                for tx, ty in ((gx, gy), (gx, gy - 1), (gx - 1, gy - 2), (gx + 1, gy - 2)):
                    cv.put(tx, ty, "grass_light" if ty < gy else "grass_mid")
            x += length
        course_top += height
        course += 1


def verge(cv):
    """Between river and road: the stone bank, a flagstone path, the kerb."""
    y_bank = row(VERGE_TOP)
    stones(cv, y_bank, y_bank + 3, seed=6)
    flagstones(cv, y_bank + 4, row(KERB_TOP) - 1, seed=7)
    # shadow of the bank stones on the path
    cv.paint({(x, y_bank + 4) for x in range(WIDTH) if dither(x, 0, 0.5)}, "flag_dark")
    kerb(cv, row(KERB_TOP))


def road(cv):
    y0, y1 = row(ROAD_TOP), row(ROAD_BOTTOM)
    for y in range(y0, y1 + 1):
        for x in range(WIDTH):
            n = noise(x, y, 21)
            cv.cells[y][x] = "asphalt_lt" if n > 0.93 else "asphalt_dark" if n < 0.07 else "asphalt"
    # worn, darker tracks where the wheels run, and a few oil stains
    for lane_top, lane_bottom in ((213, 248), (255, 280), (287, 321), (327, 356)):
        for track in (lane_top + 4, lane_bottom - 4):
            ty = row(track)
            for x in range(WIDTH):
                if dither(x, ty, 0.3 + 0.2 * math.sin(x / 23)):
                    cv.put(x, ty, "asphalt_dark")
    for i, (sx, sy) in enumerate(((70, 231), (260, 268), (390, 304), (150, 341), (330, 231))):
        stain = ellipse(sx, row(sy), 5 + i % 3, 2.2)
        cv.paint_where(stain, "asphalt_dark", lambda x, y: dither(x, y, 0.75))
    # cracks
    for cx, cy, length in ((40, 262, 9), (205, 310, 12), (420, 240, 8), (300, 347, 10)):
        x, y = cx, row(cy)
        for i in range(length):
            cv.put(x, y, "ink_soft")
            x += 1
            y += (1 if noise(i, cx, 2) > 0.6 else -1 if noise(i, cx, 3) > 0.7 else 0)
    for y in EDGE_LINES:
        for x in range(WIDTH):
            cv.put(x, row(y), "line_white" if noise(x, y, 4) > 0.08 else "kerb_mid")
    for top, bottom in DASHED_LINES:
        for x in range(WIDTH):
            if (x + 6) % 30 < 16:
                for y in (top, bottom):
                    cv.put(x, row(y), "line_white" if noise(x, y, 5) > 0.06 else "kerb_mid")
    for top, bottom in CENTRE_LINES:
        for y in (top, bottom):
            for x in range(WIDTH):
                cv.put(x, row(y), "line_yellow" if noise(x, y, 6) > 0.05 else "taxi_dk")
    # drains in the gutters
    for gx in (120, 345):
        grate = rect(gx, row(ROAD_BOTTOM) - 3, gx + 7, row(ROAD_BOTTOM) - 1)
        cv.paint(grate, "ink")
        for x in range(gx + 1, gx + 7, 2):
            cv.paint(rect(x, row(ROAD_BOTTOM) - 2, x, row(ROAD_BOTTOM) - 2), "kerb_dark")


def start_strip(cv):
    """Where every toad starts: a kerb and a pavement of violet bricks."""
    kerb(cv, row(START_KERB), light_top=False)
    cv.paint(rect(0, row(START_KERB) + 4, WIDTH - 1, row(START_KERB) + 4), "pave_joint")
    y = row(PAVEMENT_TOP)
    course = 0
    while y < BACKGROUND_HEIGHT:
        offset = 0 if course % 2 == 0 else 8
        for x in range(-offset, WIDTH, 16):
            brick = rect(x, y, x + 14, y + 4)
            shade = noise(x, y, 31)
            face = "pave_light" if shade > 0.85 else "pave_mid"
            cv.paint(brick, face)
            cv.paint(edge(brick, 0, -1) | edge(brick, -1, 0), "pave_light" if face == "pave_mid" else "white")
            cv.paint(edge(brick, 0, 1) | edge(brick, 1, 0), "pave_dark")
            cv.paint(rect(x + 15, y, x + 15, y + 4), "pave_joint")
        cv.paint(rect(0, y + 5, WIDTH - 1, y + 5), "pave_joint")
        y += 6
        course += 1


BUILDERS = {
    "water": water,
    "background": background,
}
