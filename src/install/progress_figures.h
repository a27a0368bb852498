// The progress screen's arithmetic, free of window code: the total percent after a report
// of the zip component, the file name shown, and the wedges that hide the part of the ring
// picture not reached yet. What a medium is (folders, rules, FullSize) is medium_layout.h.
#pragma once

#include <cstdint>
#include <string>

namespace mvt::install {

// The whole total percent after a report of the zip component: the item's share done
// (totalSize × perCent ÷ 100) plus what is already done, of fullSize, rounded to the
// nearest with halves to even, and never above 100.
int TotalPercent(uint64_t totalSize, int32_t perCent, double doneSize, double fullSize);

// The name shown for a reported item: the part after its last '\' or ':', ASCII
// lower-cased; nothing for the directory read's reports.
std::string ShownFileName(const std::string& item);

// Round-half-to-even to the nearest integer.
int64_t NearestEven(long double value);

// The two white pie wedges that leave visible only the lower x % of a ring picture of
// width × height: each from the radial through (x1, y1) counter-clockwise to the radial
// through (x2, y2) of the ellipse inscribed in the picture.
struct Wedge {
    int x1, y1, x2, y2;
};
struct RingCover {
    bool whole;  // x ≥ 99.8: the untouched ring, no wedges
    Wedge first, second;
};
RingCover RingCoverFor(double percent, int width, int height);

// The part of the ring picture in which the covers of two percents can differ: around the
// slices of the ellipse between the two covers' edges, on either side, with a margin for
// the rasterised edges. All of the picture when either percent is outside 0 … 99.8, where
// a cover is whole or reaches past the bottom.
struct RingArea {
    int left, top, right, bottom;
};
RingArea RingChangeArea(double from, double to, int width, int height);

}  // namespace mvt::install
