#pragma once

// Tells the playfield when it needs a new frame. It keeps what the last frame
// showed of every control in the drawing order and compares the game's
// controls with it; only what a player can see counts, so a hidden control,
// or one parked out of view below the playfield, may change as it likes
// without costing a frame.

#include "game/frmLilyhops.h"

#include <QRect>
#include <QRegion>

#include <cstdint>
#include <string>
#include <vector>

namespace lilyhops {

class FrameChanges {
  public:
    explicit FrameChanges(const frmLilyhops& game);

    // True when something drawn differs from what was noted last time (or
    // nothing was noted yet); notes the present look either way. With
    // `dirty`, adds the playfield pixels that must be drawn again: where each
    // changed control was and where it is now, joined into a few bands (see
    // DirtyBands.h).
    bool noteChanges(QRegion* dirty = nullptr);

  private:
    // One control as it shows on screen. A control that does not show at
    // all keeps only `shows == false`, whatever its other values.
    struct Look {
        bool shows = false;
        float left = 0, top = 0, width = 0, height = 0;
        const Picture* picture = nullptr;
        std::uint32_t colour1 = 0, colour2 = 0;
        bool flag1 = false, flag2 = false;
        std::string caption;
        bool operator==(const Look&) const = default;
        // Where it is drawn, in playfield pixels (nothing unless it shows).
        QRect pixels() const;
    };
    static void lookOf(const Sprite& s, Look& out);
    static void lookOf(const Label& l, Look& out);
    static void lookOf(const Shape& s, Look& out);

    const frmLilyhops& game_;
    const std::vector<frmLilyhops::Drawable> order_; // fixed: controls live as long as the game
    std::vector<Look> shown_;
    std::uint32_t shownBackColor_ = 0;
    bool noted_ = false;
    std::vector<QRect> changedPixels_; // kept to reuse its buffer
};

} // namespace lilyhops
