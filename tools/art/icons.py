"""The game's icon for the desktop: one PNG for each size of the hicolor icon
theme.  Each is one of the icon's drawings enlarged by a whole number, so
every pixel of the drawing becomes a sharp square block and nothing is
blurred."""

import os

from PIL import Image

from artlib import ArtError, Canvas, lookup

# The sizes desktops look for in the hicolor theme, in pixels.
HICOLOR_SIZES = (16, 24, 32, 48, 64, 128, 256)


def source_for(size, drawn_sizes):
    """(drawing size, factor): the largest drawing that fills `size` pixels
    when enlarged a whole number of times."""
    for drawn in sorted(drawn_sizes, reverse=True):
        if size % drawn == 0:
            return drawn, size // drawn
    raise ArtError(f"no icon drawing fits {size} pixels a whole number of times "
                   f"(drawn at {', '.join(str(s) for s in sorted(drawn_sizes))})")


def enlarge(canvas, factor):
    """The canvas with every cell repeated as a factor x factor block."""
    if not isinstance(factor, int) or factor < 1:
        raise ArtError(f"an icon is only enlarged by a whole number, not {factor!r}")
    out = Canvas(canvas.width * factor, canvas.height * factor)
    out.cells = [[name for name in row for _ in range(factor)] for row in canvas.cells for _ in range(factor)]
    return out


def png_image(canvas, palette):
    """An RGBA image: palette colours fully opaque, see-through cells clear."""
    img = Image.new("RGBA", (canvas.width, canvas.height), (0, 0, 0, 0))
    img.putdata([(0, 0, 0, 0) if name is None else lookup(palette, name) + (255,)
                 for row in canvas.cells for name in row])
    return img


def icon_file(folder, size):
    return os.path.join(folder, f"icon-{size}.png")


def write_icons(drawings, palette, folder, sizes=HICOLOR_SIZES):
    """Write icon-N.png for every size into `folder`; `drawings` maps a drawing's
    size to a function that draws it."""
    os.makedirs(folder, exist_ok=True)
    for size in sizes:
        drawn, factor = source_for(size, drawings)
        path = icon_file(folder, size)
        try:
            png_image(enlarge(drawings[drawn](), factor), palette).save(path, format="PNG")
        except OSError as err:
            raise ArtError(f"cannot write {path}: {err.strerror}") from None
    return len(sizes)
