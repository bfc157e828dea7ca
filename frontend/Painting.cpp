#include "frontend/Painting.h"

#include "game/frmLilyhops.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <iostream>

namespace lilyhops {

namespace {
QRectF twipsRect(float left, float top, float width, float height) {
    return QRectF(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                  height / kTwipsPerPixel);
}
} // namespace

void installFontSubstitutes() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"});
    QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"});
    QFont::insertSubstitutions("Courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
    // Tahoma has no metric-compatible face among the usual Linux fonts: the
    // one Debian ships in fonts-wine keeps Tahoma's widths, so the credits
    // fill their labels as designed. It lives outside the fontconfig folders
    // and is added to the game's own fonts.
    bool tahoma = false;
    for (const char* file : {kTahomaFile, kTahomaBoldFile})
        if (QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0)
            tahoma = true;
    if (!tahoma) {
        std::cerr << "lilyhops: cannot load the Tahoma face " << kTahomaFile
                  << " (Debian package fonts-wine); the About window uses a narrower face\n";
        // Too narrow, but wider faces wrap "Emotional Support" onto two lines.
        QFont::insertSubstitutions(
            "Tahoma", {"Liberation Sans Narrow", "DejaVu Sans Condensed", "DejaVu Sans"});
    }
}

QColor fromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QFont fontOf(const Font& f) {
    QFont font(QString::fromStdString(f.family));
    // Points at 96 dots per inch, the resolution the layout was made for.
    font.setPixelSize(std::max(1, int(std::lround(f.points * 96.0 / 72.0))));
    font.setBold(f.bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

const QPixmap& PictureStore::pixmap(const Picture& picture) {
    QString art = QString::fromStdString(picture.art);
    auto it = cache_.find(art);
    if (it != cache_.end())
        return *it;
    QString path = ":/pictures/" + art + ".gif";
    QPixmap pm(path);
    if (pm.isNull()) {
        std::cerr << "lilyhops: cannot load the picture " << path.toStdString()
                  << "; drawing an outline instead\n";
        pm = QPixmap(std::max(1, picture.widthPx), std::max(1, picture.heightPx));
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(Qt::magenta);
        p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    }
    return *cache_.insert(art, pm);
}

namespace {
QRect outward(float left, float top, float width, float height) {
    return twipsRect(left, top, width, height).toAlignedRect();
}
} // namespace

QRect pixelBox(const Sprite& s) {
    return outward(s.Left, s.Top, s.Width, s.Height);
}
QRect pixelBox(const Label& l) {
    return outward(l.Left, l.Top, l.Width, l.Height);
}
QRect pixelBox(const Shape& s) {
    return outward(s.Left, s.Top, s.Width, s.Height);
}
QRect pixelBox(const Line& l) {
    // The pen's half width and square caps reach past the end points.
    const float reach = float(l.widthPx) * kTwipsPerPixel;
    const float x0 = std::min(l.X1, l.X2) - reach, y0 = std::min(l.Y1, l.Y2) - reach;
    return outward(x0, y0, std::abs(l.X2 - l.X1) + 2 * reach, std::abs(l.Y2 - l.Y1) + 2 * reach);
}

void paint(QPainter& p, const Sprite& s, PictureStore& pictures) {
    if (!s.Visible || !s.picture)
        return;
    const QPixmap& pm = pictures.pixmap(*s.picture);
    // At a whole number of screen pixels per picture pixel every pixel is a
    // sharp block. At a fractional one (a window at scale 1.5) blocks would
    // alternate between one and two screen pixels, so the picture is
    // smoothed instead.
    const qreal scale = p.deviceTransform().m11();
    const bool whole = std::abs(scale - std::round(scale)) < 1e-6;
    const bool smoothed = p.testRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
    if (s.stretch) {
        QRectF target = twipsRect(s.Left, s.Top, s.Width, s.Height);
        if (target.width() > 0 && target.height() > 0)
            p.drawPixmap(target, pm, QRectF(pm.rect()));
    } else {
        // An unstretched picture is drawn at its own size, clipped to the
        // sprite's box.
        QRectF box = twipsRect(s.Left, s.Top, s.Width, s.Height);
        QRectF source(0, 0, std::min<qreal>(pm.width(), box.width()),
                      std::min<qreal>(pm.height(), box.height()));
        p.drawPixmap(QRectF(box.topLeft(), source.size()), pm, source);
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, smoothed);
}

void paint(QPainter& p, const Label& l, PictureStore&) {
    if (!l.Visible)
        return;
    QRectF box = twipsRect(l.Left, l.Top, l.Width, l.Height);
    if (!l.transparent)
        p.fillRect(box, fromBgr(l.BackColor));
    // A label's text never spills out of its box.
    p.save();
    p.setClipRect(box, Qt::IntersectClip);
    p.setFont(fontOf(l.font));
    p.setPen(fromBgr(l.ForeColor));
    int align = Qt::AlignTop | Qt::TextWordWrap;
    align |= l.alignment == Alignment::Right    ? Qt::AlignRight
             : l.alignment == Alignment::Center ? Qt::AlignHCenter
                                                : Qt::AlignLeft;
    p.drawText(box, align, QString::fromStdString(l.Caption));
    p.restore();
}

void paint(QPainter& p, const Shape& s, PictureStore&) {
    QRectF box = twipsRect(s.Left, s.Top, s.Width, s.Height);
    if (box.width() <= 0 || box.height() <= 0)
        return;
    if (s.filled)
        p.fillRect(box, fromBgr(s.FillColor));
    if (s.outline) {
        // A one-pixel border just inside the box, as four strips: a stroked
        // rectangle loses its corners to the pen's joins at larger scales.
        const QColor border = fromBgr(s.BorderColor);
        const qreal w = std::min<qreal>(1.0, std::min(box.width(), box.height()) / 2);
        p.fillRect(QRectF(box.left(), box.top(), box.width(), w), border);
        p.fillRect(QRectF(box.left(), box.bottom() - w, box.width(), w), border);
        p.fillRect(QRectF(box.left(), box.top(), w, box.height()), border);
        p.fillRect(QRectF(box.right() - w, box.top(), w, box.height()), border);
    }
}

void paint(QPainter& p, const Line& l, PictureStore&) {
    p.setPen(QPen(fromBgr(l.color), l.widthPx, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(QPointF(l.X1 / kTwipsPerPixel, l.Y1 / kTwipsPerPixel),
               QPointF(l.X2 / kTwipsPerPixel, l.Y2 / kTwipsPerPixel));
}

QImage composePlayfield(const frmLilyhops& window, PictureStore& pictures) {
    QImage image;
    composePlayfield(window, pictures, 1, image);
    return image;
}

void composePlayfield(const frmLilyhops& window, PictureStore& pictures, int scale, QImage& frame) {
    const QSize size(kPlayfieldWidthPx * scale, kPlayfieldHeightPx * scale);
    if (frame.size() != size || frame.format() != QImage::Format_RGB32)
        frame = QImage(size, QImage::Format_RGB32);
    composePlayfield(window, pictures, scale, frame,
                     QRegion(0, 0, kPlayfieldWidthPx, kPlayfieldHeightPx));
}

void composePlayfield(const frmLilyhops& window, PictureStore& pictures, int scale, QImage& frame,
                      const QRegion& region) {
    frame.setDevicePixelRatio(1);
    QPainter p(&frame);
    // Whole steps and no smoothing: each art pixel becomes a scale x scale block.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.scale(scale, scale);
    // One rectangle at a time, each alone in the clip: through a clip of one
    // rectangle Qt copies a picture row by row on this thread; through one of
    // several it goes scanline by scanline, and hands a tall picture to its
    // thread pool, waking two threads for a few microseconds of work.
    const QColor back = fromBgr(window.BackColor);
    const auto order = window.drawingOrder();
    for (const QRect& r : region) {
        p.setClipRect(r);
        p.fillRect(r, back);
        paintAll(p, order, pictures, r);
    }
}

int wholeScale(QSize devicePixels) {
    return std::max(1, std::min(devicePixels.width() / kPlayfieldWidthPx,
                                devicePixels.height() / kPlayfieldHeightPx));
}

} // namespace lilyhops
