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

std::optional<double> ParseNumber(const std::string& text, char decimalSeparator) {
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::string number = text.substr(first, last - first + 1);
    // Only the user's separator is a decimal point; a '.' under a comma locale is not.
    for (char& c : number) {
        if (c == decimalSeparator) {
            c = '.';
        } else if (c == '.' || c == ',') {
            return std::nullopt;
        } else if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' ||
                     c == 'e' || c == 'E')) {
            return std::nullopt;
        }
    }
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

double RequiredBytes(const std::optional<double>& fullSize) {
    constexpr double kDefaultBytes = 10737418240.0;  // 10 * 2^30
    return (!fullSize || *fullSize == 0) ? kDefaultBytes : *fullSize;
}

bool EnoughSpace(double freeFigure, double requiredFigure) {
    return !(freeFigure - requiredFigure < 0.1);
}

}  // namespace wizard
