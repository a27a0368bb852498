// libFuzzer target: runs whole extract jobs on arbitrary archive bytes, writing into memory,
// and checks what must hold for any input: every path handed to the target is a safe
// relative path, progress never exceeds an entry's size nor a chunk, no password is asked
// for an entry whose overwrite question was answered no, every job starts with its handle,
// announces its counts and ends with its closing report, also when it fails, and decoding
// threads change no report.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "crc32_fast.h"
#include "entry_decoder.h"
#include "extractor.h"

namespace {

using namespace ziplib;

class MemorySource : public ByteSource {
  public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        std::memcpy(buffer, data_ + offset, count);
        return true;
    }
    std::unique_ptr<ByteSource> Another() override {
        return std::make_unique<MemorySource>(data_, size_);
    }

  private:
    const uint8_t* data_;
    size_t size_;
};

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

void RequireSafe(const std::string& path) {
    Require(!path.empty());
    Require(path.front() != '\\' && path.find(':') == std::string::npos);
    Require(path.find('/') == std::string::npos);
    Require(MakeSafeRelativePath(path).safe);
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find('\\', pos);
        if (end == std::string::npos) end = path.size();
        Require(path.substr(pos, end - pos) != "..");
        pos = end + 1;
    }
}

// Counts what is written; with `failAfter`, refuses every write beyond that many bytes, as
// a full drive does.
class CountingFile : public OutputFile {
  public:
    explicit CountingFile(uint64_t failAfter) : failAfter_(failAfter) {}
    bool Write(const uint8_t*, size_t size, std::string& error) override {
        written_ += size;
        if (written_ <= failAfter_) return true;
        error = "the drive is full";
        return false;
    }
    bool Commit(uint32_t, uint32_t, std::string&) override { return true; }

  private:
    uint64_t failAfter_;
    uint64_t written_ = 0;
};

class MemoryTarget : public ExtractTarget {
  public:
    std::string ConvertName(const CentralEntry& entry) override { return entry.name; }
    const CaseTable& UpperCase() const override { return upper_; }
    bool MakeFolder(const std::string& path, std::string&) override {
        RequireSafe(path);
        return true;
    }
    ExistingFile Probe(const std::string& path) override {
        RequireSafe(path);
        return {path.size() % 2 == 0, static_cast<uint32_t>(path.size() * 7919)};
    }
    CreateOutcome Create(const std::string& path, bool replace, std::unique_ptr<OutputFile>& file,
                         std::string&) override {
        RequireSafe(path);
        if (!replace && path.size() % 3 == 0) return CreateOutcome::kExists;
        // Now and then the drive is full after a few blocks.
        file = std::make_unique<CountingFile>(path.size() % 7 == 0 ? 2 * kBlockSize : UINT64_MAX);
        return CreateOutcome::kCreated;
    }

  private:
    CaseTable upper_ = AsciiCaseTable();
};

struct Observer {
    uint64_t entrySize = 0;
    uint64_t entryDone = 0;
    bool counted = false;  // report 5 came
    bool sized = false;    // report 6 came
    bool ended = false;
    int reports = 0;
    std::string declined;  // the entry whose overwrite question was answered no
    std::string stream;    // every report, as it came
};

int32_t ZL_CALL OnReport(void* caller, ZlCallbackRecord* record) {
    auto* seen = static_cast<Observer*>(caller);
    Require(!seen->ended);  // nothing after the end
    Require((seen->reports == 0) == (record->kindOrReply == ZL_REPORT_JOB_HANDLE));
    ++seen->reports;
    const std::string text = record->text != nullptr ? record->text : "";
    seen->stream += std::to_string(record->kindOrReply) + " " + std::to_string(record->number) +
                    " " + text + " " + std::to_string(record->area.report.size) + " " +
                    std::to_string(record->area.report.number2) + " " +
                    std::to_string(record->area.report.number3) + "\n";
    switch (record->kindOrReply) {
        case ZL_REPORT_ENTRY_COUNT:
            seen->counted = true;
            break;
        case ZL_REPORT_TOTAL_BYTES:
            seen->sized = true;
            break;
        case ZL_REPORT_ENTRY_START:
            seen->entrySize = record->area.report.size;
            seen->entryDone = 0;
            break;
        case ZL_REPORT_BYTES_DONE:
            Require(record->area.report.size > 0 && record->area.report.size <= ZL_PROGRESS_CHUNK);
            seen->entryDone += record->area.report.size;
            Require(seen->entryDone <= seen->entrySize);
            break;
        case ZL_REPORT_PASSWORD:
            Require(text != seen->declined);
            std::strcpy(record->area.replyText, "secret");
            record->kindOrReply = ZL_REPLY_YES;
            break;
        case ZL_REPORT_CRC_ERROR:
            record->kindOrReply = ZL_REPLY_YES;
            break;
        case ZL_REPORT_OVERWRITE:
            // Now and then keep the existing file.
            if (text.size() % 2 == 0) {
                seen->declined = text;
                record->kindOrReply = ZL_REPLY_NO;
            } else {
                record->kindOrReply = ZL_REPLY_YES;
            }
            break;
        case ZL_REPORT_NEW_EXTRACT_NAME:
            seen->declined.clear();
            // Now and then answer with a hostile name, which must be refused.
            if (record->text != nullptr && std::strlen(record->text) % 5 == 0) {
                std::strcpy(record->area.replyText, "..\\evil.txt");
                record->kindOrReply = ZL_REPLY_YES;
            }
            break;
        case ZL_REPORT_BATCH_END:
            Require(seen->counted && seen->sized);
            seen->ended = true;
            break;
        default:
            break;
    }
    return 0;
}

// Runs the job with the caller's thread alone and with decoding threads: both give the same
// reports and the same result.
void RunOnce(const uint8_t* data, size_t size, ExtractRequest request) {
    std::string streams[2];
    int32_t results[2];
    for (const unsigned threads : {1u, 3u}) {
        MemorySource source(data, size);
        MemoryTarget target;
        Observer seen;
        Reporter reporter(OnReport, &seen, nullptr);
        request.threads = threads;
        const int32_t result = RunExtractJob(source, target, request, reporter);
        Require(result >= ZL_STATUS_INVALID_STRUCTURE);
        Require(seen.ended);
        streams[threads > 1] = seen.stream;
        results[threads > 1] = result;
    }
    Require(streams[0] == streams[1] && results[0] == results[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The folding CRC agrees with zlib's for every length and alignment.
    const size_t skip = size > 0 ? data[0] % 16 : 0;
    if (skip <= size) {
        const uint32_t expected =
            static_cast<uint32_t>(crc32(7, data + skip, static_cast<uInt>(size - skip)));
        Require(Crc32(7, data + skip, size - skip) == expected);
    }

    ExtractRequest extract;
    extract.directoryNames = true;
    extract.passwordRequests = 2;
    RunOnce(data, size, extract);

    ExtractRequest test;
    test.test = true;
    test.update = true;
    test.specs = {"*.TXT", "a?c\\", "*/x*"};
    test.password = "secret";
    RunOnce(data, size, test);

    ExtractRequest freshen;
    freshen.freshen = true;
    RunOnce(data, size, freshen);
    return 0;
}
