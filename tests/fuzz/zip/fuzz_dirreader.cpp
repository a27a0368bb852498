// Fuzz target: the central-directory reader over an archive held in memory.
#include <cstdlib>
#include <cstring>

#include "zip/dirreader.h"

namespace {

using namespace mvt::zip;

class MemoryFile : public ArchiveFile {
  public:
    MemoryFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int64_t Size() override { return static_cast<int64_t>(size_); }
    bool Seek(int64_t position) override {
        if (position < 0) return false;
        position_ = static_cast<size_t>(position);
        return true;
    }
    size_t Read(void* buffer, size_t count) override {
        if (position_ >= size_) return 0;
        const size_t n = std::min(count, size_ - position_);
        std::memcpy(buffer, data_ + position_, n);
        position_ += n;
        return n;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Checks the reader's promises: balanced progress, steps within the announced count.
class CheckingHost : public DirReaderHost {
  public:
    CheckingHost(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    std::string ExpandPath(const std::string& path) override { return path; }
    DriveKind DriveOf(const std::string&) override { return DriveKind::Fixed; }
    bool FileExists(const std::string& path) override { return path == "C:\\a.zip"; }
    std::unique_ptr<ArchiveFile> OpenForReading(const std::string& path) override {
        if (path != "C:\\a.zip") return nullptr;
        return std::make_unique<MemoryFile>(data_, size_);
    }
    std::string ConvertOemToAnsi(const std::string& text) override { return text; }
    void ReportById(int) override {}
    void ReportRaised(int, const std::string&) override {}
    void ReportDiagnostic(const std::string&) override {}
    void ProgressStart(uint32_t count) override {
        if (started_) std::abort();
        started_ = true;
        count_ = count;
    }
    void ProgressStep() override {
        if (!started_ || ++steps_ > count_) std::abort();
    }
    void ProgressEnd() override {
        if (ended_) std::abort();
        ended_ = true;
    }
    void NewName(int, const ZipDirEntry& entry) override {
        if (entry.fileName.size() >= 260 || entry.fileName.find('/') != std::string::npos)
            std::abort();
    }
    bool CancelRequested() override { return false; }
    void BusyCursor(bool) override {}
    void DirUpdate() override { ++updates_; }

    bool started_ = false, ended_ = false;
    uint32_t count_ = 0, steps_ = 0;
    int updates_ = 0;

  private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckingHost host(data, size);
    std::vector<ZipDirEntry> entries;
    ArchiveState state;
    DirReadOptions options;
    options.useDirOnlyEntries = size % 2;
    const auto outcome = ReadZipDirectory(host, "C:\\a.zip", options, entries, state);
    if (host.updates_ != 1) std::abort();
    if (outcome != DirReadOutcome::NotOpened && !host.ended_) std::abort();
    if (outcome == DirReadOutcome::Succeeded && host.steps_ != host.count_) std::abort();
    return 0;
}
