// The Windows side of an extract job: the archive file, and the destination folder where
// files are created, written, dated and given their attributes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "extractor.h"

namespace ziplib {

// A kernel handle closed on destruction.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.Release();
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Release() {
        HANDLE h = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset() {
        if (Valid()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The system's text for an error number, without the trailing line break.
std::string SystemErrorText(DWORD error);

// The archive, read through a cache so that runs of small entries cost one system read.
class FileSource : public ByteSource {
  public:
    // Opens the archive for reading; on failure `error` holds the system's reason.
    static std::unique_ptr<FileSource> Open(const char* path, std::string& error);

    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override;
    // Reads through the same handle (reads at an offset), with a cache of its own.
    std::unique_ptr<ByteSource> Another() override;

  private:
    FileSource(std::shared_ptr<const UniqueHandle> handle, uint64_t size)
        : handle_(std::move(handle)), size_(size) {}
    bool ReadDirect(uint64_t offset, void* buffer, size_t count);

    static constexpr size_t kCacheSize = 1 << 20;
    std::shared_ptr<const UniqueHandle> handle_;
    uint64_t size_;
    std::vector<uint8_t> cache_;
    uint64_t cacheStart_ = 0;
    size_t cacheFilled_ = 0;
};

// A folder the job writes into, opened once and held open without delete sharing, so that
// on Windows nobody can rename it or put a link in its place until the job ends; with the
// path the system gives for the handle.
struct HeldFolder {
    UniqueHandle handle;
    std::string finalPath;
};

// The destination folder. Nothing is created or replaced through a link (a junction, a
// symbolic link, a mount point) at or below the destination: every folder on the way to a
// file is opened without following a link at its end and accepted only when, by its handle,
// it is no link and the system places it directly in the folder above it. A file that
// stands in the way as a link is refused in the same way.
class FolderTarget : public ExtractTarget {
  public:
    // `root` is absolute and ends in a separator.
    explicit FolderTarget(std::string root);

    std::string ConvertName(const CentralEntry& entry) override;
    const CaseTable& UpperCase() const override { return upper_; }
    bool MakeFolder(const std::string& path, std::string& error) override;
    ExistingFile Probe(const std::string& path) override;
    CreateOutcome Create(const std::string& path, bool replace, std::unique_ptr<OutputFile>& file,
                         std::string& error) override;

    // Creates the root folder and its missing parents; false (with the reason) when it is
    // not a folder afterwards.
    bool PrepareRoot(std::string& error);

  private:
    // The held folder of a relative path ("" is the destination itself), opened and checked
    // on its first use; null (with the reason) when it cannot be made or is a link.
    const HeldFolder* Folder(const std::string& relative, std::string& error);
    // Checks a file or folder just opened as `name` in `parent`: false (with the reason,
    // naming it as `shown`) when it is a link or the system places it elsewhere.
    bool InPlace(HANDLE handle, const HeldFolder& parent, const std::string& name,
                 const std::string& shown, std::string& error) const;
    // The place alone, for a file this job has just made (which cannot be a link).
    bool Placed(HANDLE handle, const HeldFolder& parent, const std::string& name,
                const std::string& shown, std::string& error) const;
    bool SameText(const std::string& a, const std::string& b) const;

    std::string root_;
    CaseTable upper_;
    HeldFolder rootFolder_;
    std::unordered_map<std::string, HeldFolder> folders_;  // by upper-cased relative path
    uint32_t nextTemporary_;                               // number of the next temporary name
};

}  // namespace ziplib
