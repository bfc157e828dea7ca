#pragma once

// Where a frame is drawn again, as a few whole rectangles. The controls that
// moved in one instant leave dozens of slivers (a car two pixels further on,
// a log a pixel lower); drawn one by one, each would cost its own pass over
// the controls and its own request to the window system, and a region of
// many rectangles makes Qt draw pictures scanline by scanline, splitting tall
// ones across its thread pool. Rectangles that share or touch a row make one
// band of rows; across a band, those close together make one run, and the
// unchanged pixels between them are drawn again, which costs less than
// another rectangle. Far-apart ones (cars at both ends of a lane) stay apart,
// so the wide gap between them is not copied twice for nothing.

#include <QRect>
#include <QRegion>
#include <vector>

namespace lilyhops {

// Rectangles closer than this, in pixels, across a band are drawn as one.
inline constexpr int kJoinGap = 16;

// Rectangles covering every one in `rects` (empty ones ignored). Each band
// spans the rows of the rectangles that share or touch its rows, with at
// least one row between two bands; in a band, runs span all its rows and the
// columns of rectangles less than kJoinGap apart, with at least kJoinGap
// columns between two runs. `rects` is reordered.
QRegion dirtyBands(std::vector<QRect>& rects);

} // namespace lilyhops
