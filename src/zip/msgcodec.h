// The zip component's message table in its stored forms: language blocks, the compressed
// image format and the string-table image of a compiled resource file. Pure byte
// handling without window headers, so that it also builds natively for fuzzing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace mvt::zip {

// A decoded image of this size or more is refused.
constexpr size_t kMaxMessageImageSize = 50000;
constexpr uint16_t kBuiltinLanguageId = 1033;

// Decodes a compressed image: a 32-bit uncompressed length followed by groups of one flag
// byte and eight items (set bit: literal byte; clear bit: two-byte reference into a
// 4096-byte ring whose write position starts at 4080). `input` is exactly the compressed
// length given by the language block, the 4-byte length included. Succeeds only when the
// produced length equals the stored one and the input is used up exactly.
std::optional<std::vector<uint8_t>> DecodeCompressedImage(std::span<const uint8_t> input);

// One language block: language id, compressed length and name length (16 bits each), the
// name, then the compressed image.
struct LanguageBlock {
    uint16_t languageId = 0;
    std::string name;
    std::span<const uint8_t> compressed;
};

// Splits a sequence of language blocks; stops at the first block that does not fit.
std::vector<LanguageBlock> ParseLanguageBlocks(std::span<const uint8_t> data);

// The leading letters, digits and underscores of a block name, upper-cased.
std::string LeadingIdentifier(const std::string& text);

// A decoded string-table image held as 16-bit words with an end mark.
class StringTableImage {
  public:
    static std::optional<StringTableImage> FromBytes(std::span<const uint8_t> bytes);
    // The text of an id, line feeds widened to CR LF; empty when missing or on any fault.
    std::u16string Find(int id) const;

  private:
    std::vector<uint16_t> words_;
    size_t byteSize_ = 0;
};

// Decodes a language block into an image (refused at kMaxMessageImageSize bytes or more).
std::optional<StringTableImage> DecodeLanguageBlock(const LanguageBlock& block);

// Formats a message text with printf-like conversions (%d %u %x %X %s %%, with optional
// flags, width and precision). Arguments that are missing or of the other kind are
// converted rather than trusted, so a text from a language table can never read past its
// arguments.
using MessageArg = std::variant<int64_t, std::string>;
std::string FormatMessageText(const std::string& format, std::initializer_list<MessageArg> args);
std::string FormatMessageText(const std::string& format, const std::vector<MessageArg>& args);

}  // namespace mvt::zip
