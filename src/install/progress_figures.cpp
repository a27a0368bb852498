#include "install/progress_figures.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "install/medium_layout.h"

namespace mvt::install {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// The angle of the right-hand edge of the cover at `percent` (the left-hand one mirrors it):
// the bottom at 0 %, the top at 100 %.
long double CoverEdge(double percent) {
    return (percent * 0.02L - 1) * kPi / 2;
}

struct Bounds {
    long double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
    void Add(long double x, long double y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

// The slice of the ellipse inscribed in w × h from angle `from` counter-clockwise to `to`:
// its centre, its two ends and the ellipse's outermost points between them.
void AddSlice(Bounds& bounds, long double from, long double to, long double w, long double h) {
    const auto point = [&](long double angle) {
        bounds.Add((std::cos(angle) + 1) * w * 0.5L, (1 - std::sin(angle)) * h * 0.5L);
    };
    bounds.Add(w * 0.5L, h * 0.5L);
    point(from);
    point(to);
    for (int quarter = -4; quarter <= 4; ++quarter)
        if (quarter * kPi / 2 > from && quarter * kPi / 2 < to) point(quarter * kPi / 2);
}

}  // namespace

int64_t NearestEven(long double value) {
    // llrintl rounds in the current mode, which is to-nearest-even unless someone changed it.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long long result = std::llrintl(value);
    std::fesetround(mode);
    return result;
}

int TotalPercent(uint64_t totalSize, int32_t perCent, double doneSize, double fullSize) {
    const int64_t share = static_cast<int64_t>(totalSize) * perCent;
    const long double percent = (static_cast<long double>(share) / 100 + doneSize) * 100 /
                                static_cast<long double>(fullSize);
    if (!(percent < 100)) return 100;  // also catches a NaN
    if (percent < static_cast<long double>(INT32_MIN)) return INT32_MIN;
    return static_cast<int>(NearestEven(percent));
}

std::string ShownFileName(const std::string& item) {
    if (item == "*Loading Directory") return {};
    const size_t cut = item.find_last_of("\\:");
    return AsciiLower(cut == std::string::npos ? item : item.substr(cut + 1));
}

RingCover RingCoverFor(double percent, int width, int height) {
    RingCover cover{};
    if (static_cast<long double>(percent) >= 99.8L) {
        cover.whole = true;
        return cover;
    }
    const long double w = width, h = height;
    const long double a = CoverEdge(percent);
    const long double b = kPi - a;
    const int topX = static_cast<int>(NearestEven(w * 0.5L));
    cover.first = {static_cast<int>(NearestEven((std::cos(a) + 1) * w * 0.5L)),
                   static_cast<int>(NearestEven((1 - std::sin(a)) * h * 0.5L)), topX, 0};
    cover.second = {topX, 0, static_cast<int>(NearestEven((std::cos(b) + 1) * w * 0.5L)),
                    static_cast<int>(NearestEven((1 - std::sin(b)) * h * 0.5L))};
    return cover;
}

RingArea RingChangeArea(double from, double to, int width, int height) {
    const RingArea all{0, 0, width, height};
    const auto inside = [](double percent) { return percent >= 0 && percent < 99.8; };
    if (!inside(from) || !inside(to)) return all;
    // The pixels along an edge may go either way by a pixel or two.
    constexpr int kMargin = 3;
    const long double a = CoverEdge(std::min(from, to)), b = CoverEdge(std::max(from, to));
    Bounds bounds;
    AddSlice(bounds, a, b, width, height);
    AddSlice(bounds, kPi - b, kPi - a, width, height);
    return {std::max(0, static_cast<int>(std::floor(bounds.left)) - kMargin),
            std::max(0, static_cast<int>(std::floor(bounds.top)) - kMargin),
            std::min(width, static_cast<int>(std::ceil(bounds.right)) + 1 + kMargin),
            std::min(height, static_cast<int>(std::ceil(bounds.bottom)) + 1 + kMargin)};
}

}  // namespace mvt::install
