"""What floats on the river: the swimming turtle and the three logs."""

from artlib import Canvas, edge, ellipse, inner, noise, polygon, rect, ring


def turtle():
    """A turtle swimming right, seen from above: shell, head, four flippers."""
    w, h = 38, 22
    cv = Canvas(w, h)
    flip_v = lambda pts: [(x, h - y) for x, y in pts]
    front = [(21, 6), (26, 1.2), (31, 1), (33.5, 2.5), (29, 6), (25, 8.5)]
    back = [(10, 6.5), (5.5, 1.2), (2.5, 2.2), (4, 5.5), (8, 9)]
    limbs = polygon(front) | polygon(flip_v(front)) | polygon(back) | polygon(flip_v(back))
    head = ellipse(32.5, 11, 4.5, 3.8)
    neck = rect(27, 9, 30, 12)
    tail = polygon([(6, 9.5), (1, 11), (6, 12.5)])
    skin = limbs | head | neck | tail
    cv.paint(skin, "skin_mid")
    cv.paint(edge(skin, 0, 1), "skin_dark")
    cv.paint(edge(skin, 0, -1), "skin_light")
    # toes: darker tips on the flippers
    for x, y in ((30, 2), (31, 2), (4, 3)):
        cv.put(x, y, "skin_dark")
        cv.put(x, h - 1 - y, "skin_dark")
    cv.paint(ring(skin), "ink")
    # eyes and nostrils on the head
    for y in (9, 12):
        cv.put(34, y, "ink")
        cv.put(33, y, "skin_light")
    cv.put(36, 10, "skin_dark")
    cv.put(36, 11, "skin_dark")

    shell = ellipse(17, 11, 12.5, 8.5)
    rim = shell - inner(shell, 2)
    core = inner(shell, 2)
    cv.paint(core, "shell_mid")
    cv.paint(rim, "shell_light")
    cv.paint(edge(shell, 0, 1) | edge(shell, 1, 0) & rim, "shell_dark")
    # notches between the rim plates
    for x in range(6, 30, 3):
        for y in (3, 4, 18, 19):
            if (x, y) in rim:
                cv.put(x, y, "shell_dark")
    # plates of the back: a row of three down the middle, one row each side
    seams = set()
    for x in range(8, 27):
        seams.add((x, 7))
        seams.add((x, 15))
    for x in (11, 17, 23):
        for y in range(7, 16):
            seams.add((x, y))
        seams.add((x - 1, 6))
        seams.add((x - 1, 5))
        seams.add((x - 1, 16))
        seams.add((x - 1, 17))
    cv.paint(seams & core, "shell_dark")
    # a highlight in the upper-left of every plate
    for x, y in core - seams:
        if (x - 1, y) in seams or (x, y - 1) in seams or (x, y - 1) in rim or (x - 1, y) in rim:
            if y < 11:
                cv.put(x, y, "shell_rim")
    cv.paint({(9, 5), (10, 5), (8, 6)} & core, "shell_rim")
    cv.paint(ring(shell), "ink")
    return cv


def log(width, seed, moss=False, branch=False):
    """A floating log, its cut end on the right and its rounded bark end on the left."""
    h = 23
    cv = Canvas(width, h)
    body = rect(3, 1, width - 5, h - 2) | ellipse(4, 11.5, 4, 10.5)
    # bark shading: a cylinder lit from above
    bands = {1: "bark_light", 2: "bark_light", 3: "bark_shine", 4: "bark_shine", 5: "bark_light",
             6: "bark_light", 7: "bark_light", 8: "bark_mid", 9: "bark_mid", 10: "bark_mid",
             11: "bark_mid", 12: "bark_mid", 13: "bark_mid", 14: "bark_mid", 15: "bark_mid",
             16: "bark_dark", 17: "bark_mid", 18: "bark_dark", 19: "bark_dark", 20: "bark_dark",
             21: "bark_dark"}
    for x, y in body:
        cv.put(x, y, bands.get(y, "bark_dark"))
    # grooves in the bark: long dark furrows with a lit ridge above each
    for row in range(2, h - 3, 3):
        x = 4 + int(noise(row, 1, seed) * 9)
        while x < width - 8:
            length = 6 + int(noise(x, row, seed) * 18)
            y = row + (1 if noise(x, row, seed + 7) > 0.6 else 0)
            for i in range(length):
                if x + i < width - 8 and (x + i, y) in body:
                    cv.put(x + i, y, "bark_dark" if y < 15 else "ink_soft")
                    if y - 1 > 1 and y < 15:
                        cv.put(x + i, y - 1, "bark_shine" if y < 7 else "bark_light")
            x += length + 3 + int(noise(row, x, seed) * 9)
    # knots
    for i in range(max(1, width // 70)):
        kx = 20 + int(noise(i, 3, seed) * (width - 50))
        ky = 7 + int(noise(i, 4, seed) * 8)
        knot = ellipse(kx, ky, 3, 2)
        cv.paint(knot, "bark_dark")
        cv.paint(inner(knot), "wood_core")
        cv.put(kx - 1, ky - 1, "bark_shine")
    if moss:
        for x, y in body:
            if y <= 8 and noise(x // 3, y // 2, seed + 3) > 0.7 and 25 < x < width - 30:
                cv.put(x, y, "moss_light" if y < 5 else "moss")
    if branch:
        stub = ellipse(width * 0.62, 5.5, 3, 2.5)
        cv.paint(stub, "wood_pale")
        cv.paint(ring(stub), "bark_dark")
        cv.put(int(width * 0.62), 5, "wood_ring")
        leaf = polygon([(width * 0.62 + 3, 5), (width * 0.62 + 10, 2), (width * 0.62 + 12, 4),
                        (width * 0.62 + 6, 7)])
        cv.paint(leaf, "moss_light")
        cv.paint(edge(leaf, 0, 1), "moss")
    cv.paint(ring(body), "ink")
    # the sawn end: pale wood with growth rings, its own outline
    face = ellipse(width - 5.5, 11.5, 5.5, 11.5)
    cv.paint(face, "wood_pale")
    for r in (2.6, 5.2, 7.8):
        circle = ellipse(width - 5.5, 11.5, r * 5.5 / 11.5, r)
        cv.paint(ring(circle) & face, "wood_ring")
    cv.paint(ellipse(width - 5.5, 11.5, 1.2, 1.6), "wood_core")
    cv.paint(edge(face, 0, 1) | edge(face, 1, 0), "wood_ring")
    cv.paint(edge(face, 0, 1) & edge(face, 1, 0), "bark_dark")
    cv.paint(edge(face, -1, 0) | edge(face, 0, -1) | edge(face, 1, 0) | edge(face, 0, 1), "ink")
    return cv


BUILDERS = {
    "turtle": turtle,
    "log1": lambda: log(231, seed=11, branch=True),
    "log2": lambda: log(128, seed=23),
    "log3": lambda: log(128, seed=37, moss=True),
}
