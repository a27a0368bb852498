// Sizes as the destination screen and the checks of a switch-given folder show them:
// gigabytes of 2^30 bytes, cut (never rounded up) to two decimals, with a decimal separator.
#pragma once

#include <optional>
#include <string>

namespace mvt::install {

// bytes / (2^30 / 100), cut toward zero to a whole number, times 0.01.
double GigabyteFigure(double bytes);

// The shortest general form with up to 15 significant digits, no grouping, no trailing
// zeros, with the given decimal separator: 10 -> "10", 9.31 -> "9,31".
std::string NumberText(double value, char decimalSeparator);

// The required size read from the setup description: missing, unparsable or 0 counts as
// 10 * 2^30 bytes.
double RequiredBytes(const std::optional<double>& fullSize);

// Next may be used only when the cut free figure exceeds the cut required one by 0.1.
bool EnoughSpace(double freeFigure, double requiredFigure);

}  // namespace mvt::install
