#include "extractor.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "block_writer.h"
#include "crc32_fast.h"
#include "traditional_cipher.h"

namespace ziplib {

int32_t Reporter::Call(const Report& report, Reply* reply) {
    if (callback_ == nullptr) return 0;
    ZlCallbackRecord record;
    std::memset(&record, 0, sizeof record);
    record.kindOrReply = report.kind;
    record.number = report.number;
    record.text = report.text;
    record.area.report.size = report.size;
    record.area.report.number2 = report.number2;
    record.area.report.number3 = report.number3;
    const int32_t result = callback_(caller_, &record);
    switch (report.kind) {
        case ZL_REPORT_JOB_HANDLE:
            handleSent_ = true;
            break;
        case ZL_REPORT_ENTRY_COUNT:
            countSent_ = true;
            break;
        case ZL_REPORT_TOTAL_BYTES:
            totalSent_ = true;
            break;
        case ZL_REPORT_BATCH_END:
            ended_ = true;
            break;
        default:
            break;
    }
    if (reply != nullptr) {
        const int32_t code = record.kindOrReply;
        const bool answered =
            code == ZL_REPLY_YES || code == ZL_REPLY_NO || code == ZL_REPLY_NO_ALL;
        reply->code = answered ? code : 0;
        reply->number = record.number;
        const char* text = record.area.replyText;
        reply->text.assign(text, strnlen(text, ZL_REPLY_TEXT_SIZE));
    }
    return result;
}

bool Reporter::Send(const Report& report, Reply* reply) {
    if (!KeepGoing()) return false;
    const int32_t result = Call(report, reply);
    if (result == 1)
        cause_ = StopCause::kCancelled;
    else if (result != 0)
        cause_ = StopCause::kHandlerException;
    return KeepGoing();
}

void Reporter::SendFinal(const Report& report) {
    Call(report, nullptr);
}

void Reporter::Close() {
    if (!handleSent_) return;
    if (!countSent_) SendFinal({.kind = ZL_REPORT_ENTRY_COUNT, .number = 0});
    if (!totalSent_) SendFinal({.kind = ZL_REPORT_TOTAL_BYTES, .size = 0});
    if (!ended_) SendFinal({.kind = ZL_REPORT_BATCH_END});
}

bool Reporter::KeepGoing() {
    if (cause_ == StopCause::kNone && abortFlag_ != nullptr &&
        abortFlag_->load(std::memory_order_relaxed))
        cause_ = StopCause::kAborted;
    return cause_ == StopCause::kNone;
}

uint32_t DosAttributes(const CentralEntry& entry) {
    constexpr uint32_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04;
    constexpr uint8_t kHostUnix = 3;
    uint32_t attributes = entry.externalAttributes & (kReadOnly | kHidden | kSystem);
    const uint32_t mode = entry.externalAttributes >> 16;
    if (entry.HostSystem() == kHostUnix && mode != 0 && (mode & 0200) == 0) attributes |= kReadOnly;
    return attributes;
}

namespace {

// Large blocks: every read and write costs a trip through the system (and Wine). The fuzzing
// build makes them small, so that short inputs cross block boundaries too.
#ifndef ZIPLIB_BLOCK_SIZE
#define ZIPLIB_BLOCK_SIZE (1024 * 1024)
#endif
constexpr size_t kBufferSize = ZIPLIB_BLOCK_SIZE;

// Raw inflate state reused by every entry of a job.
class Inflater {
  public:
    Inflater() {
        std::memset(&stream_, 0, sizeof stream_);
        ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
    }
    ~Inflater() {
        if (ok_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool Ok() const { return ok_; }
    z_stream& Stream() { return stream_; }

  private:
    z_stream stream_;
    bool ok_ = false;
};

// Why an entry was not extracted.
struct EntryFailure {
    ZlEntryError code = ZL_ERR_NONE;
    ZlSkipReason reason = ZL_SKIP_BAD_DATA;
    std::string text;
};

class ExtractJob {
  public:
    ExtractJob(ByteSource& archive, ExtractTarget& target, const ExtractRequest& request,
               Reporter& reporter)
        : archive_(archive), target_(target), request_(request), reporter_(reporter) {
        if (!request.password.empty()) password_ = request.password;
    }

    int32_t Run();

  private:
    struct Planned {
        const CentralEntry* entry;
        std::string name;  // in the program's code page
    };

    bool Selected(const std::string& name) const;
    void ProcessFolder(const Planned& item);
    void ProcessFile(const Planned& item);
    void Fail(const std::string& name, const EntryFailure& failure);
    void Skip(const std::string& name, ZlSkipReason reason);
    std::optional<std::string> OfferName(const std::string& name);
    // Decides about a file already at the path (freshen, update, the overwrite question);
    // false when the entry is skipped (already reported). `replace` tells whether the new
    // file may take an existing file's place.
    bool DecideOverwrite(const CentralEntry& entry, const std::string& path, bool& replace);
    // Opens the output file; false when the entry failed (already reported).
    bool OpenOutput(const std::string& path, bool replace, std::unique_ptr<OutputFile>& file);
    // Finds a password that opens the entry; false when none does (failure filled).
    bool Unlock(const CentralEntry& entry, const std::string& name, EntryData& data,
                std::optional<TraditionalCipher>& cipher, EntryFailure& failure);
    bool DeflatedStartDecodes(const CentralEntry& entry, const EntryData& data,
                              TraditionalCipher cipher);
    bool CopyData(const CentralEntry& entry, const EntryData& data, TraditionalCipher* cipher,
                  OutputFile* file, EntryFailure& failure);
    bool CopyStored(const EntryData& data, TraditionalCipher* cipher, EntryFailure& failure);
    bool CopyDeflated(const EntryData& data, TraditionalCipher* cipher, EntryFailure& failure);
    bool ReadInput(uint64_t offset, uint8_t* buffer, size_t size, TraditionalCipher* cipher,
                   EntryFailure& failure);
    // The buffer for the next block of data: never the one the writer may still be reading.
    std::vector<uint8_t>& NextBlock();
    bool Emit(const uint8_t* data, size_t size, EntryFailure& failure);
    // Collects the oldest block in flight: its write failure, or its progress reports.
    bool SettleOldest(EntryFailure& failure);
    // Collects every block in flight, in order.
    bool Settle(EntryFailure& failure);
    bool Progress(size_t size);
    bool FlushProgress();

    ByteSource& archive_;
    ExtractTarget& target_;
    const ExtractRequest& request_;
    Reporter& reporter_;
    Directory directory_;
    Inflater inflater_;
    std::vector<uint8_t> input_ = std::vector<uint8_t>(kBufferSize);
    // Decoded data goes round these blocks: those in flight are written while the next is
    // made in one that is not.
    std::vector<std::vector<uint8_t>> blocks_ = std::vector<std::vector<uint8_t>>(
        BlockWriter::kDepth + 1, std::vector<uint8_t>(kBufferSize));
    size_t nextBlock_ = 0;
    std::optional<std::string> password_;
    bool skipEncrypted_ = false;  // the caller answered "none further" to a password request
    bool skipExisting_ = false;   // … or to an overwrite question
    int32_t handled_ = 0;

    // State of the entry being copied.
    OutputFile* file_ = nullptr;
    uint64_t expected_ = 0;
    uint64_t produced_ = 0;
    uint64_t unreported_ = 0;
    uint32_t crc_ = 0;
    BlockWriter writer_;  // last: its thread ends before the buffers it reads go
};

int32_t ExtractJob::Run() {
    reporter_.Send({.kind = ZL_REPORT_JOB_HANDLE, .number = request_.jobHandle});
    DirectoryResult read = ReadDirectory(archive_);
    if (read.error != DirectoryError::kNone) {
        // The closing reports follow in RunExtractJob.
        reporter_.SendFinal(
            {.kind = ZL_REPORT_MESSAGE, .number = ZL_ERR_READ, .text = read.detail.c_str()});
        return ZL_STATUS_INVALID_STRUCTURE;
    }
    directory_ = std::move(read.directory);
    if (!inflater_.Ok()) return ZL_STATUS_NO_MEMORY;
    if (request_.verbose && directory_.offsetShift != 0) {
        const std::string note =
            "Archive offsets are shifted by " + std::to_string(directory_.offsetShift) + " bytes";
        reporter_.Send({.kind = ZL_REPORT_MESSAGE, .number = 0, .text = note.c_str()});
    }

    // Only pointers are kept: the converted names are made again when their entry comes,
    // so that memory grows as little as possible with the number of entries.
    std::vector<const CentralEntry*> selected;
    uint32_t files = 0;
    uint64_t bytes = 0;
    for (const CentralEntry& entry : directory_.entries) {
        if (!Selected(target_.ConvertName(entry))) continue;
        if (!entry.IsDirectory()) {
            ++files;
            bytes += entry.uncompressedSize;
        }
        selected.push_back(&entry);
    }
    reporter_.Send({.kind = ZL_REPORT_ENTRY_COUNT, .number = static_cast<int32_t>(files)});
    reporter_.Send({.kind = ZL_REPORT_TOTAL_BYTES, .size = bytes});
    for (const CentralEntry* entry : selected) {
        if (!reporter_.KeepGoing()) break;
        const Planned item{entry, target_.ConvertName(*entry)};
        if (entry->IsDirectory())
            ProcessFolder(item);
        else
            ProcessFile(item);
    }

    const StopCause cause = reporter_.Cause();
    if (cause != StopCause::kNone)
        reporter_.SendFinal(
            {.kind = ZL_REPORT_MESSAGE, .number = ZL_ERR_STOPPED, .text = "Extraction stopped"});
    reporter_.SendFinal({.kind = ZL_REPORT_BATCH_END});
    switch (cause) {
        case StopCause::kNone:
            return handled_;
        case StopCause::kCancelled:
            return ZL_STATUS_CANCELLED;
        case StopCause::kAborted:
            return ZL_STATUS_ABORTED;
        case StopCause::kHandlerException:
            return ZL_STATUS_HANDLER_EXCEPTION;
    }
    return handled_;
}

bool ExtractJob::Selected(const std::string& name) const {
    if (request_.specs.empty()) return true;
    for (const std::string& pattern : request_.specs)
        if (MatchesSpec(name, pattern, target_.UpperCase())) return true;
    return false;
}

void ExtractJob::Fail(const std::string& name, const EntryFailure& failure) {
    reporter_.Send(
        {.kind = ZL_REPORT_MESSAGE, .number = failure.code, .text = failure.text.c_str()});
    reporter_.Send({.kind = ZL_REPORT_SKIPPED,
                    .number = failure.code,
                    .text = name.c_str(),
                    .number2 = failure.reason + 1});
}

void ExtractJob::Skip(const std::string& name, ZlSkipReason reason) {
    reporter_.Send(
        {.kind = ZL_REPORT_SKIPPED, .number = 0, .text = name.c_str(), .number2 = reason + 1});
}

void ExtractJob::ProcessFolder(const Planned& item) {
    // Folders matter only when the stored structure is recreated; files create their own
    // parents, so these entries bring the empty folders.
    if (request_.test || !request_.directoryNames) return;
    const SafePath safe = MakeSafeRelativePath(item.name);
    if (safe.root) return;  // "./" as some tools store it
    if (!safe.safe) {
        Fail(item.name, {ZL_ERR_UNSAFE_NAME, ZL_SKIP_UNSAFE_NAME,
                         "Unsafe name refused: " + item.name + " (" + safe.reason + ")"});
        return;
    }
    std::string error;
    if (!target_.MakeFolder(safe.path, error))
        Fail(item.name, {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR,
                         "Cannot create folder " + safe.path + ": " + error});
}

// Offers the name to the caller (report 17); the caller may answer with another one, which
// has to pass the same safety check.
std::optional<std::string> ExtractJob::OfferName(const std::string& name) {
    Reply reply;
    if (!reporter_.Send({.kind = ZL_REPORT_NEW_EXTRACT_NAME, .text = name.c_str()}, &reply))
        return std::nullopt;
    if (reply.code != ZL_REPLY_YES || reply.text.empty() || reply.text == name) return name;
    const SafePath changed = MakeSafeRelativePath(reply.text);
    if (!changed.safe) {
        Fail(name, {ZL_ERR_UNSAFE_NAME, ZL_SKIP_UNSAFE_NAME,
                    "Unsafe name refused: " + reply.text + " (" + changed.reason + ")"});
        return std::nullopt;
    }
    return changed.path;
}

void ExtractJob::ProcessFile(const Planned& item) {
    const CentralEntry& entry = *item.entry;
    const SafePath safe = MakeSafeRelativePath(item.name);
    if (!safe.safe) {
        Fail(item.name, {ZL_ERR_UNSAFE_NAME, ZL_SKIP_UNSAFE_NAME,
                         "Unsafe name refused: " + item.name + " (" + safe.reason + ")"});
        return;
    }
    const std::optional<std::string> offered = OfferName(safe.path);
    if (!offered) return;
    const std::string& name = *offered;
    const std::string path = request_.directoryNames ? name : std::string(BaseName(name));

    if (entry.method != kMethodStored && entry.method != kMethodDeflated) {
        Fail(name,
             {ZL_ERR_UNSUPPORTED_METHOD, ZL_SKIP_UNSUPPORTED,
              "Unsupported compression method " + std::to_string(entry.method) + ": " + name});
        return;
    }
    if ((entry.flags & kFlagStrongEncryption) != 0) {
        Fail(name, {ZL_ERR_UNSUPPORTED, ZL_SKIP_UNSUPPORTED, "Unsupported encryption: " + name});
        return;
    }
    const LocateResult located = LocateEntryData(archive_, directory_, entry);
    if (located.error != LocateError::kNone) {
        const char* why = located.error == LocateError::kOverlap ? "data overlaps other entries"
                          : located.error == LocateError::kOutOfRange ? "data out of range"
                                                                      : "bad local header";
        Fail(name, {ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry " + name + ": " + why});
        return;
    }
    // The overwrite question comes before the password request, so that nobody is asked
    // for a password of a file that is then skipped.
    bool replace = false;
    if (!request_.test && !DecideOverwrite(entry, path, replace)) return;
    EntryData data = located.data;
    std::optional<TraditionalCipher> cipher;
    EntryFailure failure;
    if (entry.IsEncrypted() && !Unlock(entry, name, data, cipher, failure)) {
        if (failure.code != ZL_ERR_NONE) Fail(name, failure);
        return;
    }
    std::unique_ptr<OutputFile> file;
    if (!request_.test && !OpenOutput(path, replace, file)) return;

    if (!reporter_.Send(
            {.kind = ZL_REPORT_ENTRY_START, .text = name.c_str(), .size = entry.uncompressedSize}))
        return;
    if (!CopyData(entry, data, cipher ? &*cipher : nullptr, file.get(), failure)) {
        if (failure.code != ZL_ERR_NONE) Fail(name, failure);
        return;  // the partial file goes with `file`
    }
    if (crc_ != entry.crc32) {
        if (entry.IsEncrypted()) {
            Fail(name,
                 {ZL_ERR_PASSWORD, ZL_SKIP_PASSWORD, "Wrong password or damaged data: " + name});
            return;
        }
        Reply reply;
        if (!reporter_.Send({.kind = ZL_REPORT_CRC_ERROR,
                             .number = static_cast<int32_t>(crc_),
                             .text = name.c_str(),
                             .number2 = static_cast<int32_t>(entry.crc32)},
                            &reply))
            return;
        if (reply.code != ZL_REPLY_YES) {
            Fail(name, {ZL_ERR_CRC, ZL_SKIP_BAD_DATA, "CRC error: " + name});
            return;
        }
    }
    std::string error;
    if (file && !file->Commit(entry.DosDateTime(), DosAttributes(entry), error)) {
        Fail(name, {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR, "Cannot write " + path + ": " + error});
        return;
    }
    ++handled_;
}

bool ExtractJob::DecideOverwrite(const CentralEntry& entry, const std::string& path,
                                 bool& replace) {
    replace = request_.overwrite;
    if (request_.freshen || request_.update) {
        const ExistingFile existing = target_.Probe(path);
        if (!existing.exists && request_.freshen) {
            Skip(path, ZL_SKIP_NOT_PRESENT);
            return false;
        }
        if (existing.exists && existing.dosDateTime >= entry.DosDateTime()) {
            Skip(path, ZL_SKIP_NOT_NEWER);
            return false;
        }
        replace = existing.exists;
        return true;
    }
    if (replace) return true;
    const ExistingFile existing = target_.Probe(path);
    if (!existing.exists) return true;
    if (skipExisting_) {
        Skip(path, ZL_SKIP_EXISTS);
        return false;
    }
    const bool notOlder = existing.dosDateTime >= entry.DosDateTime();
    Reply reply;
    if (!reporter_.Send({.kind = ZL_REPORT_OVERWRITE,
                         .number = 0,
                         .text = path.c_str(),
                         .number2 = static_cast<int32_t>(entry.index),
                         .number3 = notOlder ? ZL_AGE_NOT_OLDER : 1},
                        &reply))
        return false;
    if (reply.code != ZL_REPLY_YES) {
        if (reply.code == ZL_REPLY_NO_ALL) skipExisting_ = true;
        Skip(path, ZL_SKIP_EXISTS);
        return false;
    }
    replace = true;
    return true;
}

bool ExtractJob::OpenOutput(const std::string& path, bool replace,
                            std::unique_ptr<OutputFile>& file) {
    std::string error;
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos && !target_.MakeFolder(path.substr(0, slash), error)) {
        Fail(path, {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR,
                    "Cannot create folder " + path.substr(0, slash) + ": " + error});
        return false;
    }
    const CreateOutcome outcome = target_.Create(path, replace, file, error);
    if (outcome == CreateOutcome::kExists) {
        // A file appeared after the decision: it is left alone.
        Skip(path, ZL_SKIP_EXISTS);
        return false;
    }
    if (outcome != CreateOutcome::kCreated) {
        Fail(path, {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR, "Cannot create " + path + ": " + error});
        return false;
    }
    return true;
}

bool ExtractJob::Unlock(const CentralEntry& entry, const std::string& name, EntryData& data,
                        std::optional<TraditionalCipher>& cipher, EntryFailure& failure) {
    failure = {ZL_ERR_PASSWORD, ZL_SKIP_PASSWORD, "Wrong or missing password: " + name};
    uint8_t header[TraditionalCipher::kHeaderSize];
    if (data.size < sizeof header || !archive_.ReadAt(data.offset, header, sizeof header)) {
        failure = {ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA,
                   "Damaged entry " + name + ": no encryption header"};
        return false;
    }
    data.offset += sizeof header;
    data.size -= sizeof header;
    // With a data descriptor the check byte comes from the time, since the CRC was not
    // known when the header was written.
    const uint8_t check = (entry.flags & kFlagDataDescriptor) != 0
                              ? static_cast<uint8_t>(entry.dosTime >> 8)
                              : static_cast<uint8_t>(entry.crc32 >> 24);
    auto opens = [&](const std::string& password) {
        cipher.emplace(password);
        if (cipher->AcceptsHeader(header, check) &&
            (entry.method != kMethodDeflated || DeflatedStartDecodes(entry, data, *cipher)))
            return true;
        cipher.reset();
        return false;
    };
    if (password_ && opens(*password_)) return true;
    if (skipEncrypted_) return false;
    for (int remaining = std::min(request_.passwordRequests, 15); remaining > 0;) {
        Reply reply;
        if (!reporter_.Send({.kind = ZL_REPORT_PASSWORD, .number = remaining, .text = name.c_str()},
                            &reply)) {
            failure = {};
            return false;
        }
        if (reply.code == ZL_REPLY_NO_ALL) skipEncrypted_ = true;
        if (reply.code != ZL_REPLY_YES || reply.text.empty()) return false;
        if (opens(reply.text)) {
            password_ = reply.text;
            return true;
        }
        remaining = std::min(remaining - 1, reply.number);
    }
    return false;
}

// A wrong password passes the header's one-byte check once in 256 tries, and would then be
// taken for the right one: the entry fails as damaged and the caller is not asked again.
// What such a password decrypts is noise, which the inflater refuses within the first few
// bytes almost every time, so the start of a deflated entry is decoded on trial first.
bool ExtractJob::DeflatedStartDecodes(const CentralEntry& entry, const EntryData& data,
                                      TraditionalCipher cipher) {
    constexpr size_t kTrialInput = 256;
    uint8_t sample[kTrialInput];
    const size_t count = static_cast<size_t>(std::min<uint64_t>(data.size, kTrialInput));
    // A read failure is left to the copy, which reports it as such.
    if (!archive_.ReadAt(data.offset, sample, count)) return true;
    cipher.Decrypt(sample, count);
    z_stream& z = inflater_.Stream();
    inflateReset(&z);
    z.next_in = sample;
    z.avail_in = static_cast<uInt>(count);
    std::vector<uint8_t>& output = blocks_[0];
    int status = Z_OK;
    while (status == Z_OK && z.avail_in > 0 && z.total_out <= entry.uncompressedSize) {
        z.next_out = output.data();
        z.avail_out = static_cast<uInt>(output.size());
        status = inflate(&z, Z_NO_FLUSH);
    }
    if (z.total_out > entry.uncompressedSize) return false;
    if (status == Z_STREAM_END) return z.total_out == entry.uncompressedSize;
    return status == Z_OK || status == Z_BUF_ERROR;
}

bool ExtractJob::CopyData(const CentralEntry& entry, const EntryData& data,
                          TraditionalCipher* cipher, OutputFile* file, EntryFailure& failure) {
    file_ = file;
    expected_ = entry.uncompressedSize;
    produced_ = 0;
    unreported_ = 0;
    crc_ = 0;
    failure = {};  // a stop leaves it empty: nothing to report for the entry
    EntryFailure copyFailure;
    bool copied = false;
    bool settled = false;
    {
        // However the copy ends, the writer lets go of the file before the caller may
        // remove it.
        struct Drain {
            BlockWriter& writer;
            ~Drain() { writer.Drain(); }
        } drain{writer_};
        copied = entry.method == kMethodStored ? CopyStored(data, cipher, copyFailure)
                                               : CopyDeflated(data, cipher, copyFailure);
        // The blocks still in flight were made before whatever ended the copy: their write
        // failure or their progress comes first, as it would with one thread.
        settled = Settle(failure);
    }
    file_ = nullptr;
    if (!settled) return false;
    if (!copied) {
        failure = copyFailure;
        return false;
    }
    if (produced_ != expected_) {
        failure = {ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry: data shorter than recorded"};
        return false;
    }
    return FlushProgress();
}

bool ExtractJob::ReadInput(uint64_t offset, uint8_t* buffer, size_t size, TraditionalCipher* cipher,
                           EntryFailure& failure) {
    if (!archive_.ReadAt(offset, buffer, size)) {
        failure = {ZL_ERR_READ, ZL_SKIP_BAD_DATA, "Cannot read the archive's data"};
        return false;
    }
    if (cipher != nullptr) cipher->Decrypt(buffer, size);
    return true;
}

std::vector<uint8_t>& ExtractJob::NextBlock() {
    std::vector<uint8_t>& block = blocks_[nextBlock_];
    nextBlock_ = (nextBlock_ + 1) % blocks_.size();
    return block;
}

bool ExtractJob::CopyStored(const EntryData& data, TraditionalCipher* cipher,
                            EntryFailure& failure) {
    if (data.size != expected_) {
        failure = {ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry: stored sizes differ"};
        return false;
    }
    for (uint64_t done = 0; done < data.size;) {
        std::vector<uint8_t>& block = NextBlock();
        const size_t count =
            static_cast<size_t>(std::min<uint64_t>(data.size - done, block.size()));
        if (!ReadInput(data.offset + done, block.data(), count, cipher, failure)) return false;
        if (!Emit(block.data(), count, failure)) return false;
        done += count;
    }
    return true;
}

// Each block is filled before it is handed on, so that a large entry goes to the writer in
// few, large pieces.
bool ExtractJob::CopyDeflated(const EntryData& data, TraditionalCipher* cipher,
                              EntryFailure& failure) {
    z_stream& z = inflater_.Stream();
    inflateReset(&z);
    z.avail_in = 0;
    uint64_t consumed = 0;
    for (;;) {
        std::vector<uint8_t>& block = NextBlock();
        z.next_out = block.data();
        z.avail_out = static_cast<uInt>(block.size());
        int status = Z_OK;
        bool damaged = false;
        while (z.avail_out > 0) {
            if (z.avail_in == 0 && consumed < data.size) {
                const size_t count =
                    static_cast<size_t>(std::min<uint64_t>(data.size - consumed, input_.size()));
                if (!ReadInput(data.offset + consumed, input_.data(), count, cipher, failure))
                    return false;
                consumed += count;
                z.next_in = input_.data();
                z.avail_in = static_cast<uInt>(count);
            }
            const uInt inBefore = z.avail_in, outBefore = z.avail_out;
            status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_STREAM_END) break;
            const bool stuck = z.avail_in == inBefore && z.avail_out == outBefore;
            if ((status != Z_OK && status != Z_BUF_ERROR) || (stuck && consumed == data.size)) {
                damaged = true;
                break;
            }
        }
        const size_t made = block.size() - z.avail_out;
        if (made > 0 && !Emit(block.data(), made, failure)) return false;
        if (status == Z_STREAM_END) return true;
        if (damaged) {
            failure = {ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA,
                       z.msg != nullptr ? std::string("Damaged compressed data: ") + z.msg
                                        : std::string("Damaged compressed data: truncated")};
            return false;
        }
    }
}

// Every decoded block: checksum, write, and progress in steps of at most one chunk. A block
// that does not end the entry goes to the writer's thread while the next ones are decoded;
// the entry's last block (a small file's only one) is done at once, once those before it are
// collected, since nothing would overlap it.
bool ExtractJob::Emit(const uint8_t* data, size_t size, EntryFailure& failure) {
    if (writer_.Full() && !SettleOldest(failure)) return false;
    if (size > expected_ - produced_) {
        if (!Settle(failure)) return false;
        failure = {ZL_ERR_DAMAGED, ZL_SKIP_BAD_DATA, "Damaged entry: data longer than recorded"};
        return false;
    }
    produced_ += size;
    if (produced_ < expected_) {
        writer_.Start(file_, data, size, crc_);
        return reporter_.KeepGoing();
    }
    if (!Settle(failure)) return false;
    std::string error;
    if (!BlockWriter::Process(file_, data, size, crc_, error)) {
        failure = {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR, "Cannot write: " + error};
        return false;
    }
    return Progress(size);
}

bool ExtractJob::SettleOldest(EntryFailure& failure) {
    std::string error;
    size_t size = 0;
    if (!writer_.Collect(crc_, size, error)) {
        failure = {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR, "Cannot write: " + error};
        return false;
    }
    return Progress(size);
}

bool ExtractJob::Settle(EntryFailure& failure) {
    while (writer_.Pending())
        if (!SettleOldest(failure)) return false;
    return true;
}

bool ExtractJob::Progress(size_t size) {
    unreported_ += size;
    while (unreported_ >= ZL_PROGRESS_CHUNK) {
        unreported_ -= ZL_PROGRESS_CHUNK;
        if (!reporter_.Send({.kind = ZL_REPORT_BYTES_DONE, .size = ZL_PROGRESS_CHUNK}))
            return false;
    }
    return reporter_.KeepGoing();
}

bool ExtractJob::FlushProgress() {
    if (unreported_ == 0) return reporter_.KeepGoing();
    const uint64_t rest = unreported_;
    unreported_ = 0;
    return reporter_.Send({.kind = ZL_REPORT_BYTES_DONE, .size = rest});
}

}  // namespace

int32_t RunExtractJob(ByteSource& archive, ExtractTarget& target, const ExtractRequest& request,
                      Reporter& reporter) {
    int32_t status;
    try {
        ExtractJob job(archive, target, request, reporter);
        status = job.Run();
    } catch (const std::bad_alloc&) {
        status = ZL_STATUS_NO_MEMORY;
    }
    reporter.Close();
    return status;
}

int32_t RefuseJob(Reporter& reporter, const ExtractRequest& request, ZlEntryError code,
                  const std::string& text, int32_t status) {
    reporter.Send({.kind = ZL_REPORT_JOB_HANDLE, .number = request.jobHandle});
    reporter.SendFinal({.kind = ZL_REPORT_MESSAGE, .number = code, .text = text.c_str()});
    reporter.Close();
    return status;
}

}  // namespace ziplib
