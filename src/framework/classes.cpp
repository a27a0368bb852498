#include "framework/classes.h"

#include <algorithm>
#include <cstring>

#include "framework/sysutils.h"

namespace mvt {

TComponent::TComponent(TComponent* owner) : owner_(owner) {}

TComponent::~TComponent() {
    DestroyComponents();
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    while (!components_.empty()) {
        // Pop before destroying so that the component's own destructor sees a
        // consistent list if it looks at its owner.
        std::unique_ptr<TComponent> last = std::move(components_.back());
        components_.pop_back();
        last.reset();
    }
}

void TComponent::FreeComponent(TComponent* component) {
    auto found = std::find_if(components_.begin(), components_.end(),
                              [component](const auto& owned) { return owned.get() == component; });
    if (found == components_.end()) return;
    std::unique_ptr<TComponent> doomed = std::move(*found);
    components_.erase(found);
}

void TComponent::Adopt(std::unique_ptr<TComponent> component) {
    components_.push_back(std::move(component));
}

int TStringList::IndexOf(const std::string& line) const {
    auto found = std::find(lines_.begin(), lines_.end(), line);
    return found == lines_.end() ? -1 : static_cast<int>(found - lines_.begin());
}

std::string TStringList::Text() const {
    std::string text;
    for (const auto& line : lines_) text += line + "\r\n";
    return text;
}

void TStringList::SetText(const std::string& text) {
    lines_.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines_.push_back(text.substr(start));
            break;
        }
        lines_.push_back(text.substr(start, end - start));
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

void TMemoryStream::SetSize(size_t size) {
    bytes_.resize(size);
    position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    position_ = 0;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    count = std::min(count, available);
    if (count) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    if (count) std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
}

void TMemoryStream::ReadBuffer(void* buffer, size_t count) {
    if (Read(buffer, count) != count) throw EReadError("Stream read error");
}

uint32_t TMemoryStream::ReadUInt32() {
    uint8_t b[4];
    ReadBuffer(b, 4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

void TMemoryStream::WriteUInt32(uint32_t value) {
    uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                    uint8_t(value >> 24)};
    Write(b, 4);
}

}  // namespace mvt
