"""Pictures outside the playfield's lanes: the time bar, the About window's
picture, the window icon and the blank mouse pointer."""

import math

from artlib import Canvas, dither, edge, ellipse, inner, polygon, ring, round_rect, stroke


def time_bar():
    """A glossy capsule; the game stretches it to the time left."""
    w, h = 226, 15
    cv = Canvas(w, h)
    bar = round_rect(0, 0, w - 1, h - 1, 5)
    shades = ["ink", "time_light", "time_light", "time_light", "time_mid", "time_mid", "time_mid",
              "time_mid", "time_mid", "time_mid", "time_dark", "time_mid", "time_dark", "time_dark", "ink"]
    for x, y in bar:
        cv.put(x, y, shades[y])
    for x, y in bar:
        if y == 3 and dither(x, y, 0.5):
            cv.put(x, y, "time_mid")
        if y in (1, 2) and 6 < x < w - 7 and (x // 3) % 7 == 0:
            cv.put(x, y, "white")
    cv.paint(edge(bar, -1, 0) | edge(bar, 1, 0) | edge(bar, 0, -1) | edge(bar, 0, 1), "ink")
    return cv


def sitting_toad(cv, cx, top, s):
    """A toad sitting up and facing the viewer, `s` times the About picture's size."""
    def e(x, y, rx, ry):
        return ellipse(cx + x * s, top + y * s, rx * s, ry * s)

    def outlined(shape, fill, light, dark):
        cv.paint(ring(shape), "toad_outline")
        cv.paint(shape, fill)
        cv.paint(edge(shape, 0, 1) | edge(shape, 1, 0), dark)
        cv.paint(edge(shape, 0, -1) - edge(shape, 1, 0), light)

    # folded hind legs and big feet at the sides
    for side in (-1, 1):
        thigh = e(side * 13.5, 30, 8, 7.5)
        outlined(thigh, "toad_mid", "toad_light", "toad_dark")
        foot = e(side * 17, 39.5, 7.5, 3)
        outlined(foot, "toad_mid", "toad_light", "toad_dark")
    body = e(0, 27, 14, 13.5)
    head = e(0, 13, 16.5, 10.5)
    outlined(body | head, "toad_mid", "toad_light", "toad_dark")
    belly = e(0, 30, 9, 9.5) & inner(body)
    cv.paint(belly, "toad_belly")
    cv.paint(edge(belly, 0, 1), "buttercup")
    # front legs and hands in front of the belly
    for side in (-1, 1):
        arm = stroke([(cx + side * 8 * s, top + 24 * s), (cx + side * 8.5 * s, top + 37 * s)], 2.2 * s)
        outlined(arm, "toad_mid", "toad_light", "toad_dark")
        hand = e(side * 9.5, 38.5, 4.5, 2.3)
        outlined(hand, "toad_mid", "toad_light", "toad_dark")
    # cheeks, a shine on the head, spots
    cv.paint(e(-6, 7.5, 4, 2), "toad_light")
    cv.paint(e(-7, 7, 1.5, 1), "toad_shine")
    for sx, sy in ((11, 18), (-12, 17), (9, 23), (-10, 24)):
        cv.paint(e(sx, sy, 1.3, 1.0), "toad_spot")
    # the smile
    for i in range(-9, 10):
        x = cx + i * s
        y = top + (16 + 2.2 * (1 - (i / 9.5) ** 2)) * s
        cv.put(math.floor(x), math.floor(y), "toad_outline")
    for side in (-1, 1):
        cv.paint(e(side * 11.5, 17.2, 2.2, 1.4), "petal")
    # eyes on top of the head
    for side in (-1, 1):
        ball = e(side * 8, 4.5, 6, 5.5)
        cv.paint(ring(ball), "toad_outline")
        cv.paint(ball, "toad_eye")
        cv.paint(edge(ball, 0, 1) | edge(ball, 1, 0) & edge(ball, 0, 1), "toad_eye_rim")
        pupil = e(side * 8 + side * 0.5, 5.5, 2.6, 3.2)
        cv.paint(pupil, "ink")
        cv.paint(e(side * 8 - 2.2, 2.8, 1.2, 1.2), "white")


def lily_pad(cv, cx, cy, rx, ry):
    pad = ellipse(cx, cy, rx, ry) - polygon([(cx, cy), (cx - rx - 2, cy - ry * 0.9), (cx - rx - 2, cy - ry * 0.1)])
    cv.paint(ring(pad), "lily_dark")
    cv.paint(pad, "lily_mid")
    cv.paint(edge(pad, 0, 1), "lily_dark")
    cv.paint(edge(pad, 0, -1), "lily_light")
    for angle in range(0, 360, 40):
        a = math.radians(angle + 20)
        for t in range(3, int(rx) - 1):
            x, y = cx + math.cos(a) * t, cy + math.sin(a) * t * ry / rx
            if (math.floor(x), math.floor(y)) in inner(pad):
                cv.put(math.floor(x), math.floor(y), "lily_light" if t < rx * 0.6 else "lily_dark")
    return pad


def water_lily(cv, cx, cy, r):
    """A pink water lily flower: pointed petals round a golden heart."""
    for i in range(8):
        a = math.radians(i * 45 + 22)
        tip = (cx + math.cos(a) * r, cy + math.sin(a) * r * 0.7)
        petal = polygon([(cx, cy), (cx + math.cos(a + 0.45) * r * 0.55, cy + math.sin(a + 0.45) * r * 0.4), tip,
                         (cx + math.cos(a - 0.45) * r * 0.55, cy + math.sin(a - 0.45) * r * 0.4)])
        cv.paint(ring(petal) - petal, "petal_dark")
    for i in range(8):
        a = math.radians(i * 45 + 22)
        tip = (cx + math.cos(a) * r, cy + math.sin(a) * r * 0.7)
        petal = polygon([(cx, cy), (cx + math.cos(a + 0.45) * r * 0.55, cy + math.sin(a + 0.45) * r * 0.4), tip,
                         (cx + math.cos(a - 0.45) * r * 0.55, cy + math.sin(a - 0.45) * r * 0.4)])
        cv.paint(petal, "petal")
        cv.paint(edge(petal, 0, -1), "petal_light")
    heart = ellipse(cx, cy, r * 0.3, r * 0.25)
    cv.paint(heart, "pollen")
    cv.paint(edge(heart, 0, 1), "buttercup")


def about():
    """The toad on its lily pad beside a water lily, for the About window."""
    w, h = 68, 69
    cv = Canvas(w, h)
    lily_pad(cv, 34, 58.5, 33, 9.5)
    water_lily(cv, 10, 54, 8)
    sitting_toad(cv, 36, 8.5, 1.0)
    return cv


def icon():
    """The window icon: the toad sitting on its lily pad."""
    return icon_drawing(32)


# The icon drawn at each size it is drawn at: (lily pad centre y, radii),
# (toad top, scale). Below 32 pixels the same toad is drawn again from its
# shapes rather than shrunk, which would lose its outlines.
ICON_DRAWINGS = {
    16: ((13.75, 7.75, 2), (0.75, 0.34)),
    24: ((20.6, 11.6, 3), (1.1, 0.51)),
    32: ((27.5, 15.5, 4), (1.5, 0.68)),
}


def icon_drawing(size):
    """The toad sitting on its lily pad, drawn `size` pixels square."""
    (pad_y, pad_rx, pad_ry), (top, scale) = ICON_DRAWINGS[size]
    cv = Canvas(size, size)
    lily_pad(cv, size / 2, pad_y, pad_rx, pad_ry)
    sitting_toad(cv, size / 2, top, scale)
    return cv


def pointer_blank():
    """No pointer at all: the mouse pointer during play."""
    return Canvas(32, 32)


BUILDERS = {
    "time_bar": time_bar,
    "about": about,
    "icon": icon,
    "pointer_blank": pointer_blank,
}
