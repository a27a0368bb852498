// Numbers as the user writes them: decimal figures with the locale's separator. No window
// code here, so the parsing builds and tests anywhere.
#pragma once

#include <optional>
#include <string>

namespace mvt {

// A decimal number written with the given separator (optional sign, digits, fraction,
// exponent; surrounding blanks allowed). Anything else gives no value.
std::optional<double> ParseNumber(const std::string& text, char decimalSeparator);

}  // namespace mvt
