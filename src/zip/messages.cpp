#include "zip/messages.h"

#include <windows.h>

#include <cctype>

namespace mvt::zip {

extern const uint8_t kBuiltinMessageBlock[];
extern const size_t kBuiltinMessageBlockSize;

namespace {

constexpr int kLanguageResource = 11610;

std::string ToAnsi(const std::u16string& text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string result(needed > 0 ? needed : 0, '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_ACP, 0, wide, size, result.data(), needed, nullptr, nullptr);
    return result;
}

// A wanted language: a locale number, or a block name.
struct WantedLanguage {
    unsigned locale = 0;
    std::string name;
};

std::optional<unsigned> ParseLocaleNumber(const std::string& text) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) return std::nullopt;
    const bool hex = trimmed[0] == '$';
    const std::string digits = hex ? trimmed.substr(1) : trimmed;
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        const auto u = static_cast<unsigned char>(c);
        if (hex ? !std::isxdigit(u) : !std::isdigit(u)) return std::nullopt;
        value = value * (hex ? 16 : 10) + (std::isdigit(u) ? u - '0' : std::toupper(u) - 'A' + 10);
    }
    if (value < 1 || value > 65535) return std::nullopt;
    return value;
}

// Leading blanks skipped; letters, digits and underscores (not starting with a digit).
std::string NormaliseName(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) return {};
    return LeadingIdentifier(text.substr(at));
}

std::span<const uint8_t> LanguageResource() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(kLanguageResource), RT_RCDATA);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const uint8_t*>(data), SizeofResource(module, info)};
}

}  // namespace

const StringTableImage* TZipMessages::Builtin() {
    if (!builtinTried_) {
        builtinTried_ = true;
        for (const auto& block :
             ParseLanguageBlocks({kBuiltinMessageBlock, kBuiltinMessageBlockSize}))
            if (block.languageId == kBuiltinLanguageId) {
                builtin_ = DecodeLanguageBlock(block);
                break;
            }
    }
    return builtin_ ? &*builtin_ : nullptr;
}

std::string TZipMessages::Text(int id) {
    std::string text;
    if (language_) text = ToAnsi(language_->Find(id));
    if (text.empty())
        if (const auto* builtin = Builtin()) text = ToAnsi(builtin->Find(id));
    if (TextHook) {
        std::string hooked = text;
        TextHook(id, hooked);
        if (!hooked.empty()) text = hooked;
    }
    if (text.empty()) text = "Resource missing for " + std::to_string(id);
    return text;
}

std::string TZipMessages::Format(int id, std::initializer_list<MessageArg> args) {
    return FormatMessageText(Text(id), args);
}

void TZipMessages::SetLanguage(const std::string& name) {
    language_.reset();
    WantedLanguage wanted;
    wanted.name = NormaliseName(name);
    if (wanted.name.size() < 2) {
        wanted.name.clear();
        if (Trim(name) == "*")
            wanted.locale = LANGIDFROMLCID(GetUserDefaultLCID());
        else if (auto number = ParseLocaleNumber(name))
            wanted.locale = *number;
        else
            return;
    }
    if (wanted.name == "US" || wanted.locale == kBuiltinLanguageId) return;
    for (const auto& block : ParseLanguageBlocks(LanguageResource())) {
        const bool matches =
            wanted.name.empty()
                ? (block.languageId == wanted.locale ||
                   (wanted.locale < 1024 && (block.languageId & 0x3FF) == wanted.locale))
                : LeadingIdentifier(block.name) == wanted.name;
        if (matches) {
            language_ = DecodeLanguageBlock(block);
            return;
        }
    }
}

std::string TZipMessages::Language() {
    return Text(kMsgDefaultLanguage);
}

TZipMessages& ZipMessages() {
    static TZipMessages messages;
    return messages;
}

std::string SystemErrorPart(unsigned long error) {
    if (error < 1) return {};
    return FormatMessageText(" <%X:%s>", {int64_t(error), SysErrorMessage(error)});
}

EZipUnpacker EZipUnpacker::FromText(int id, const std::string& text, bool display) {
    return EZipUnpacker(text, id, display);
}

EZipUnpacker EZipUnpacker::FromId(int id, bool display) {
    return EZipUnpacker(ZipMessages().Text(id), id, display);
}

EZipUnpacker EZipUnpacker::Formatted(int id, std::initializer_list<MessageArg> args) {
    return EZipUnpacker(ZipMessages().Format(id, args), id, true);
}

EZipUnpacker EZipUnpacker::WithNumber(int id, int64_t number) {
    return Formatted(id, {number});
}

EZipUnpacker EZipUnpacker::WithText(int id, const std::string& text) {
    return Formatted(id, {text});
}

EZipUnpacker EZipUnpacker::WithSystemError(int id, unsigned long error, const std::string& text) {
    const std::string format = ZipMessages().Text(id) + "%s";
    return EZipUnpacker(FormatMessageText(format, {text, SystemErrorPart(error)}), id, true);
}

}  // namespace mvt::zip
