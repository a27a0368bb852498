#include "wizard/size_figures.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace wizard {

double GigabyteFigure(double bytes) {
    // The division runs in extended precision: in double precision 10 * 2^30 bytes would
    // come out as 999.99999… hundredths and be cut to 9,99 instead of 10. Cutting through
    // an integer also keeps a tiny negative value at 0 rather than -0.
    long double hundredths = static_cast<long double>(bytes) / 10737418.24L;
    return static_cast<double>(static_cast<int64_t>(hundredths)) * 0.01;
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

}  // namespace wizard
