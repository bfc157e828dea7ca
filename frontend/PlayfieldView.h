#pragma once

// The playfield: the game's controls composed at their native 450 pixels and
// scaled up without smoothing, so the pixel art stays sharp. It stands in
// for the hidden text box that catches the keys: it holds the keyboard focus
// and hands every key to the game through the window's input gate.

#include "frontend/Painting.h"

#include <QWidget>
#include <functional>

namespace lilyhops {

class frmLilyhops;
class InputGate;
class ReleaseHoldBack;

class PlayfieldView : public QWidget {
    Q_OBJECT
  public:
    PlayfieldView(frmLilyhops& game, InputGate& gate, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {kPlayfieldWidthPx, kPlayfieldHeightPx}; }

    // Called after the game has handled a key, so the window can refresh.
    std::function<void()> afterEvent;

    // The key code the game knows for a Qt key (Windows virtual-key codes:
    // Enter 13, Esc 27, Space 32, arrows 37-40, digits, capital letters).
    static int virtualKey(int qtKey);

    // Whether unmarked key releases are held back to see if they belong to
    // a repeat (see HeldKeys.h). On by itself on X11 when the server cannot
    // send held keys without releases.
    void setHoldBackReleases(bool on);
    bool holdsBackReleases() const { return holdBack_ != nullptr; }

  protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; } // Tab is a key too

  private:
    void deliverRelease(int code);

    frmLilyhops& game_;
    InputGate& gate_;
    ReleaseHoldBack* holdBack_ = nullptr;
    PictureStore pictures_;
};

} // namespace lilyhops
