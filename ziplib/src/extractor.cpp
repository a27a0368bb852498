#include "extractor.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>

#include "decode_ahead.h"
#include "entry_decoder.h"
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
    // Password trials decode the start of an entry into this much room.
    static constexpr size_t kTrialOutput = 64 * 1024;

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
    // Writes the entry's decoded data (to `file` unless testing) and reports its progress;
    // false when it failed (`failure` filled) or the job stops (`failure` empty).
    bool CopyData(const CentralEntry& entry, const EntryData& data,
                  const std::optional<TraditionalCipher>& cipher, OutputFile* file,
                  EntryFailure& failure);
    bool Progress(size_t size);
    bool FlushProgress();
    std::string CaseFolded(const std::string& path) const;
    // The name under which the job wrote the file at `path`, if it did.
    const std::string* WrittenAs(const std::string& path) const;

    ByteSource& archive_;
    ExtractTarget& target_;
    const ExtractRequest& request_;
    Reporter& reporter_;
    Directory directory_;
    Inflater inflater_;  // password trials
    std::vector<uint8_t> trialOutput_;
    std::vector<const CentralEntry*> selected_;  // the entries of the job, in its order
    std::optional<DecodeAhead> ahead_;
    std::optional<std::string> password_;
    // The files the job wrote, by their names as the system compares them.
    std::unordered_map<std::string, std::string> written_;
    bool skipEncrypted_ = false;  // the caller answered "none further" to a password request
    bool skipExisting_ = false;   // … or to an overwrite question
    int32_t handled_ = 0;

    // Progress of the entry being copied.
    uint64_t unreported_ = 0;
    uint32_t crc_ = 0;
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
    uint32_t files = 0;
    uint64_t bytes = 0;
    for (const CentralEntry& entry : directory_.entries) {
        if (!Selected(target_.ConvertName(entry))) continue;
        if (!entry.IsDirectory()) {
            ++files;
            bytes += entry.uncompressedSize;
        }
        selected_.push_back(&entry);
    }
    reporter_.Send({.kind = ZL_REPORT_ENTRY_COUNT, .number = static_cast<int32_t>(files)});
    reporter_.Send({.kind = ZL_REPORT_TOTAL_BYTES, .size = bytes});
    ahead_.emplace(archive_, directory_, selected_, request_.threads);
    for (size_t index = 0; index < selected_.size(); ++index) {
        if (!reporter_.KeepGoing()) break;
        ahead_->Reach(index);
        const CentralEntry* entry = selected_[index];
        const Planned item{entry, target_.ConvertName(*entry)};
        if (entry->IsDirectory())
            ProcessFolder(item);
        else
            ProcessFile(item);
    }
    ahead_.reset();  // the decoding threads end now, also when the job stops early

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

std::string ExtractJob::CaseFolded(const std::string& path) const {
    std::string folded = path;
    for (char& c : folded) c = static_cast<char>(target_.UpperCase()[static_cast<uint8_t>(c)]);
    return folded;
}

const std::string* ExtractJob::WrittenAs(const std::string& path) const {
    const auto found = written_.find(CaseFolded(path));
    return found == written_.end() ? nullptr : &found->second;
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
    // Windows keeps no two names apart that differ only in case: this entry would land on a
    // file the job wrote, which stays.
    if (const std::string* earlier = WrittenAs(path); earlier != nullptr && *earlier != path) {
        Fail(name, {ZL_ERR_NAME_CLASH, ZL_SKIP_NAME_CLASH,
                    "Not written: " + path + " differs only in case from " + *earlier +
                        ", written before it"});
        return;
    }

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
    if (!CopyData(entry, data, cipher, file.get(), failure)) {
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
    if (file) written_.emplace(CaseFolded(path), path);
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
    std::vector<uint8_t>& output = trialOutput_;
    output.resize(kTrialOutput);
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
                          const std::optional<TraditionalCipher>& cipher, OutputFile* file,
                          EntryFailure& failure) {
    unreported_ = 0;
    failure = {};  // a stop leaves it empty: nothing to report for the entry
    ahead_->Open(entry, data, cipher);
    const uint8_t* block = nullptr;
    size_t size = 0;
    while (ahead_->Next(block, size)) {
        std::string error;
        if (file != nullptr && !file->Write(block, size, error)) {
            failure = {ZL_ERR_WRITE, ZL_SKIP_WRITE_ERROR, "Cannot write: " + error};
            return false;
        }
        if (!Progress(size)) return false;
    }
    if (ahead_->Failure().code != ZL_ERR_NONE) {
        failure = ahead_->Failure();
        return false;
    }
    crc_ = ahead_->Crc();
    return FlushProgress();
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
