#include "frontend/FlatButton.h"

#include <QPainter>

namespace lilyhops {

FlatButton::FlatButton(const QString& text, const QColor& face, QWidget* parent)
    : QPushButton(text, parent), face_(face) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, face_);

    // One-pixel lines along the inside of a rectangle's edges.
    auto bevel = [&p](const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
        p.setPen(topLeft);
        p.drawLine(box.topLeft(), box.topRight() - QPoint(1, 0));
        p.drawLine(box.topLeft(), box.bottomLeft() - QPoint(0, 1));
        p.setPen(bottomRight);
        p.drawLine(box.bottomLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomRight());
    };
    const QColor black(0, 0, 0), white(255, 255, 255), shadow(128, 128, 128);
    if (isDefault() || hasFocus()) {
        bevel(r, black, black);
        r.adjust(1, 1, -1, -1);
    }
    const bool down = isDown();
    if (down) {
        bevel(r, shadow, shadow);
    } else {
        bevel(r, white, black);
        bevel(r.adjusted(1, 1, -1, -1), face_, shadow);
    }

    QRect text = r.adjusted(2, 2, -2, -2);
    if (down)
        text.translate(1, 1);
    p.setFont(font());
    p.setPen(isEnabled() ? palette().color(QPalette::Active, QPalette::ButtonText)
                         : palette().color(QPalette::Disabled, QPalette::ButtonText));
    p.drawText(text, Qt::AlignCenter | Qt::TextShowMnemonic, QPushButton::text());

    if (hasFocus()) {
        QPen dots(black, 1, Qt::DotLine);
        p.setPen(dots);
        p.setBrush(Qt::NoBrush);
        p.drawRect(text.adjusted(1, 1, -2, -2));
    }
}

} // namespace lilyhops
