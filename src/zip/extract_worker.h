// TZUWorker: the top layer of the zip worker, holding the archive's directory, the
// settings copied from the component, the extract operation and the dispatch of the
// library's callback reports.
#pragma once

#include <string>
#include <vector>

#include "zip/dirreader.h"
#include "zip/library_binding.h"

namespace mvt::zip {

enum class ExtrOptsEnum {
    ExtrDirNames,
    ExtrOverWrite,
    ExtrFreshen,
    ExtrUpdate,
    ExtrTest,
    ExtrForceDirs
};
using TZipExtrOptions = unsigned;  // bit per ExtrOptsEnum
constexpr TZipExtrOptions ExtrBit(ExtrOptsEnum option) {
    return 1u << int(option);
}

constexpr uint32_t kMaxPasswordRequests = 15;

// Results of an operation that did not start.
constexpr int kZipBusyOrInactive = -255;
constexpr int kZipLoading = -256;

// The settings an operation reads, copied from the component when it starts.
struct TZUSettings {
    std::string zipFileName;
    std::string extrBaseDir;
    TZipExtrOptions extrOptions = 0;
    std::vector<std::string> fspecArgs;
    std::string password;
    uint32_t passwordReqCount = 1;
    bool unattended = false;
    bool verbose = false;
    bool trace = false;
    std::string tempDir;
    CodePageOpts codePage = CodePageOpts::cpAuto;
    bool useDirOnlyEntries = false;
};

class TZUWorker : public TZUDynamicBind {
  public:
    explicit TZUWorker(TObject* sender);
    ~TZUWorker() override;

    TZUSettings settings;

    // Reads the archive's directory now, or marks the read pending while inactive.
    // Returns the error code. Raises nothing.
    int ReadDirectory();
    // The extract operation; returns the error code, which is not 0 when the operation
    // failed in any way (-255 when one is running already). Raises nothing.
    int Extract();

    bool Active() const { return active_; }
    // Activating runs a pending directory read.
    void SetActive(bool active);
    bool Busy() const { return busy_; }
    // Makes the next activation read the directory (a name stored while loading).
    void DeferRead() { readPending_ = true; }
    // Stops activity: cancel flag set and the library asked to abort a running job.
    void Reset();

    const std::vector<ZipDirEntry>& Directory() const { return directory_; }
    const ArchiveState& Archive() const { return archive_; }
    int SuccessCount() const { return successCount_; }
    // 0 when the last directory read succeeded, else the error it ended with (11002 when
    // the archive could not be opened and nothing was reported).
    int LastReadResult() const { return lastReadResult_; }
    const std::string& HandlerExceptionText() const { return handlerText_; }
    bool OnPasswordErrorAssigned() const { return static_cast<bool>(events.OnPasswordError); }

    // The callback handed to the library.
    static int32_t ZL_CALL Callback(void* caller, ZlCallbackRecord* record);

  private:
    class DirectoryHost;
    struct CommandTexts;

    void RunExtract();
    std::string CheckDestination();
    void BuildCommand(ZlCommand& command, CommandTexts& texts, const std::string& destination);
    int32_t HandleCallback(ZlCallbackRecord& record);
    void Dispatch(int kind, ZlCallbackRecord& record);
    void DispatchPassword(ZlCallbackRecord& record);
    void DispatchMessage(ZlCallbackRecord& record);

    std::vector<ZipDirEntry> directory_;
    ArchiveState archive_;
    bool active_ = true;
    bool readPending_ = false;
    bool busy_ = false;
    bool destroying_ = false;
    int successCount_ = 0;
    int lastReadResult_ = 0;
    std::string handlerText_;
    std::string longExtraData_;  // data handed back by pointer for report kind 14
};

// A library text with "/" turned into "\" (double-byte trail bytes left alone).
std::string LibraryText(const char* text);

}  // namespace mvt::zip
