// SHA-256 through the system's own crypto functions (bcrypt.dll, taken from the system
// folder at run time, since it is not a KnownDLL).
#pragma once

#include <string>

namespace mvt {

// The SHA-256 of `bytes` as 64 lower-case hexadecimal digits; empty when the system's
// crypto functions are not available or fail.
std::string Sha256Hex(const std::string& bytes);

}  // namespace mvt
