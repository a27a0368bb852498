#include "install/progress_figures.h"

#include <cfenv>
#include <cmath>

#include "install/medium_layout.h"

namespace mvt::install {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

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
    const long double a = (percent * 0.02L - 1) * kPi / 2;
    const long double b = kPi - a;
    const int topX = static_cast<int>(NearestEven(w * 0.5L));
    cover.first = {static_cast<int>(NearestEven((std::cos(a) + 1) * w * 0.5L)),
                   static_cast<int>(NearestEven((1 - std::sin(a)) * h * 0.5L)), topX, 0};
    cover.second = {topX, 0, static_cast<int>(NearestEven((std::cos(b) + 1) * w * 0.5L)),
                    static_cast<int>(NearestEven((1 - std::sin(b)) * h * 0.5L))};
    return cover;
}

}  // namespace mvt::install
