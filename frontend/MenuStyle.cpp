#include "frontend/MenuStyle.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>

namespace lilyhops {

namespace {

// A tick as the old menus drew it: a short stroke down to the right, a long
// one up to the right, filling most of the indicator's box.
void drawCheckMark(QPainter* painter, const QRect& box, const QColor& colour) {
    const qreal size = std::min(box.width(), box.height()) * 0.8;
    const QPointF centre = QRectF(box).center();
    QPainterPath tick;
    tick.moveTo(centre + QPointF(-0.45 * size, 0.0));
    tick.lineTo(centre + QPointF(-0.12 * size, 0.33 * size));
    tick.lineTo(centre + QPointF(0.45 * size, -0.33 * size));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(
        QPen(colour, std::max(1.5, size / 5.0), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(tick);
    painter->restore();
}

} // namespace

// Built on a fresh copy of the application's own style, so the menus look
// like the rest of the desktop but for the check marks.
MenuStyle::MenuStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

void MenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
    const bool checkInMenu =
        (element == PE_IndicatorCheckBox || element == PE_IndicatorMenuCheckMark) &&
        qobject_cast<const QMenu*>(widget);
    if (!checkInMenu) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Some styles hand the mark a menu item's own option, in which State_On
    // means highlighted and the tick is `checked`.
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const bool ticked = item ? item->checked : bool(option->state & State_On);
    if (!ticked)
        return; // unticked: nothing, not an empty box
    const bool enabled = option->state & State_Enabled;
    const bool selected = enabled && (option->state & State_Selected);
    const QColor colour =
        option->palette.color(enabled ? QPalette::Active : QPalette::Disabled,
                              selected ? QPalette::HighlightedText : QPalette::Text);
    drawCheckMark(painter, option->rect, colour);
}

} // namespace lilyhops
