// The zip format's traditional stream cipher, decryption side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ziplib {

class TraditionalCipher {
  public:
    static constexpr size_t kHeaderSize = 12;

    explicit TraditionalCipher(std::string_view password);

    // Decrypts the 12-byte header and compares its last byte with the check byte the
    // entry expects; a match means the password is probably right (1 in 256 false hits,
    // which the CRC check of the data then catches).
    bool AcceptsHeader(const uint8_t (&header)[kHeaderSize], uint8_t checkByte);

    void Decrypt(uint8_t* data, size_t size);

  private:
    void Update(uint8_t plain);
    uint8_t StreamByte() const;

    uint32_t key0_ = 0x12345678;
    uint32_t key1_ = 0x23456789;
    uint32_t key2_ = 0x34567890;
};

}  // namespace ziplib
