// CRC-32 of the zip format, with carry-less multiplication where the processor has it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ziplib {

// Continues `crc` (0 to start) over `size` bytes; the same result as zlib's crc32().
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace ziplib
