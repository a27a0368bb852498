// SHA-256 and random bytes through the system's own crypto functions (bcrypt.dll, taken from
// the system folder at run time, since it is not a KnownDLL).
#pragma once

#include <string>

namespace mvt {

// The SHA-256 of `bytes` as 64 lower-case hexadecimal digits; empty when the system's
// crypto functions are not available or fail.
std::string Sha256Hex(const std::string& bytes);

// `count` bytes from the system's random generator as lower-case hexadecimal digits; empty
// when the generator is not available.
std::string SystemRandomHex(size_t count);

}  // namespace mvt
