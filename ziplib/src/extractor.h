// The extract job: selects the entries, checks their names, decides about existing files,
// decrypts, inflates, verifies and reports every step through the caller's callback. The
// files themselves are written through ExtractTarget, so this code has no platform headers
// and builds natively for fuzzing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entry_names.h"
#include "ziplib179.h"
#include "zip_format.h"

namespace ziplib {

struct ExtractRequest {
    bool test = false;
    bool overwrite = false;
    bool freshen = false;  // replace only files that exist and are older
    bool update = false;   // replace older files and create missing ones
    bool directoryNames = false;
    bool verbose = false;
    std::vector<std::string> specs;  // empty: every entry
    std::string password;            // tried first; empty: none
    int passwordRequests = 0;        // how often the callback may be asked for one per entry
    int32_t jobHandle = 0;
    // Threads of the job: the caller's and those that decode entries ahead of it; 0 or 1:
    // the caller's alone (which sends the same reports).
    unsigned threads = 0;
};

struct ExistingFile {
    bool exists = false;
    uint32_t dosDateTime = 0;  // local time, DOS format (date in the high word)
};

// One file being written. Destroying it without Commit removes the partial file.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    virtual bool Write(const uint8_t* data, size_t size, std::string& error) = 0;
    // Sets the modification time and the attributes, and closes the file.
    virtual bool Commit(uint32_t dosDateTime, uint32_t dosAttributes, std::string& error) = 0;
};

enum class CreateOutcome { kCreated, kExists, kFailed };

// Where the files go. Paths are relative to the destination, components joined by '\'.
class ExtractTarget {
  public:
    virtual ~ExtractTarget() = default;
    // The entry's name in the program's code page.
    virtual std::string ConvertName(const CentralEntry& entry) = 0;
    virtual const CaseTable& UpperCase() const = 0;
    // Creates the folder and its missing parents.
    virtual bool MakeFolder(const std::string& path, std::string& error) = 0;
    virtual ExistingFile Probe(const std::string& path) = 0;
    // Opens a file whose content takes the path's place only when it is committed: a file
    // already there survives a failed, damaged or cancelled entry, and nothing that looks
    // complete is left under the path before the commit. With `replace` false a file at the
    // path is left alone and kExists returned.
    virtual CreateOutcome Create(const std::string& path, bool replace,
                                 std::unique_ptr<OutputFile>& file, std::string& error) = 0;
};

enum class StopCause { kNone, kCancelled, kHandlerException, kAborted };

struct Reply {
    int32_t code = 0;  // a ZlReply value, or 0 when the callback did not answer
    int32_t number = 0;
    std::string text;
};

struct Report {
    int kind = ZL_REPORT_IDLE;
    int32_t number = 0;
    const char* text = nullptr;
    uint64_t size = 0;
    int32_t number2 = 0;
    int32_t number3 = 0;
};

// Sends reports to the caller's callback and remembers why the job has to stop.
class Reporter {
  public:
    Reporter(ZlCallback callback, void* caller, const std::atomic<bool>* abortFlag)
        : callback_(callback), caller_(caller), abortFlag_(abortFlag) {}

    // False when the job has to stop (now or earlier).
    bool Send(const Report& report, Reply* reply = nullptr);
    // Sends a report whatever the state of the job, ignoring the callback's result: the
    // closing reports of a stopped job.
    void SendFinal(const Report& report);
    // Polls the abort request between reports; false when the job has to stop.
    bool KeepGoing();
    StopCause Cause() const { return cause_; }
    // Sends the closing reports a job still owes once its handle has been reported: the
    // entry count and total size (0) when they were not sent, then the end of the batch.
    void Close();

  private:
    int32_t Call(const Report& report, Reply* reply);

    ZlCallback callback_;
    void* caller_;
    const std::atomic<bool>* abortFlag_;
    StopCause cause_ = StopCause::kNone;
    bool handleSent_ = false;
    bool countSent_ = false;
    bool totalSent_ = false;
    bool ended_ = false;
};

// DOS attributes to restore: read-only, hidden and system from the low byte, plus
// read-only for entries made on Unix whose owner may not write them.
uint32_t DosAttributes(const CentralEntry& entry);

// Runs one job; returns the number of file entries extracted (or tested) or a negative
// ZlStatus. With a test request nothing is created through `target`. The job reports its
// handle first and, however it ends, closes with the end of the batch.
int32_t RunExtractJob(ByteSource& archive, ExtractTarget& target, const ExtractRequest& request,
                      Reporter& reporter);

// Ends a job that fails before its first entry: its handle, the error (report 4 with `code`
// and `text`), then the empty counts and the end of the batch. Returns `status`.
int32_t RefuseJob(Reporter& reporter, const ExtractRequest& request, ZlEntryError code,
                  const std::string& text, int32_t status = ZL_STATUS_INVALID_STRUCTURE);

}  // namespace ziplib
