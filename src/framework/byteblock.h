// Byte blocks of stored control data: a 32-bit little-endian byte count followed by that
// many bytes (bitmap images, wave images, item id lists). No window headers here, so the
// reader also builds natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mvt {

// The payload of the block that starts at data. Raises EReadError ("Stream read error")
// when fewer than four bytes are given or the count reaches past the end; bytes after the
// block are not looked at.
std::vector<uint8_t> ReadByteBlock(const uint8_t* data, size_t size);

// The block for a payload: its count, then the bytes.
std::vector<uint8_t> WriteByteBlock(const std::vector<uint8_t>& payload);

}  // namespace mvt
