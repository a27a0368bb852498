#include "framework/numbers.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace mvt {

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

}  // namespace mvt
