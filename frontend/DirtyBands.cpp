#include "frontend/DirtyBands.h"

#include <algorithm>

namespace lilyhops {

namespace {
// Splits the band `rows` into runs across the rectangles in it, joining
// those less than kJoinGap pixels apart.
void addRuns(QRegion& out, const QRect& rows, std::vector<QRect>::iterator first,
             std::vector<QRect>::iterator last) {
    std::sort(first, last, [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
    int runLeft = first->left(), runRight = first->right();
    for (auto it = first + 1; it != last; ++it) {
        if (it->left() <= runRight + kJoinGap) {
            runRight = std::max(runRight, it->right());
        } else {
            out += QRect(QPoint(runLeft, rows.top()), QPoint(runRight, rows.bottom()));
            runLeft = it->left();
            runRight = it->right();
        }
    }
    out += QRect(QPoint(runLeft, rows.top()), QPoint(runRight, rows.bottom()));
}
} // namespace

QRegion dirtyBands(std::vector<QRect>& rects) {
    std::erase_if(rects, [](const QRect& r) { return r.isEmpty(); });
    std::sort(rects.begin(), rects.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    QRegion bands;
    auto first = rects.begin();
    QRect rows;
    for (auto it = rects.begin(); it != rects.end(); ++it) {
        // Sorted by top, a rectangle that starts below the band and the row
        // under it belongs to no band so far, nor does any after it.
        if (rows.isValid() && it->top() > rows.bottom() + 1) {
            addRuns(bands, rows, first, it);
            first = it;
            rows = QRect();
        }
        rows |= *it;
    }
    if (rows.isValid())
        addRuns(bands, rows, first, rects.end());
    return bands;
}

} // namespace lilyhops
