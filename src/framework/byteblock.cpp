#include "framework/byteblock.h"

#include <algorithm>

#include "framework/sysutils.h"

namespace mvt {

std::vector<uint8_t> ReadByteBlock(const uint8_t* data, size_t size) {
    if (!data || size < 4) throw EReadError("Stream read error");
    uint32_t count = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    if (count > size - 4) throw EReadError("Stream read error");
    return std::vector<uint8_t>(data + 4, data + 4 + count);
}

std::vector<uint8_t> WriteByteBlock(const std::vector<uint8_t>& payload) {
    auto count = static_cast<uint32_t>(payload.size());
    std::vector<uint8_t> block(4 + payload.size());
    for (int i = 0; i < 4; ++i) block[i] = static_cast<uint8_t>(count >> (8 * i));
    std::copy(payload.begin(), payload.end(), block.begin() + 4);
    return block;
}

}  // namespace mvt
