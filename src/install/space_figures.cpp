#include "install/space_figures.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace mvt::install {

double GigabyteFigure(double bytes) {
    // The division runs in extended precision: in double precision 10 * 2^30 bytes would
    // come out as 999.99999… hundredths and be cut to 9,99 instead of 10. The cut stays in
    // floating point, so that no size is too large for it; adding 0 turns the -0 of a tiny
    // negative value into 0.
    long double hundredths = std::trunc(static_cast<long double>(bytes) / 10737418.24L);
    return static_cast<double>(hundredths) * 0.01 + 0.0;
}

std::string NumberText(double value, char decimalSeparator) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    for (char& c : text)
        if (c == '.') c = decimalSeparator;
    return text;
}

double RequiredBytes(const std::optional<double>& fullSize) {
    constexpr double kDefaultBytes = 10737418240.0;  // 10 * 2^30
    return (!fullSize || *fullSize == 0) ? kDefaultBytes : *fullSize;
}

bool EnoughSpace(double freeFigure, double requiredFigure) {
    return !(freeFigure - requiredFigure < 0.1);
}

}  // namespace mvt::install
