#pragma once

// Where a frame is drawn again, as a few whole rectangles. The controls that
// moved in one instant leave dozens of slivers (a car two pixels further on,
// a log a pixel lower); drawn one by one, each would cost its own pass over
// the controls and its own request to the window system, and a region of
// many rectangles makes Qt draw pictures scanline by scanline, splitting tall
// ones across its thread pool. Rectangles that share or touch a row are
// joined into one band across them; copying the unchanged pixels in between
// costs far less.

#include <QRect>
#include <QRegion>
#include <vector>

namespace lilyhops {

// Bands covering every rectangle in `rects` (empty ones ignored), each the
// bounding box of the rectangles that overlap it vertically, with at least
// one row between any two bands. `rects` is reordered.
QRegion dirtyBands(std::vector<QRect>& rects);

} // namespace lilyhops
