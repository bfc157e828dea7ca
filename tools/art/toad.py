"""The toad in its four facings, flattened, drowned, and resting in a bay.

Each part of the animal is its own outlined layer, painted back to front
(hind legs, front legs, body, eyes), so legs read as legs against the body.
The pictures for facing east and west are the same animal turned; their
sizes differ, but their feet reach the bottom row so the toad's bottom edge
stays put when it turns.
"""

import math

from artlib import Canvas, edge, ellipse, inner, ring, stroke


def flip_x(shape, width):
    return {(width - 1 - x, y) for x, y in shape}


def layer(cv, shape, fill="toad_mid", light="toad_light", dark="toad_dark", outline="toad_outline"):
    cv.paint(ring(shape), outline)
    cv.paint(shape, fill)
    if dark:
        cv.paint(edge(shape, 0, 1), dark)
    if light:
        cv.paint(edge(shape, 0, -1) - edge(shape, 0, 1), light)


def eye(cv, cx, cy, r, look=(0, 0), iris="toad_eye", rim="toad_eye_rim"):
    """A bulging eye with its pupil and a glint."""
    ball = ellipse(cx, cy, r, r)
    cv.paint(ring(ball), "toad_outline")
    cv.paint(ball, iris)
    cv.paint(edge(ball, 0, 1), rim)
    px, py = math.floor(cx - 0.5 + look[0]), math.floor(cy - 0.5 + look[1])
    cv.paint({(px, py), (px + 1, py), (px, py + 1), (px + 1, py + 1)} & ball, "ink")
    cv.put(px, py, "white")


def back_markings(cv, body, cx, cy, along_x):
    """The pale stripe down the spine, a shine and a few warts."""
    if along_x:
        cv.paint(ellipse(cx, cy, 5.0, 2.4) & inner(body), "toad_light")
        cv.paint(ellipse(cx + 2, cy - 0.6, 2.0, 1.1), "toad_shine")
    else:
        cv.paint(ellipse(cx, cy, 2.5, 5.0) & inner(body), "toad_light")
        cv.paint(ellipse(cx - 0.5, cy - 2, 1.1, 2.0), "toad_shine")


def warts(cv, cells):
    for x, y in cells:
        cv.put(x, y, "toad_spot")
        cv.put(x + 1, y, "toad_spot")
        cv.put(x, y - 1, "toad_dark")


def frog_north():
    w, h = 22, 24
    cv = Canvas(w, h)
    leg = (stroke([(7, 16.5), (2.6, 13.2), (2.4, 19.4)], 1.3)
           | stroke([(2.6, 19.4), (1.2, 22.6)], 0.75)
           | stroke([(2.8, 19.6), (4.8, 22.6)], 0.75))
    arm = (stroke([(7, 9.5), (3.4, 8.5), (2.4, 4.6)], 1.1)
           | stroke([(2.4, 4.6), (1.0, 1.4)], 0.7)
           | stroke([(2.6, 4.6), (4.0, 1.4)], 0.7))
    for part in (leg, flip_x(leg, w), arm, flip_x(arm, w)):
        layer(cv, part)
    body = ellipse(11, 13.5, 6.0, 7.2) | ellipse(11, 7.5, 5.0, 4.5)
    layer(cv, body, light=None)
    back_markings(cv, body, 11, 12, along_x=False)
    warts(cv, [(7, 15), (14, 16), (9, 19), (14, 11), (6, 11)])
    eye(cv, 7.5, 4.2, 2.3, look=(0, -0.3))
    eye(cv, 14.5, 4.2, 2.3, look=(0, -0.3))
    return cv


def frog_south():
    """Facing down, sitting tucked up: also the spare-life and filled-bay icon."""
    w, h = 22, 19
    cv = Canvas(w, h)
    leg = (stroke([(7, 6), (2.6, 4.5), (2.4, 10.5)], 1.3)
           | stroke([(2.2, 4.4), (1.2, 0.9)], 0.75)
           | stroke([(2.6, 4.4), (4.4, 0.9)], 0.75))
    arm = (stroke([(7, 11.5), (3.6, 13), (2.6, 15.8)], 1.1)
           | stroke([(2.4, 15.8), (1.0, 17.6)], 0.7)
           | stroke([(2.8, 15.8), (4.2, 17.6)], 0.7))
    for part in (leg, flip_x(leg, w), arm, flip_x(arm, w)):
        layer(cv, part)
    body = ellipse(11, 8, 6.0, 6.6) | ellipse(11, 12.6, 5.0, 4.0)
    layer(cv, body, light=None)
    back_markings(cv, body, 11, 7.5, along_x=False)
    warts(cv, [(7, 6), (14, 5), (13, 10)])
    # the smile between the eyes, seen from the front
    cv.paint({(9, 16), (10, 16), (11, 16), (12, 16)}, "toad_mouth")
    eye(cv, 7.5, 14.0, 2.3, look=(0, 0.4))
    eye(cv, 14.5, 14.0, 2.3, look=(0, 0.4))
    return cv


def sideways(w, h, ox):
    """The toad facing east inside a w x h picture, shifted ox columns right.
    The legs are drawn for a 28-row picture and spread to fit the height, so
    the toes touch the top and bottom rows."""
    cv = Canvas(w, h)
    mid = (h - 1) / 2
    spread = (mid - 1.4) / 11.1

    def at(points):
        return [(x + ox, mid + (y - 13.5) * spread) for x, y in points]

    # hind leg (upper side): thigh forward to the knee, shin back to the foot
    leg = (stroke(at([(7, 9.5), (10.5, 5.4), (4.0, 4.2)]), 1.3)
           | stroke(at([(4.2, 4.0), (0.9, 2.4)]), 0.75)
           | stroke(at([(4.2, 4.4), (1.0, 6.0)]), 0.75))
    arm = (stroke(at([(14, 10.5), (16, 7.0), (18.6, 5.2)]), 1.1)
           | stroke(at([(18.4, 5.0), (20.4, 3.0)]), 0.7)
           | stroke(at([(18.6, 5.4), (20.6, 6.6)]), 0.7))
    mirror = lambda s: {(x, h - 1 - y) for x, y in s}
    for part in (leg, mirror(leg), arm, mirror(arm)):
        layer(cv, part)
    body = ellipse(9.5 + ox, mid + 0.5, 7.2, 6.0) | ellipse(15.2 + ox, mid + 0.5, 4.5, 5.0)
    layer(cv, body, light="toad_light")
    back_markings(cv, body, 10 + ox, mid + 0.5, along_x=True)
    warts(cv, [(6 + ox, int(mid) - 3), (8 + ox, int(mid) + 4), (12 + ox, int(mid) - 4)])
    eye(cv, 15.6 + ox, mid - 3.1, 2.2, look=(0.5, -0.2))
    eye(cv, 15.6 + ox, mid + 4.1, 2.2, look=(0.5, 0.2))
    cv.paint({(19 + ox, int(mid) + y) for y in (0, 1)}, "toad_dark")
    return cv


def frog_east():
    return sideways(22, 28, 0)


def frog_west():
    return sideways(23, 26, 1).flipped()


def frog_dead():
    """Flattened by a car: spread flat and pale, tyre marks across, eyes crossed out."""
    w, h = 41, 29
    cv = Canvas(w, h)
    cx, cy = 20, 14
    limbs = set()
    for sx in (1, -1):
        for sy in (1, -1):
            limbs |= stroke([(cx + 5 * sx, cy + 4 * sy), (cx + 12 * sx, cy + 9 * sy), (cx + 17 * sx, cy + 11.5 * sy)], 1.4)
            limbs |= stroke([(cx + 17 * sx, cy + 11.5 * sy), (cx + 19.4 * sx, cy + 12.6 * sy)], 0.8)
            limbs |= stroke([(cx + 17 * sx, cy + 11.5 * sy), (cx + 18.2 * sx, cy + 7.5 * sy)], 0.8)
            limbs |= stroke([(cx + 17 * sx, cy + 11.5 * sy), (cx + 14.4 * sx, cy + 13.2 * sy)], 0.8)
    layer(cv, limbs, fill="toad_pale", light="white", dark="toad_pale_dk")
    body = ellipse(cx + 0.5, cy + 0.5, 11, 8.5)
    layer(cv, body, fill="toad_pale", light="white", dark="toad_pale_dk")
    # tyre marks pressed across the body
    for x, y in inner(body) | limbs:
        if (x + y // 2) % 9 in (0, 1) and 9 < x < 32:
            cv.put(x, y, "toad_pale_dk")
    cv.paint(ellipse(cx + 0.5, cy - 1, 4, 2), "toad_light")
    # crossed-out eyes and a wavy mouth
    for ex in (cx - 4, cx + 4):
        ball = ellipse(ex + 0.5, cy - 4.5, 2.6, 2.6)
        cv.paint(ring(ball), "toad_outline")
        cv.paint(ball, "white")
        for d in (-1, 0, 1):
            cv.put(ex + d, cy - 5 + d, "ink")
            cv.put(ex + d, cy - 5 - d, "ink")
    for x in range(cx - 3, cx + 5):
        cv.put(x, cy + 3 + (x % 2), "toad_mouth")
    return cv


def frog_drowned():
    """Lost in the river: rings spreading on the water, bubbles, the last of a toad."""
    w, h = 34, 23
    cv = Canvas(w, h)
    cx, cy = 16.5, 11.5
    outer = ellipse(cx + 0.5, cy, 17, 11.5)
    cv.paint(outer - ellipse(cx + 0.5, cy, 15.6, 10.3), "water_glint")
    cv.paint(edge(outer, 0, 1) | {(x, y) for x, y in outer if y == 0}, "foam")
    middle = ellipse(cx + 0.5, cy, 12.5, 8)
    cv.paint(middle, "water_deep")
    cv.paint(middle - ellipse(cx + 0.5, cy, 11.2, 6.8), "foam")
    pool = ellipse(cx + 0.5, cy + 0.5, 8.5, 5)
    cv.paint(pool, "water_shade")
    # a hand still reaching up, and the tops of two eyes
    hand = stroke([(cx - 3, cy + 2), (cx - 4.5, cy - 3.5)], 1.1) | stroke([(cx - 4.5, cy - 3.5), (cx - 6.5, cy - 5.5)], 0.6) \
        | stroke([(cx - 4.5, cy - 3.5), (cx - 3.8, cy - 6.2)], 0.6) | stroke([(cx - 4.5, cy - 3.5), (cx - 6.8, cy - 3)], 0.6)
    layer(cv, hand)
    for ex in (cx + 1.5, cx + 6.5):
        top = ellipse(ex, cy + 1.5, 2.2, 1.8)
        cv.paint(ring(top), "toad_outline")
        cv.paint(top, "toad_mid")
        cv.put(int(ex) - 1, int(cy + 1.5) - 1, "toad_eye")
        cv.put(int(ex), int(cy + 1.5) - 1, "toad_eye")
    # bubbles rising
    for bx, by, r in ((cx + 9, cy - 5, 1.6), (cx + 5, cy - 7, 1.1), (cx + 12, cy - 8.5, 1.0)):
        bubble = ellipse(bx, by, r, r)
        cv.paint(ring(bubble), "foam")
        cv.paint(bubble, "water_light")
        cv.put(int(bx - 0.5), int(by - 0.5), "white")
    return cv


BUILDERS = {
    "frog_dead": frog_dead,
    "frog_drowned": frog_drowned,
    "frog_north": frog_north,
    "frog_south": frog_south,
    "frog_east": frog_east,
    "frog_west": frog_west,
}
