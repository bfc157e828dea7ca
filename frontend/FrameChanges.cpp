#include "frontend/FrameChanges.h"

#include "frontend/DirtyBands.h"
#include "frontend/Painting.h"

#include <cmath>

namespace lilyhops {

namespace {
// The playfield in twips: what lies wholly outside it is never seen.
constexpr float kViewWidth = float(kPlayfieldWidthPx * kTwipsPerPixel);
constexpr float kViewHeight = float(kPlayfieldHeightPx * kTwipsPerPixel);

bool inView(float left, float top, float width, float height) {
    return width > 0 && height > 0 && left < kViewWidth && top < kViewHeight && left + width > 0 &&
           top + height > 0;
}
} // namespace

FrameChanges::FrameChanges(const frmLilyhops& game)
    : game_(game), order_(game.drawingOrder()), shown_(order_.size()) {}

void FrameChanges::lookOf(const Sprite& s, Look& out) {
    out.shows = s.Visible && s.picture && inView(s.Left, s.Top, s.Width, s.Height);
    if (!out.shows)
        return;
    out.left = s.Left, out.top = s.Top, out.width = s.Width, out.height = s.Height;
    out.picture = s.picture;
    out.flag1 = s.stretch;
}

void FrameChanges::lookOf(const Label& l, Look& out) {
    out.shows = l.Visible && inView(l.Left, l.Top, l.Width, l.Height);
    if (!out.shows)
        return;
    out.left = l.Left, out.top = l.Top, out.width = l.Width, out.height = l.Height;
    out.colour1 = l.ForeColor;
    out.colour2 = l.transparent ? 0 : l.BackColor;
    out.flag1 = l.transparent;
    out.caption = l.Caption;
}

void FrameChanges::lookOf(const Shape& s, Look& out) {
    out.shows = (s.filled || s.outline) && inView(s.Left, s.Top, s.Width, s.Height);
    if (!out.shows)
        return;
    out.left = s.Left, out.top = s.Top, out.width = s.Width, out.height = s.Height;
    out.colour1 = s.filled ? s.FillColor : 0;
    out.colour2 = s.outline ? s.BorderColor : 0;
    out.flag1 = s.filled;
    out.flag2 = s.outline;
}

QRect FrameChanges::Look::pixels() const {
    if (!shows)
        return {};
    // Outward to whole pixels: a control on a fractional pixel touches both.
    const auto px = [](float twips) { return twips / float(kTwipsPerPixel); };
    const int x0 = int(std::floor(px(left))), y0 = int(std::floor(px(top)));
    const int x1 = int(std::ceil(px(left + width))), y1 = int(std::ceil(px(top + height)));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

bool FrameChanges::noteChanges(QRegion* dirty) {
    const QRect view(0, 0, kPlayfieldWidthPx, kPlayfieldHeightPx);
    bool changed = false;
    changedPixels_.clear();
    if (!noted_ || game_.BackColor != shownBackColor_) {
        changed = true;
        changedPixels_.push_back(view);
    }
    noted_ = true;
    shownBackColor_ = game_.BackColor;
    for (std::size_t i = 0; i < order_.size(); ++i) {
        Look look; // the game's captions are short: no allocation here
        std::visit([&look](const auto* control) { lookOf(*control, look); }, order_[i]);
        if (look != shown_[i]) {
            if (dirty) {
                changedPixels_.push_back(shown_[i].pixels().intersected(view));
                changedPixels_.push_back(look.pixels().intersected(view));
            }
            shown_[i] = std::move(look);
            changed = true;
        }
    }
    if (dirty && changed)
        *dirty += dirtyBands(changedPixels_);
    return changed;
}

} // namespace lilyhops
