#pragma once

// The playfield: the game's controls composed at their native 450 pixels, or
// at a whole multiple of them on a dense screen, and centred, so the pixel
// art stays sharp at any scale. A frame is drawn only when something a player
// can see has changed. It stands in for the hidden text box that catches the
// keys: it holds the keyboard focus and hands every key to the game through
// the window's input gate.

#include "frontend/FrameChanges.h"
#include "frontend/Painting.h"

#include <QImage>
#include <QWidget>
#include <cstdint>
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

    // Asks for a new frame when something drawn differs from the last one.
    void showChanges();
    // Frames painted since the playfield was made.
    std::uint64_t framesDrawn() const { return framesDrawn_; }
    // The playfield as last composed, at the scale it is shown at.
    const QImage& frame() const { return frame_; }

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
    // Where the art lies in the widget: screen pixels per art pixel and the
    // art's top-left corner, in screen pixels.
    struct Placement {
        qreal ratio;
        int scale;
        QPoint corner;
    };
    Placement placement() const;

    void deliverRelease(int code);

    frmLilyhops& game_;
    InputGate& gate_;
    ReleaseHoldBack* holdBack_ = nullptr;
    PictureStore pictures_;
    FrameChanges changes_;
    QImage frame_;
    std::uint64_t framesDrawn_ = 0;
};

} // namespace lilyhops
