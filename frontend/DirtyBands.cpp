#include "frontend/DirtyBands.h"

#include <algorithm>

namespace lilyhops {

QRegion dirtyBands(std::vector<QRect>& rects) {
    std::erase_if(rects, [](const QRect& r) { return r.isEmpty(); });
    std::sort(rects.begin(), rects.end(),
              [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    QRegion bands;
    QRect band;
    for (const QRect& r : rects) {
        // Sorted by top, a rectangle that starts below the band and the row
        // under it belongs to no band so far, nor does any after it.
        if (band.isValid() && r.top() <= band.bottom() + 1) {
            band |= r;
        } else {
            if (band.isValid())
                bands += band;
            band = r;
        }
    }
    if (band.isValid())
        bands += band;
    return bands;
}

} // namespace lilyhops
