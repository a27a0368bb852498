// Component ownership, events, string lists and memory streams.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mvt {

class TObject {
  public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// A component owns the components created with it as owner and frees them with itself,
// newest first, the way forms own their controls.
class TComponent : public TObject {
  public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    int32_t Tag() const { return tag_; }
    void SetTag(int32_t tag) { tag_ = tag; }
    bool Destroying() const { return destroying_; }

    // Creates a component owned by this one; the returned pointer stays valid while the
    // owner lives.
    template <class T, class... Args>
    T* Make(Args&&... args) {
        auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = component.get();
        Adopt(std::move(component));
        return raw;
    }

    // Destroys a component this one owns before the owner's own end.
    void FreeComponent(TComponent* component);

  protected:
    // Called first thing in a derived destructor that needs its owned components gone
    // while the derived part still exists (controls must go before their window).
    void DestroyComponents();

  private:
    void Adopt(std::unique_ptr<TComponent> component);

    TComponent* owner_;
    std::string name_;
    int32_t tag_ = 0;
    bool destroying_ = false;
    std::vector<std::unique_ptr<TComponent>> components_;
};

// An ordered list of text lines; Text joins them with CR LF.
class TStringList {
  public:
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const { return lines_.at(index); }
    void Add(const std::string& line) { lines_.push_back(line); }
    void Clear() { lines_.clear(); }
    int IndexOf(const std::string& line) const;
    const std::vector<std::string>& Lines() const { return lines_; }
    // Every line followed by CR LF.
    std::string Text() const;
    // Splits on CR LF, LF or CR; a final line break does not start an empty line.
    void SetText(const std::string& text);
    bool operator==(const TStringList&) const = default;

  private:
    std::vector<std::string> lines_;
};

// A growable byte block with a read/write position.
class TMemoryStream {
  public:
    const uint8_t* Memory() const { return bytes_.data(); }
    uint8_t* Memory() { return bytes_.data(); }
    size_t Size() const { return bytes_.size(); }
    void SetSize(size_t size);
    size_t Position() const { return position_; }
    void SetPosition(size_t position) { position_ = position; }
    void Clear();

    size_t Read(void* buffer, size_t count);
    void Write(const void* buffer, size_t count);
    // Reads exactly count bytes or raises EReadError ("Stream read error").
    void ReadBuffer(void* buffer, size_t count);
    uint32_t ReadUInt32();
    void WriteUInt32(uint32_t value);

  private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

}  // namespace mvt
