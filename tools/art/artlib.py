"""Small pixel-art toolkit for Lilyhops' pictures.

Pictures are painted on a Canvas whose cells hold palette colour *names*
(or None for see-through).  Shapes are sets of (x, y) cells, so they can be
combined, outlined and shaded before they are painted.  Nothing here uses
anti-aliasing: every cell is one flat palette colour, as on the old 256-colour
displays the game was made for.
"""

import math
import re

from PIL import Image, ImageDraw


class ArtError(Exception):
    """A fault in the art sources: reported to the user, never a traceback."""


# ---------------------------------------------------------------- palette


def parse_palette(text, origin="palette"):
    """Read 'name = #rrggbb' lines (with # comments) into {name: (r, g, b)}."""
    colours = {}
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        match = re.fullmatch(r"([a-z][a-z0-9_]*)\s*=\s*#([0-9a-fA-F]{6})(\s+#.*)?", line)
        if not match:
            raise ArtError(f"{origin}:{number}: expected 'name = #rrggbb', got {line!r}")
        name, digits = match.group(1), match.group(2)
        if name in colours:
            raise ArtError(f"{origin}:{number}: colour {name!r} is defined twice")
        colours[name] = tuple(int(digits[i : i + 2], 16) for i in (0, 2, 4))
    if not colours:
        raise ArtError(f"{origin}: no colours defined")
    return colours


# ---------------------------------------------------------------- shapes


def ellipse(cx, cy, rx, ry):
    """Cells whose centres lie inside the ellipse (centre and radii in cells)."""
    cells = set()
    for y in range(math.floor(cy - ry) - 1, math.ceil(cy + ry) + 1):
        for x in range(math.floor(cx - rx) - 1, math.ceil(cx + rx) + 1):
            dx = (x + 0.5 - cx) / rx
            dy = (y + 0.5 - cy) / ry
            if dx * dx + dy * dy <= 1.0:
                cells.add((x, y))
    return cells


def rect(x0, y0, x1, y1):
    """Cells of the rectangle with corners (x0, y0) and (x1, y1), both included."""
    return {(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)}


def round_rect(x0, y0, x1, y1, r):
    """Rectangle (corners included) with quarter-circle corners of radius r."""
    cells = set()
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px, py = x + 0.5, y + 0.5
            cx = min(max(px, x0 + r), x1 + 1 - r)
            cy = min(max(py, y0 + r), y1 + 1 - r)
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r + 0.01:
                cells.add((x, y))
    return cells


def polygon(points):
    """Cells covered by a polygon given by its corner points."""
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    ox, oy = math.floor(min(xs)), math.floor(min(ys))
    w = math.ceil(max(xs)) - ox + 2
    h = math.ceil(max(ys)) - oy + 2
    mask = Image.new("1", (w, h), 0)
    ImageDraw.Draw(mask).polygon([(x - ox, y - oy) for x, y in points], fill=1)
    data = mask.load()
    return {(x + ox, y + oy) for y in range(h) for x in range(w) if data[x, y]}


def edge(shape, dx, dy):
    """Cells of the shape whose neighbour in direction (dx, dy) is outside it."""
    return {(x, y) for (x, y) in shape if (x + dx, y + dy) not in shape}


def ring(shape, diagonal=False):
    """Cells just outside the shape that touch it: its outline."""
    steps = [(1, 0), (-1, 0), (0, 1), (0, -1)]
    if diagonal:
        steps += [(1, 1), (1, -1), (-1, 1), (-1, -1)]
    return {(x + dx, y + dy) for (x, y) in shape for dx, dy in steps} - shape


def inner(shape, depth=1):
    """The shape less its border cells, `depth` times over."""
    for _ in range(depth):
        shape = shape - edge(shape, 1, 0) - edge(shape, -1, 0) - edge(shape, 0, 1) - edge(shape, 0, -1)
    return shape


def noise(x, y, seed=0):
    """A repeatable pseudo-random number in [0, 1) for a cell."""
    n = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65536.0


BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def dither(x, y, amount):
    """True where a 4x4 ordered dither of density `amount` (0..1) sets a cell."""
    return (BAYER4[y % 4][x % 4] + 0.5) / 16.0 < amount


# ---------------------------------------------------------------- canvas


class Canvas:
    """A picture of palette colour names; None is see-through."""

    def __init__(self, width, height, fill=None):
        self.width = width
        self.height = height
        self.cells = [[fill] * width for _ in range(height)]

    def inside(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def get(self, x, y):
        return self.cells[y][x] if self.inside(x, y) else None

    def put(self, x, y, colour):
        if self.inside(x, y):
            self.cells[y][x] = colour

    def paint(self, shape, colour):
        """Paint every cell of a shape (cells outside the picture are ignored)."""
        for x, y in shape:
            self.put(x, y, colour)

    def paint_where(self, shape, colour, test):
        """Paint the cells of a shape for which test(x, y) is true."""
        for x, y in shape:
            if test(x, y):
                self.put(x, y, colour)

    def blit(self, other, dx, dy):
        """Copy another canvas onto this one; its see-through cells leave this one alone."""
        for y in range(other.height):
            for x in range(other.width):
                colour = other.cells[y][x]
                if colour is not None:
                    self.put(x + dx, y + dy, colour)

    def flipped(self):
        """A left-right mirror image."""
        out = Canvas(self.width, self.height)
        out.cells = [list(reversed(row)) for row in self.cells]
        return out


def lookup(palette, name):
    if name not in palette:
        raise ArtError(f"colour {name!r} is not in the palette")
    return palette[name]


# ---------------------------------------------------------------- GIF output

# The see-through colour's slot in every GIF.  Its RGB value is one no
# picture uses, so a viewer that ignores transparency shows it plainly.
TRANSPARENT_SLOT = 0
TRANSPARENT_RGB = (255, 0, 255)


def gif_image(canvas, palette):
    """An indexed image with slot 0 see-through and the used colours after it."""
    used = sorted({name for row in canvas.cells for name in row if name is not None})
    if len(used) > 255:
        raise ArtError(f"a picture uses {len(used)} colours; a GIF holds at most 255 besides see-through")
    rgb = [TRANSPARENT_RGB] + [lookup(palette, name) for name in used]
    if TRANSPARENT_RGB in rgb[1:]:
        raise ArtError("the colour #ff00ff is kept for see-through cells; use another")
    slot = {name: i + 1 for i, name in enumerate(used)}
    img = Image.new("P", (canvas.width, canvas.height), TRANSPARENT_SLOT)
    img.putdata(
        [TRANSPARENT_SLOT if name is None else slot[name] for row in canvas.cells for name in row]
    )
    img.putpalette([c for colour in rgb for c in colour])
    return img


def save_gif(canvas, palette, path):
    img = gif_image(canvas, palette)
    img.save(path, format="GIF", transparency=TRANSPARENT_SLOT, optimize=False)


def stroke(points, radius):
    """A thick line through the points, drawn with a round brush."""
    cells = set()
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 3) + 1
        for i in range(steps + 1):
            t = i / steps
            cells |= ellipse(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, radius, radius)
    return cells
