#include "frontend/FrameChanges.h"

#include "frontend/Painting.h"

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

bool FrameChanges::noteChanges() {
    bool changed = !noted_ || game_.BackColor != shownBackColor_;
    noted_ = true;
    shownBackColor_ = game_.BackColor;
    for (std::size_t i = 0; i < order_.size(); ++i) {
        Look look; // the game's captions are short: no allocation here
        std::visit([&look](const auto* control) { lookOf(*control, look); }, order_[i]);
        if (look != shown_[i]) {
            shown_[i] = std::move(look);
            changed = true;
        }
    }
    return changed;
}

} // namespace lilyhops
