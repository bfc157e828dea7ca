"""The cars and trucks of the four road lanes, seen from above.

Every vehicle is drawn facing right (front at the right-hand end); the ones
that drive left are mirrored afterwards.  Wheels stick out a little above and
below the body, so every picture is filled edge to edge: the game tests
collisions against the whole picture, and a player should see that too.
"""

from artlib import Canvas, edge, ellipse, polygon, rect, ring, round_rect


def paint_body(cv, body, paint):
    """Outline a body shape in ink and shade it as a rounded top seen from above:
    light along its upper side, dark along its lower side."""
    lt, mid, dk = paint
    top = min(y for _, y in body)
    bottom = max(y for _, y in body)
    for x, y in body:
        if y <= top + 2:
            cv.put(x, y, lt)
        elif y >= bottom - 2:
            cv.put(x, y, dk)
        else:
            cv.put(x, y, mid)
    cv.paint(edge(body, 0, -1) | edge(body, 0, 1) | edge(body, 1, 0) | edge(body, -1, 0), "ink")


def wheel(cv, x0, y0, length, thick):
    """A tyre seen from above: dark block with a lighter tread stripe."""
    cv.paint(rect(x0, y0, x0 + length - 1, y0 + thick - 1), "tyre")
    for x in range(x0 + 1, x0 + length - 1, 2):
        cv.put(x, y0 + thick // 2, "tyre_tread")


def glass(cv, shape):
    """Window glass: dark at the lower edges, with bright diagonal reflections."""
    cv.paint(shape, "glass_mid")
    x0 = min(x for x, _ in shape)
    y0 = min(y for _, y in shape)
    cv.paint_where(shape, "glass_light", lambda x, y: ((x - x0) * 2 + (y - y0)) % 13 in (3, 4, 5))
    cv.paint(edge(shape, 0, 1) | edge(shape, -1, 0), "glass_dark")
    cv.paint(edge(shape, 0, -1) - edge(shape, -1, 0), "glass_light")


def lights(cv, length, top, bottom, head="headlight"):
    """Headlights at the front corners, tail lights at the back corners."""
    for y in (top + 2, top + 3, bottom - 3, bottom - 2):
        cv.put(length - 1, y, head)
        cv.put(0, y, "taillight")
    cv.put(length - 2, top + 2, "white")
    cv.put(length - 2, bottom - 2, "white")


def mirrors(cv, x, top, bottom, colour):
    cv.put(x, top - 1, colour)
    cv.put(x + 1, top - 1, "ink")
    cv.put(x, bottom + 1, colour)
    cv.put(x + 1, bottom + 1, "ink")


# ---------------------------------------------------------------- cars


def car(width, height, paint, cabin, windscreen, rear, roof=None, radius=5, wheel_len=None):
    """A car body with four wheels, a cabin from x=cabin[0] to x=cabin[1]
    (windscreen slope `windscreen` cells, rear window `rear` cells)."""
    cv = Canvas(width, height)
    top, bottom = 2, height - 3
    wl = wheel_len or max(7, width // 6)
    for wx in (width // 6, width - width // 6 - wl):
        wheel(cv, wx, 0, wl, 4)
        wheel(cv, wx, height - 4, wl, 4)
    body = round_rect(0, top, width - 1, bottom, radius)
    paint_body(cv, body, paint)
    # a crease along the bonnet and the boot
    mid_y = (top + bottom) // 2
    lt, md, dk = paint
    for x in range(3, cabin[0] - 1):
        cv.put(x, mid_y - 2, lt)
    for x in range(cabin[1] + 2, width - 3):
        cv.put(x, mid_y - 2, lt)
        cv.put(x, mid_y + 3, dk)
    c0, c1 = cabin
    ct, cb = top + 3, bottom - 3
    # windscreen (front, right) and rear window (back, left) as trapezoids
    glass(cv, polygon([(c1 - windscreen, ct + 1), (c1, ct - 0.5), (c1, cb + 1.5), (c1 - windscreen, cb)]))
    glass(cv, polygon([(c0, ct + 1), (c0 + rear, ct + 1), (c0 + rear, cb), (c0, cb)]))
    # roof between them, shaded like the body but brighter
    roof_shape = rect(c0 + rear + 1, ct + 1, c1 - windscreen - 1, cb - 1)
    cv.paint(roof_shape, roof or md)
    cv.paint(edge(roof_shape, 0, -1), lt)
    cv.paint(edge(roof_shape, 0, 1), dk)
    cv.paint(edge(roof_shape, 1, 0) | edge(roof_shape, -1, 0), "ink_soft")
    # side windows along the cabin
    for x in range(c0 + rear + 1, c1 - windscreen):
        cv.put(x, ct, "glass_dark")
        cv.put(x, cb, "glass_dark")
    mirrors(cv, c1 - windscreen, top, bottom, md)
    lights(cv, width, top, bottom)
    return cv


def car1():
    """Lane 1: a round little violet bubble car."""
    w, h = 50, 30
    cv = Canvas(w, h)
    paint = ("violet_lt", "violet", "violet_dk")
    for wx in (7, 34):
        wheel(cv, wx, 0, 9, 5)
        wheel(cv, wx, h - 5, 9, 5)
    body = ellipse(25, 15, 25, 12.5) | round_rect(0, 4, w - 1, h - 5, 7)
    # round wheel arches bulge out over the tyres
    for cx in (11.5, 38.5):
        body |= ellipse(cx, 6, 7, 4) | ellipse(cx, h - 6, 7, 4)
    paint_body(cv, body, paint)
    # domed roof with a big glass bubble
    dome = ellipse(23, 15, 12, 8.5)
    cv.paint(dome, "violet_lt")
    cv.paint(ring(dome), "ink")
    screen = ellipse(28.5, 15, 6, 7.5) - ellipse(24, 15, 6, 8)
    glass(cv, screen)
    back = ellipse(16, 15, 3.2, 5.5) - ellipse(19, 15, 3.2, 7)
    glass(cv, back)
    cv.paint(rect(18, 11, 22, 11), "white")
    cv.paint(rect(17, 12, 19, 12), "white")
    lights(cv, w, 4, h - 5)
    cv.put(w - 2, 15, "chrome")
    cv.put(w - 2, 14, "chrome")
    return cv


def car2():
    """Lane 1: a yellow taxi with its roof sign."""
    cv = car(49, 28, ("taxi_lt", "taxi", "taxi_dk"), cabin=(11, 33), windscreen=5, rear=3)
    # the lit roof sign
    sign = rect(19, 10, 22, 17)
    cv.paint(ring(sign), "ink")
    cv.paint(sign, "headlight")
    cv.paint(edge(sign, 0, 1) | edge(sign, 1, 0), "taxi")
    cv.put(19, 10, "white")
    # chequered stripe down each side
    for x in range(4, 45):
        colour = "ink" if x % 4 < 2 else "white"
        cv.put(x, 5, colour)
        cv.put(x, 22, colour)
    return cv


def car3():
    """Lane 1: a teal estate car with a long roof and a roof rack."""
    cv = car(49, 28, ("teal_lt", "teal", "teal_dk"), cabin=(4, 33), windscreen=5, rear=2)
    for x in (10, 16, 22):
        for y in range(9, 19):
            cv.put(x, y, "chrome_dark")
    for x in range(8, 25):
        cv.put(x, 9, "chrome")
        cv.put(x, 18, "chrome")
    return cv


def car5():
    """Lane 2: a red pickup truck with an open load bed."""
    w, h = 67, 31
    cv = car(w, h, ("red_lt", "red", "red_dk"), cabin=(28, 49), windscreen=6, rear=2, radius=4)
    bed = rect(3, 6, 25, h - 7)
    cv.paint(bed, "bark_mid")
    cv.paint(ring(bed), "ink")
    cv.paint(edge(bed, 0, -1), "bark_dark")
    for x in range(5, 25, 4):
        for y in range(7, h - 7):
            cv.put(x, y, "bark_light")
    # a crate in the bed
    crate = rect(9, 10, 17, 18)
    cv.paint(crate, "wood_pale")
    cv.paint(ring(crate), "ink")
    cv.paint(edge(crate, 0, 1) | edge(crate, 1, 0), "wood_ring")
    cv.paint({(9 + i, 10 + i) for i in range(9)}, "wood_ring")
    return cv


def car6():
    """Lane 2: a tall orange delivery van with a ribbed roof."""
    w, h = 63, 33
    cv = car(w, h, ("dozer_lt", "dozer", "dozer_dk"), cabin=(2, 54), windscreen=5, rear=1, radius=3,
             roof="cream")
    # ribs across the roof
    for x in range(8, 48, 5):
        for y in range(7, h - 7):
            cv.put(x, y, "cream_dk")
    for x in range(4, 49):
        cv.put(x, 6, "cream_lt")
    cv.paint(rect(20, 12, 34, 20), "dozer")
    cv.paint(ring(rect(20, 12, 34, 20)), "dozer_dk")
    cv.paint(rect(23, 15, 31, 17), "cream_lt")
    return cv


def car10():
    """Lane 2: a blue sports coupe with twin racing stripes."""
    w, h = 63, 32
    cv = car(w, h, ("blue_lt", "blue", "blue_dk"), cabin=(14, 36), windscreen=6, rear=4, radius=6)
    for x in range(1, w - 1):
        for y in (13, 18):
            if cv.get(x, y) not in ("glass_mid", "glass_dark", "glass_light", "ink", "ink_soft", None):
                cv.put(x, y, "white")
    # air scoop on the bonnet and a spoiler at the back
    cv.paint(rect(44, 14, 49, 17), "blue_dk")
    cv.paint(rect(45, 15, 48, 16), "ink")
    spoiler = rect(2, 5, 4, h - 6)
    cv.paint(spoiler, "blue_dk")
    cv.paint(edge(spoiler, -1, 0), "ink")
    return cv


def car4():
    """Lane 2: a bulldozer on crawler tracks pushing its blade."""
    w, h = 65, 35
    cv = Canvas(w, h)
    # crawler tracks along both sides
    for y0 in (0, h - 8):
        track = round_rect(0, y0, 52, y0 + 7, 3)
        cv.paint(track, "tyre")
        cv.paint(edge(track, 0, -1) | edge(track, 0, 1), "ink")
        for x in range(2, 51, 3):
            for y in range(y0 + 1, y0 + 7):
                cv.put(x, y, "tyre_tread")
        cv.paint(rect(4, y0 + 3, 48, y0 + 4), "chrome_dark")
    # body between the tracks
    body = round_rect(2, 6, 50, h - 7, 2)
    paint_body(cv, body, ("dozer_lt", "dozer", "dozer_dk"))
    # engine hood with grille slots and an exhaust stack
    for x in range(34, 48, 3):
        for y in range(11, h - 11):
            cv.put(x, y, "dozer_dk")
    stack = ellipse(40, 10, 2, 2)
    cv.paint(stack, "ink")
    cv.put(40, 9, "chrome_dark")
    # cab with a glass roof and a driver
    cab = rect(8, 9, 27, h - 10)
    cv.paint(cab, "dozer_dk")
    cv.paint(ring(cab), "ink")
    roof = rect(10, 11, 25, h - 12)
    glass(cv, roof)
    cv.paint(ellipse(17, 17.5, 3, 3), "taxi")
    cv.paint(ring(ellipse(17, 17.5, 3, 3)), "ink")
    cv.put(16, 16, "taxi_lt")
    # push arms and the blade across the front
    cv.paint(rect(51, 4, 58, 6) | rect(51, h - 7, 58, h - 5), "chrome_dark")
    blade = round_rect(58, 0, 64, h - 1, 2)
    cv.paint(blade, "steel")
    cv.paint(edge(blade, -1, 0), "steel_lt")
    cv.paint(edge(blade, 1, 0) | edge(blade, 0, 1) | edge(blade, 0, -1), "ink")
    for y in range(3, h - 3, 4):
        cv.put(61, y, "steel_dk")
    return cv


def car7():
    """Lane 3: a white and red racing car with open wheels (faces right here)."""
    w, h = 55, 26
    cv = Canvas(w, h)
    # four fat open wheels
    for wx, wl in ((6, 11), (37, 9)):
        for y0 in (0, h - 6):
            tyre = round_rect(wx, y0, wx + wl - 1, y0 + 5, 2)
            cv.paint(tyre, "tyre")
            for x in range(wx + 1, wx + wl - 1, 2):
                cv.put(x, y0 + 2, "tyre_tread")
                cv.put(x, y0 + 3, "tyre_tread")
    # axles
    cv.paint(rect(9, 5, 11, h - 6) | rect(40, 5, 42, h - 6), "chrome_dark")
    # rear wing and front wing
    rear_wing = rect(0, 3, 4, h - 4)
    cv.paint(rear_wing, "red")
    cv.paint(edge(rear_wing, -1, 0) | edge(rear_wing, 0, -1) | edge(rear_wing, 0, 1), "ink")
    cv.paint(rect(1, 4, 1, h - 5), "red_lt")
    front_wing = rect(49, 4, 53, h - 5)
    cv.paint(front_wing, "red")
    cv.paint(edge(front_wing, 1, 0) | edge(front_wing, 0, -1) | edge(front_wing, 0, 1), "ink")
    # the slim body, wide at the side pods and narrowing to the nose
    body = polygon([(4, 8), (14, 6.5), (32, 6.5), (38, 9), (54.5, 11), (54.5, 15), (38, 17), (32, 19.5),
                    (14, 19.5), (4, 18)])
    paint_body(cv, body, ("cream_lt", "white", "cream"))
    for x in range(16, 54):
        cv.put(x, 12, "red")
        cv.put(x, 13, "red")
    cv.paint(rect(14, 8, 30, 8) | rect(14, 18, 30, 18), "red")
    # cockpit and helmet
    pit = ellipse(24, 13, 5, 3.2)
    cv.paint(pit, "ink")
    helmet = ellipse(23, 13, 2.6, 2.6)
    cv.paint(helmet, "taxi")
    cv.put(22, 12, "taxi_lt")
    cv.put(24, 12, "glass_dark")
    cv.put(24, 13, "glass_dark")
    cv.put(w - 1, 12, "ink")
    cv.put(w - 1, 13, "ink")
    return cv


# ---------------------------------------------------------------- trucks


def cab(cv, x0, length, height, paint):
    """A lorry cab from x0 to x0 + length - 1, facing right."""
    top, bottom = 2, height - 3
    lt, md, dk = paint
    for wx in (x0 + 3,):
        wheel(cv, wx, 0, 9, 4)
        wheel(cv, wx, height - 4, 9, 4)
    body = round_rect(x0, top, x0 + length - 1, bottom, 3)
    paint_body(cv, body, paint)
    # windscreen at the front
    glass(cv, polygon([(x0 + length - 8, top + 3), (x0 + length - 3, top + 2), (x0 + length - 3, bottom - 1.5),
                       (x0 + length - 8, bottom - 2)]))
    # roof with an air deflector
    roof = rect(x0 + 3, top + 3, x0 + length - 10, bottom - 3)
    cv.paint(roof, md)
    cv.paint(edge(roof, 0, -1), lt)
    cv.paint(edge(roof, 0, 1) | edge(roof, -1, 0), dk)
    deflector = ellipse(x0 + length - 12, (top + bottom + 1) / 2, 3, (bottom - top) / 2 - 3)
    cv.paint(deflector, md)
    cv.paint(edge(deflector, 1, 0), "ink_soft")
    cv.paint(edge(deflector, -1, 0), lt)
    # mirrors and lights
    mirrors(cv, x0 + length - 7, top, bottom, "chrome")
    for y in (top + 2, top + 3, bottom - 3, bottom - 2):
        cv.put(x0 + length - 1, y, "headlight")
    cv.put(x0 + length - 1, top + 4, "indicator")
    cv.put(x0 + length - 1, bottom - 4, "indicator")


def trailer_wheels(cv, x0, count, height):
    for i in range(count):
        wheel(cv, x0 + i * 10, 0, 9, 4)
        wheel(cv, x0 + i * 10, height - 4, 9, 4)


def car8():
    """Lane 4: a red lorry hauling a long cream box trailer."""
    w, h = 150, 36
    cv = Canvas(w, h)
    trailer_wheels(cv, 6, 3, h)
    wheel(cv, 104, 0, 9, 4)
    wheel(cv, 104, h - 4, 9, 4)
    # coupling and chassis between trailer and cab
    cv.paint(rect(110, 9, 118, h - 10), "tyre_tread")
    cv.paint(rect(110, 9, 118, 9) | rect(110, h - 10, 118, h - 10), "ink")
    box = rect(0, 2, 111, h - 3)
    paint_body(cv, box, ("cream_lt", "cream", "cream_dk"))
    # roof panels
    for x in range(8, 110, 8):
        for y in range(3, h - 3):
            cv.put(x, y, "cream_dk")
            cv.put(x + 1, y, "cream_lt")
    # painted stripe and the haulier's badge on the roof: a red disc with a
    # cream arrow pointing the way the lorry drives (no animal on it: from
    # above, a face here would read as a second toad in the lane)
    for x in range(2, 110):
        for y in (15, 20):
            if cv.get(x, y) != "ink":
                cv.put(x, y, "red")
        if cv.get(x, 16) != "ink":
            cv.put(x, 16, "red_dk")
    badge = ellipse(56, 18, 7, 7)
    cv.paint(badge, "red")
    cv.paint(edge(badge, 0, 1) | edge(badge, 1, 0), "red_dk")
    cv.paint(edge(badge, 0, -1) | edge(badge, -1, 0), "red_lt")
    cv.paint(ring(badge), "ink")
    arrow = polygon([(51, 16), (56, 16), (56, 13), (61.5, 18), (56, 23), (56, 20), (51, 20)])
    cv.paint(arrow, "cream_lt")
    cv.paint(edge(arrow, 0, 1) | edge(arrow, 1, 0), "cream_dk")
    # rear doors' hinges and tail lights
    for y in (4, 5, h - 6, h - 5):
        cv.put(0, y, "taillight")
    cab(cv, 119, 31, h, ("red_lt", "red", "red_dk"))
    return cv


def car9():
    """Lane 4: a blue tanker lorry with a long round steel tank."""
    w, h = 171, 36
    cv = Canvas(w, h)
    trailer_wheels(cv, 8, 3, h)
    wheel(cv, 124, 0, 9, 4)
    wheel(cv, 124, h - 4, 9, 4)
    cv.paint(rect(128, 9, 139, h - 10), "tyre_tread")
    cv.paint(rect(128, 9, 139, 9) | rect(128, h - 10, 139, h - 10), "ink")
    chassis = rect(0, 4, 131, h - 5)
    cv.paint(chassis, "steel_dk")
    cv.paint(ring(chassis) | edge(chassis, -1, 0), "ink")
    tank = round_rect(1, 2, 130, h - 3, 8)
    # a cylinder lying along the lorry: bands of light across its width
    bands = ["steel_dk", "steel", "steel", "steel_lt", "white", "steel_lt", "steel_lt", "steel", "steel",
             "steel", "steel", "steel", "steel_dk", "steel", "steel_dk", "steel_dk"]
    span = (h - 3) - 2
    for x, y in tank:
        t = (y - 2) / span
        cv.put(x, y, bands[min(len(bands) - 1, int(t * len(bands)))])
    cv.paint(ring(tank) & rect(0, 0, w - 1, h - 1), "ink")
    cv.paint(edge(tank, 0, -1) | edge(tank, 0, 1) | edge(tank, -1, 0) | edge(tank, 1, 0), "ink")
    # hoops round the tank
    for x in range(18, 126, 22):
        for y in range(3, h - 3):
            if (x, y) in tank:
                cv.put(x, y, "steel_dk")
                cv.put(x + 1, y, "steel_lt" if y < h // 2 else "steel")
    # walkway and hatches along the top
    cv.paint(rect(10, 16, 120, 19), "chrome_dark")
    for x in range(10, 121, 2):
        cv.put(x, 17, "ink_soft")
    for hx in (30, 64, 98):
        hatch = ellipse(hx, 17.5, 4.2, 4.2)
        cv.paint(hatch, "steel_lt")
        cv.paint(ring(hatch), "ink")
        cv.paint(edge(hatch, 0, 1) | edge(hatch, 1, 0), "steel_dk")
        cv.put(hx, 17, "ink_soft")
    cv.put(0, 5, "taillight")
    cv.put(0, h - 6, "taillight")
    cab(cv, 140, 31, h, ("blue_lt", "blue", "blue_dk"))
    return cv


LEFT_MOVING = {"car1", "car2", "car3", "car7"}

BUILDERS = {
    "car1": car1,
    "car2": car2,
    "car3": car3,
    "car4": car4,
    "car5": car5,
    "car6": car6,
    "car7": car7,
    "car8": car8,
    "car9": car9,
    "car10": car10,
}


def build(stem):
    cv = BUILDERS[stem]()
    return cv.flipped() if stem in LEFT_MOVING else cv
