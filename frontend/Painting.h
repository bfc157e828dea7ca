#pragma once

// Drawing the game's controls with Qt: pictures from the program's
// resources, labels with their fonts, colours and alignment, shapes and
// lines. All coordinates are twips, drawn at 15 twips to a pixel.

#include "playfield/Controls.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QSize>
#include <QString>
#include <variant>

class QPainter;

namespace lilyhops {

class frmLilyhops;

// The window's fonts are named as on the desktop the game was made for;
// this maps them to the metric-compatible fonts of a Linux desktop. Safe to
// call more than once. A missing Tahoma stand-in is reported once.
void installFontSubstitutes();
inline constexpr const char* kTahomaFile = "/usr/share/wine/fonts/tahoma.ttf";
inline constexpr const char* kTahomaBoldFile = "/usr/share/wine/fonts/tahomabd.ttf";

// A control's font at the pixel size its points have at 96 dots per inch.
QFont fontOf(const Font& f);

// Colours are stored as &H00BBGGRR.
QColor fromBgr(std::uint32_t bgr);

class PictureStore {
  public:
    // The picture of an art stem, e.g. "frog_north", from ":/pictures/".
    // A missing picture is reported once on standard error and drawn as an
    // outline of its size, so the game goes on.
    const QPixmap& pixmap(const Picture& picture);

  private:
    QHash<QString, QPixmap> cache_;
};

void paint(QPainter& p, const Sprite& s, PictureStore& pictures);
void paint(QPainter& p, const Label& l, PictureStore&);
void paint(QPainter& p, const Shape& s, PictureStore&);
void paint(QPainter& p, const Line& l, PictureStore&);

// The pixels a control may draw on, rounded outward.
QRect pixelBox(const Sprite& s);
QRect pixelBox(const Label& l);
QRect pixelBox(const Shape& s);
QRect pixelBox(const Line& l);

// Paints a window's controls back to front.
template <typename Drawables>
void paintAll(QPainter& p, const Drawables& order, PictureStore& pictures) {
    for (const auto& item : order)
        std::visit([&](const auto* control) { paint(p, *control, pictures); }, item);
}

// The same, skipping the controls that lie wholly outside `only` (pixels, a
// QRect or a QRegion): a clipped-out label would still lay out its text.
template <typename Drawables, typename Area>
void paintAll(QPainter& p, const Drawables& order, PictureStore& pictures, const Area& only) {
    for (const auto& item : order)
        std::visit(
            [&](const auto* control) {
                if (only.intersects(pixelBox(*control)))
                    paint(p, *control, pictures);
            },
            item);
}

// The playfield as the window shows it: 450 x 400 pixels, the band from the
// top of the client area to just below the music bar.
constexpr int kPlayfieldWidthPx = 450;
constexpr int kPlayfieldHeightPx = 400;
QImage composePlayfield(const frmLilyhops& window, PictureStore& pictures);
// The same, drawn `scale` times as large into `frame`, which keeps its
// buffer from one frame to the next when the size stays the same.
void composePlayfield(const frmLilyhops& window, PictureStore& pictures, int scale, QImage& frame);
// Draws again only the playfield pixels in `region` of a frame composed
// before at the same scale; the rest of `frame` is left as it is.
void composePlayfield(const frmLilyhops& window, PictureStore& pictures, int scale, QImage& frame,
                      const QRegion& region);

// The largest whole number of screen pixels per art pixel at which the
// playfield fits into `devicePixels`, at least 1. Whole multiples keep every
// art pixel the same size on screen.
int wholeScale(QSize devicePixels);

} // namespace lilyhops
