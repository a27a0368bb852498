#include "zip/msgcodec.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace mvt::zip {

namespace {

constexpr size_t kRingSize = 4096;
constexpr size_t kRingStart = 4080;
constexpr uint16_t kStringTableType = 6;
constexpr size_t kResourceHeaderMin = 16;  // sizes, type and name

uint32_t ReadLe32(std::span<const uint8_t> data, size_t at) {
    return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t{data[at + 3]} << 24;
}
uint16_t ReadLe16(std::span<const uint8_t> data, size_t at) {
    return static_cast<uint16_t>(data[at] | data[at + 1] << 8);
}

}  // namespace

std::optional<std::vector<uint8_t>> DecodeCompressedImage(std::span<const uint8_t> input) {
    if (input.size() < 4) return std::nullopt;
    const uint32_t expected = ReadLe32(input, 0);
    if (expected >= kMaxMessageImageSize) return std::nullopt;

    std::array<uint8_t, kRingSize> ring{};
    size_t write = kRingStart;
    std::vector<uint8_t> output;
    output.reserve(expected);
    size_t in = 4;
    auto emit = [&](uint8_t byte) {
        output.push_back(byte);
        ring[write] = byte;
        write = (write + 1) % kRingSize;
    };
    while (in < input.size()) {
        const uint8_t flags = input[in++];
        for (int bit = 0; bit < 8 && in < input.size(); ++bit) {
            if (flags & (1u << bit)) {
                emit(input[in++]);
            } else {
                if (in + 2 > input.size()) return std::nullopt;  // reference cut in half
                const uint8_t b1 = input[in], b2 = input[in + 1];
                in += 2;
                size_t from = b1 + (b2 & 0xF0u) * 16;
                const size_t count = (b2 & 0x0Fu) + 3;
                for (size_t i = 0; i < count; ++i) {
                    emit(ring[from]);
                    from = (from + 1) % kRingSize;
                }
            }
            // Stop early rather than grow a refused image without bound.
            if (output.size() > expected) return std::nullopt;
        }
    }
    if (output.size() != expected || in != input.size()) return std::nullopt;
    return output;
}

std::vector<LanguageBlock> ParseLanguageBlocks(std::span<const uint8_t> data) {
    std::vector<LanguageBlock> blocks;
    size_t at = 0;
    while (data.size() - at >= 6) {
        LanguageBlock block;
        block.languageId = ReadLe16(data, at);
        const size_t compressedLength = ReadLe16(data, at + 2);
        const size_t nameLength = ReadLe16(data, at + 4);
        at += 6;
        if (data.size() - at < nameLength + compressedLength) break;
        block.name.assign(reinterpret_cast<const char*>(data.data() + at), nameLength);
        at += nameLength;
        block.compressed = data.subspan(at, compressedLength);
        at += compressedLength;
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::string LeadingIdentifier(const std::string& text) {
    std::string result;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || !(std::isalnum(u) || c == '_')) break;
        result += static_cast<char>(std::toupper(u));
    }
    return result;
}

std::optional<StringTableImage> StringTableImage::FromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() >= kMaxMessageImageSize) return std::nullopt;
    StringTableImage image;
    image.byteSize_ = bytes.size();
    image.words_.resize((bytes.size() + 1) / 2 + 1, 0);
    for (size_t i = 0; i < bytes.size(); ++i)
        image.words_[i / 2] |= static_cast<uint16_t>(bytes[i] << (8 * (i % 2)));
    image.words_.back() = 0xFFFF;  // end mark
    return image;
}

std::u16string StringTableImage::Find(int id) const {
    if (id < 0) return {};
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(words_.data()), byteSize_);
    const uint32_t wantedName = static_cast<uint32_t>(id) / 16 + 1;
    size_t entry = 0;
    while (entry <= bytes.size() && bytes.size() - entry >= kResourceHeaderMin) {
        const uint32_t dataSize = ReadLe32(bytes, entry);
        const uint32_t headerSize = ReadLe32(bytes, entry + 4);
        if (headerSize < kResourceHeaderMin || headerSize > bytes.size() - entry ||
            dataSize > bytes.size() - entry - headerSize)
            return {};
        const bool isStringTable = ReadLe16(bytes, entry + 8) == 0xFFFF &&
                                   ReadLe16(bytes, entry + 10) == kStringTableType &&
                                   ReadLe16(bytes, entry + 12) == 0xFFFF;
        if (isStringTable && ReadLe16(bytes, entry + 14) == wantedName) {
            auto data = bytes.subspan(entry + headerSize, dataSize);
            size_t at = 0;
            for (int index = 0; index <= id % 16; ++index) {
                if (data.size() - at < 2) return {};
                const size_t count = ReadLe16(data, at);
                at += 2;
                if (count * 2 > data.size() - at) return {};
                if (index == id % 16) {
                    std::u16string text;
                    for (size_t i = 0; i < count; ++i) {
                        const char16_t c = ReadLe16(data, at + 2 * i);
                        if (c == u'\n') text += u'\r';
                        text += c;
                    }
                    return text;
                }
                at += count * 2;
            }
            return {};
        }
        entry = (entry + headerSize + dataSize + 3) & ~size_t{3};
    }
    return {};
}

std::optional<StringTableImage> DecodeLanguageBlock(const LanguageBlock& block) {
    auto bytes = DecodeCompressedImage(block.compressed);
    if (!bytes) return std::nullopt;
    return StringTableImage::FromBytes(*bytes);
}

namespace {

std::string ArgAsText(const MessageArg* arg) {
    if (!arg) return {};
    if (auto* text = std::get_if<std::string>(arg)) return *text;
    return std::to_string(std::get<int64_t>(*arg));
}

int64_t ArgAsNumber(const MessageArg* arg) {
    if (!arg) return 0;
    if (auto* number = std::get_if<int64_t>(arg)) return *number;
    return 0;
}

}  // namespace

std::string FormatMessageText(const std::string& format, const std::vector<MessageArg>& args) {
    std::string result;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            result += format[i];
            continue;
        }
        // Collect "%[flags][width][.precision]conversion" with small, bounded numbers.
        std::string directive = "%";
        size_t j = i + 1;
        while (j < format.size() &&
               std::string_view("-+ 0#").find(format[j]) != std::string_view::npos)
            directive += format[j++];
        for (int digits = 0;
             j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])); ++j)
            if (++digits <= 2) directive += format[j];
        if (j < format.size() && format[j] == '.') {
            directive += format[j++];
            for (int digits = 0;
                 j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])); ++j)
                if (++digits <= 2) directive += format[j];
        }
        if (j == format.size()) {
            result += format.substr(i);
            break;
        }
        const char conversion = format[j];
        const MessageArg* arg = next < args.size() ? &args[next] : nullptr;
        char buffer[128];
        switch (conversion) {
            case '%':
                result += '%';
                break;
            case 'd':
            case 'i':
                std::snprintf(buffer, sizeof buffer, (directive + "lld").c_str(),
                              static_cast<long long>(ArgAsNumber(arg)));
                result += buffer;
                ++next;
                break;
            case 'u':
            case 'x':
            case 'X':
                std::snprintf(
                    buffer, sizeof buffer, (directive + "ll" + conversion).c_str(),
                    static_cast<unsigned long long>(static_cast<uint32_t>(ArgAsNumber(arg))));
                result += buffer;
                ++next;
                break;
            case 's':
                result += ArgAsText(arg);
                ++next;
                break;
            default:  // not a conversion we know: keep the text as it stands
                result += format.substr(i, j - i + 1);
                break;
        }
        i = j;
    }
    return result;
}

std::string FormatMessageText(const std::string& format, std::initializer_list<MessageArg> args) {
    return FormatMessageText(format, std::vector<MessageArg>(args));
}

}  // namespace mvt::zip
