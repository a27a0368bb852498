#include "shell/locator_format.h"

namespace mvt::shell {

std::optional<TDecodedLocator> DecodeLocator(const uint8_t* bytes, size_t size) {
    if (!bytes || size < 1) return std::nullopt;
    TDecodedLocator decoded;
    if (bytes[0] != 0) {
        if (size < 2) return std::nullopt;
        decoded.locator.kind = TLocatorKind::SpecialFolder;
        decoded.locator.specialFolder = bytes[1];
        decoded.length = 2;
        return decoded;
    }
    if (size < 5) return std::nullopt;
    const uint32_t length =
        bytes[1] | bytes[2] << 8 | bytes[3] << 16 | static_cast<uint32_t>(bytes[4]) << 24;
    if (length == 0) {
        // No list: the desktop, read as special folder 0.
        decoded.locator.kind = TLocatorKind::SpecialFolder;
        decoded.locator.specialFolder = 0;
        decoded.length = 5;
        return decoded;
    }
    if (length > size - 5) return std::nullopt;
    std::optional<TItemIdList> list = TItemIdList::FromBytes(bytes + 5, length);
    if (!list || list->Size() != length) return std::nullopt;
    decoded.locator.kind = TLocatorKind::ItemIdList;
    decoded.locator.list = std::move(*list);
    decoded.length = 5 + length;
    return decoded;
}

std::vector<uint8_t> EncodeLocator(const TStoredLocator& locator) {
    if (locator.kind == TLocatorKind::SpecialFolder) return {1, locator.specialFolder};
    const uint32_t length = static_cast<uint32_t>(locator.list.Size());
    std::vector<uint8_t> bytes{0, uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                               uint8_t(length >> 24)};
    bytes.insert(bytes.end(), locator.list.Bytes().begin(), locator.list.Bytes().end());
    return bytes;
}

}  // namespace mvt::shell
