#include "frontend/Painting.h"

#include "game/frmLilyhops.h"

#include <QFont>
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
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"});
    QFont::insertSubstitutions("Tahoma",
                               {"Liberation Sans Narrow", "Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"});
    QFont::insertSubstitutions("Courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
}

QColor fromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
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

void paint(QPainter& p, const Sprite& s, PictureStore& pictures) {
    if (!s.Visible || !s.picture)
        return;
    const QPixmap& pm = pictures.pixmap(*s.picture);
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
}

void paint(QPainter& p, const Label& l, PictureStore&) {
    if (!l.Visible)
        return;
    QRectF box = twipsRect(l.Left, l.Top, l.Width, l.Height);
    if (!l.transparent)
        p.fillRect(box, fromBgr(l.BackColor));
    QFont font(QString::fromStdString(l.font.family));
    // Points at 96 dots per inch, the resolution the layout was made for.
    font.setPixelSize(std::max(1, int(std::lround(l.font.points * 96.0 / 72.0))));
    font.setBold(l.font.bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    p.setFont(font);
    p.setPen(fromBgr(l.ForeColor));
    int align = Qt::AlignTop | Qt::TextWordWrap;
    align |= l.alignment == Alignment::Right    ? Qt::AlignRight
             : l.alignment == Alignment::Center ? Qt::AlignHCenter
                                                : Qt::AlignLeft;
    p.drawText(box, align, QString::fromStdString(l.Caption));
}

void paint(QPainter& p, const Shape& s, PictureStore&) {
    QRectF box = twipsRect(s.Left, s.Top, s.Width, s.Height);
    if (box.width() <= 0 || box.height() <= 0)
        return;
    if (s.filled)
        p.fillRect(box, fromBgr(s.FillColor));
    if (s.outline) {
        p.setPen(QPen(fromBgr(s.BorderColor), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void paint(QPainter& p, const Line& l, PictureStore&) {
    p.setPen(QPen(fromBgr(l.color), l.widthPx, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(QPointF(l.X1 / kTwipsPerPixel, l.Y1 / kTwipsPerPixel),
               QPointF(l.X2 / kTwipsPerPixel, l.Y2 / kTwipsPerPixel));
}

QImage composePlayfield(const frmLilyhops& window, PictureStore& pictures) {
    QImage image(kPlayfieldWidthPx, kPlayfieldHeightPx, QImage::Format_RGB32);
    image.fill(fromBgr(window.BackColor));
    QPainter p(&image);
    paintAll(p, window.drawingOrder(), pictures);
    return image;
}

} // namespace lilyhops
