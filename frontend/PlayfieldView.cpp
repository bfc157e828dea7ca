#include "frontend/PlayfieldView.h"

#include "frontend/HeldKeys.h"
#include "game/frmLilyhops.h"
#include "recording/InputGate.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

namespace lilyhops {

PlayfieldView::PlayfieldView(frmLilyhops& game, InputGate& gate, QWidget* parent)
    : QWidget(parent), game_(game), gate_(gate), changes_(game) {
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kPlayfieldWidthPx, kPlayfieldHeightPx);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (QGuiApplication::platformName() == "xcb")
        setHoldBackReleases(!useDetectableAutoRepeat());
}

void PlayfieldView::setHoldBackReleases(bool on) {
    if (on && !holdBack_) {
        holdBack_ = new ReleaseHoldBack([this](int code) { deliverRelease(code); }, this);
    } else if (!on && holdBack_) {
        holdBack_->flush();
        delete holdBack_;
        holdBack_ = nullptr;
    }
}

void PlayfieldView::showChanges() {
    // Painted at once rather than at the window system's next update
    // request: the frame shows the instant just run, and the process wakes
    // once per instant instead of twice. Only what changed is painted.
    QRegion art;
    if (!changes_.noteChanges(&art))
        return;
    const Placement at = placement();
    QRegion widget;
    for (const QRect& r : art) {
        // Art pixels to screen pixels to widget units, outward.
        const QRectF device(at.corner + r.topLeft() * at.scale, r.size() * at.scale);
        const QRectF logical(device.topLeft() / at.ratio, device.size() / at.ratio);
        widget += logical.toAlignedRect();
    }
    repaint(widget);
}

PlayfieldView::Placement PlayfieldView::placement() const {
    // At a fractional scale (1.5) a stretched picture would make its pixels
    // alternately one and two screen pixels wide: the art is drawn at the
    // largest whole multiple that fits, and the rest of the widget is a
    // border in the window's colour.
    const qreal ratio = devicePixelRatioF();
    const QSize device = (QSizeF(size()) * ratio).toSize();
    const int scale = wholeScale(device);
    const QPoint corner((device.width() - kPlayfieldWidthPx * scale) / 2,
                        (device.height() - kPlayfieldHeightPx * scale) / 2);
    return {ratio, scale, corner};
}

void PlayfieldView::paintEvent(QPaintEvent* e) {
    ++framesDrawn_;
    const Placement at = placement();
    const QSize art(kPlayfieldWidthPx * at.scale, kPlayfieldHeightPx * at.scale);
    if (frame_.size() != art) {
        composePlayfield(game_, pictures_, at.scale, frame_);
    } else {
        // Only the art pixels under the region asked for are drawn again.
        QRegion dirty;
        for (const QRect& r : e->region()) {
            const QRectF device(QPointF(r.topLeft()) * at.ratio - at.corner,
                                QSizeF(r.size()) * at.ratio);
            const QRectF inArt(device.topLeft() / at.scale, device.size() / at.scale);
            dirty += inArt.toAlignedRect();
        }
        composePlayfield(game_, pictures_, at.scale, frame_,
                         dirty & QRect(0, 0, kPlayfieldWidthPx, kPlayfieldHeightPx));
    }
    // Rectangle by rectangle, each the only one in the clip, for the same
    // reason as in composing the frame: a plain copy on this thread. At a
    // fractional ratio a rectangle's screen pixels are rounded outward, and a
    // pixel's margin keeps every one of them inside the clip.
    QPainter p(this);
    const bool bordered = art != (QSizeF(size()) * at.ratio).toSize();
    const QColor border = fromBgr(game_.BackColor);
    frame_.setDevicePixelRatio(at.ratio);
    const QPointF corner = QPointF(at.corner) / at.ratio;
    for (const QRect& r : e->region()) {
        p.setClipRect(at.ratio == 1 ? r : r.adjusted(-1, -1, 1, 1));
        if (bordered)
            p.fillRect(r, border);
        p.drawImage(corner, frame_);
    }
}

int PlayfieldView::virtualKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // the same codes as ASCII
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    return 0;
}

void PlayfieldView::keyPressEvent(QKeyEvent* e) {
    if (holdBack_)
        holdBack_->press(e->key(), e->timestamp());
    // Auto-repeat brings more key-downs and characters, no key-ups: the
    // game's latch makes a held key act once.
    gate_.keyDown(std::int16_t(virtualKey(e->key())));
    QString text = e->text();
    if (!text.isEmpty() && text[0].unicode() < 0x8000)
        gate_.keyPress(std::int16_t(text[0].unicode()));
    if (afterEvent)
        afterEvent();
}

void PlayfieldView::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat())
        return;
    int code = virtualKey(e->key());
    if (holdBack_)
        holdBack_->release(e->key(), e->timestamp(), code);
    else
        deliverRelease(code);
}

void PlayfieldView::deliverRelease(int code) {
    gate_.keyUp(std::int16_t(code));
    if (afterEvent)
        afterEvent();
}

void PlayfieldView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    // A release held back was meant for this view: it goes before the focus.
    if (holdBack_)
        holdBack_->flush();
    gate_.lostFocus();
}

} // namespace lilyhops
