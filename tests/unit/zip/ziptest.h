// Shared helpers of the zip component's tests: fixture paths, an event recorder and the
// scripted stand-in library.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fakezip.h"
#include "zip/zipunpacker.h"

namespace mvt::zip::test {

inline std::string Fixture(const std::string& name) {
    return MVT_ZIP_FIXTURES "\\" + name;
}
inline std::string FakeLibraryFolder(const std::string& variant) {
    return MVT_ZIP_FAKE_DIR "\\" + variant;
}

struct ItemReport {
    std::string item;
    uint64_t totalSize;
    int perCent;
    bool operator==(const ItemReport&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const ItemReport& r) {
    return out << "{\"" << r.item << "\", " << r.totalSize << ", " << r.perCent << "}";
}

struct MessageReport {
    int code;
    std::string text;
    bool operator==(const MessageReport&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const MessageReport& r) {
    return out << "{" << r.code << ", \"" << r.text << "\"}";
}

// A component in unattended mode whose events are recorded.
class ZipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        zip = std::make_unique<TZipUnpacker>(nullptr);
        zip->SetUnattended(true);
        zip->OnItemProgress = [this](TObject* sender, const std::string& item, uint64_t size,
                                     int perCent) {
            EXPECT_EQ(sender, zip.get());
            items.push_back({item, size, perCent});
        };
        zip->OnMessage = [this](TObject*, int code, const std::string& text) {
            messages.push_back({code, text});
        };
        zip->OnDirUpdate = [this](TObject*) { ++dirUpdates; };
    }
    void Clear() {
        items.clear();
        messages.clear();
        dirUpdates = 0;
    }
    std::vector<int> MessageCodes() const {
        std::vector<int> codes;
        for (const auto& m : messages) codes.push_back(m.code);
        return codes;
    }

    std::unique_ptr<TZipUnpacker> zip;
    std::vector<ItemReport> items;
    std::vector<MessageReport> messages;
    int dirUpdates = 0;
};

// The scripted library, loaded by the test as well so that its recordings outlive the
// component's own load and unload.
class FakeLibrary {
  public:
    explicit FakeLibrary(const std::string& variant = "v179")
        : folder_(FakeLibraryFolder(variant)),
          module_(LoadLibraryA((folder_ + "\\ZipLib179.dll").c_str())) {
        EXPECT_NE(module_, nullptr) << folder_;
    }
    ~FakeLibrary() {
        if (module_) FreeLibrary(module_);
    }
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    const std::string& Folder() const { return folder_; }
    void SetScript(const std::vector<FakeReport>& reports, int32_t result = -100) {
        Entry<FakeSetScriptFn>("Fake_SetScript")(reports.data(),
                                                 static_cast<int32_t>(reports.size()), result);
    }
    const FakeCall& LastCall() { return *Entry<FakeLastCallFn>("Fake_LastCall")(); }
    std::vector<FakeReply> Replies() {
        int32_t count = 0;
        const FakeReply* replies = Entry<FakeRepliesFn>("Fake_Replies")(&count);
        return {replies, replies + count};
    }
    // The command record's fields by their byte offsets in the 64-bit layout.
    int32_t CommandInt(size_t offset) {
        int32_t value;
        std::memcpy(&value, LastCall().command + offset, sizeof value);
        return value;
    }
    uintptr_t CommandPointer(size_t offset) {
        uintptr_t value;
        std::memcpy(&value, LastCall().command + offset, sizeof value);
        return value;
    }

  private:
    template <class F>
    F Entry(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    std::string folder_;
    HMODULE module_;
};

}  // namespace mvt::zip::test
