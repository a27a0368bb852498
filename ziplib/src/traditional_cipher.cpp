#include "traditional_cipher.h"

#include <array>

namespace ziplib {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t CrcStep(uint32_t crc, uint8_t b) {
    return kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

}  // namespace

TraditionalCipher::TraditionalCipher(std::string_view password) {
    for (char c : password) Update(static_cast<uint8_t>(c));
}

void TraditionalCipher::Update(uint8_t plain) {
    key0_ = CrcStep(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = CrcStep(key2_, static_cast<uint8_t>(key1_ >> 24));
}

uint8_t TraditionalCipher::StreamByte() const {
    const uint32_t t = (key2_ | 2) & 0xFFFF;  // unsigned: the product exceeds an int
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

void TraditionalCipher::Decrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        data[i] ^= StreamByte();
        Update(data[i]);
    }
}

bool TraditionalCipher::AcceptsHeader(const uint8_t (&header)[kHeaderSize], uint8_t checkByte) {
    uint8_t plain[kHeaderSize];
    for (size_t i = 0; i < kHeaderSize; ++i) plain[i] = header[i];
    Decrypt(plain, kHeaderSize);
    return plain[kHeaderSize - 1] == checkByte;
}

}  // namespace ziplib
