#pragma once

// The playfield: the game's controls composed at their native 450 pixels and
// scaled up without smoothing, so the pixel art stays sharp. It stands in
// for the hidden text box that catches the keys: it holds the keyboard focus
// and hands every key to the game.

#include "frontend/Painting.h"

#include <QWidget>
#include <functional>

namespace lilyhops {

class frmLilyhops;

class PlayfieldView : public QWidget {
    Q_OBJECT
  public:
    PlayfieldView(frmLilyhops& game, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {kPlayfieldWidthPx, kPlayfieldHeightPx}; }

    // Called after the game has handled a key, so the window can refresh.
    std::function<void()> afterEvent;

    // The key code the game knows for a Qt key (Windows virtual-key codes:
    // Enter 13, Esc 27, Space 32, arrows 37-40, digits, capital letters).
    static int virtualKey(int qtKey);

  protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; } // Tab is a key too

  private:
    frmLilyhops& game_;
    PictureStore pictures_;
};

} // namespace lilyhops
