#pragma once

// The look of the game's menus: a ticked item shows a plain check mark and an
// unticked one shows nothing at all, as in the classic menus the game comes
// from, instead of the empty box the desktop styles draw for every checkable
// item. Everything else is left to the desktop's own style.

#include <QProxyStyle>

namespace lilyhops {

class MenuStyle : public QProxyStyle {
    Q_OBJECT
  public:
    MenuStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace lilyhops
