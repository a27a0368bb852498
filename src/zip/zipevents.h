// Event and value types of the zip component, shared by the worker and the component.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/classes.h"
#include "zip/dirreader.h"
#include "zip/progress_percent.h"

namespace mvt::zip {

// Dialog buttons in their set order; the ordinal is the value passed around.
enum class TZipDlgButton : int {
    zmbYes = 0,
    zmbNo,
    zmbOK,
    zmbCancel,
    zmbAbort,
    zmbRetry,
    zmbIgnore,
    zmbAll,
    zmbNoToAll,
    zmbYesToAll
};
using TZipDlgButtons = unsigned;  // bit per TZipDlgButton
constexpr TZipDlgButtons ButtonBit(TZipDlgButton button) {
    return 1u << int(button);
}
constexpr int kZipDlgButtonCount = 10;

// Modal results of the dialog box (and of OnZipDialog's Result): 1..10.
enum TZipModalResult : int {
    zmrNone = 0,
    zmrOk = 1,
    zmrCancel = 2,
    zmrAbort = 3,
    zmrRetry = 4,
    zmrIgnore = 5,
    zmrYes = 6,
    zmrNo = 7,
    zmrAll = 8,
    zmrNoToAll = 9,
    zmrYesToAll = 10
};
TZipModalResult ModalResultOf(TZipDlgButton button);
TZipDlgButton ButtonOfModalResult(int result);

enum class TZipProgressType : uint8_t {
    NewFile = 0,
    ProgressUpdate = 1,
    EndOfBatch = 2,
    TotalFiles2Process = 3,
    TotalSize2Process = 4,
    NewExtra = 5,
    ExtraUpdate = 6
};

struct TProgressDetails {
    TZipProgressType progressType = TZipProgressType::NewFile;
    int32_t itemCount = 0;
    int64_t bytesWritten = 0;
    int64_t totalSize = 0;
    int64_t totalPosition = 0;
    // The item's size and bytes done are 64-bit, so that an entry of 4 GiB or more (Zip64)
    // is counted and reported as it is; below 4 GiB every figure is that of 32-bit counters.
    uint64_t itemSize = 0;
    uint64_t itemPosition = 0;
    std::string itemName;
    int32_t itemNumber = 0;
};

enum class TZipSkipType : int {
    stFileExists = 0,
    stNotPresent,
    stNotNewer,
    stUnsafeName,
    stUnsupported,
    stPassword,
    stBadData,
    stWriteError,
    stNameClash,
    stByCaller
};
enum class TZipDiskStatus : int { dsNone = 0 };
enum class TZipDiskAction : int { daOk = 0, daCancel, daAbort };

using TZipCheckTerminateEvent = std::function<void(TObject* sender, bool& abort)>;
using TZipGetNextDiskEvent = std::function<void(TObject* sender, int diskSeqNo, int diskTotal,
                                                const std::string& drive, bool& abortAction)>;
// TotalSize is 64-bit for the same reason as the item counters.
using TZipItemProgressEvent =
    std::function<void(TObject* sender, const std::string& item, uint64_t totalSize, int perCent)>;
using TZipMessageEvent =
    std::function<void(TObject* sender, int errCode, const std::string& message)>;
using TZipProgressEvent = std::function<void(TObject* sender, TZipProgressType progrType,
                                             const std::string& filename, int64_t fileSize)>;
using TZipProgressDetailsEvent =
    std::function<void(TObject* sender, const TProgressDetails& details)>;
using TZipTotalProgressEvent = std::function<void(TObject* sender, int64_t totalSize, int perCent)>;
using TZipDialogEvent = std::function<void(TObject* sender, const std::string& title,
                                           std::string& msg, int& result, TZipDlgButtons btns)>;
using TZipCopyZipOverwriteEvent =
    std::function<void(TObject* sender, const std::string& forFile, bool& doOverwrite)>;
using TZipCRC32ErrorEvent =
    std::function<void(TObject* sender, const std::string& forFile, uint32_t foundCRC,
                       uint32_t expectedCRC, bool& doExtract)>;
using TZipExtractOverwriteEvent = std::function<void(
    TObject* sender, const std::string& forFile, bool isOlder, bool& doOverwrite, int dirIndex)>;
using TZipExtractSkippedEvent = std::function<void(TObject* sender, const std::string& forFile,
                                                   TZipSkipType skipType, int extError)>;
using TZipFileCommentEvent = std::function<void(TObject* sender, const std::string& forFile,
                                                std::string& text, bool& isChanged)>;
using TZipNewNameEvent =
    std::function<void(TObject* sender, int seqNo, const ZipDirEntry& zipEntry)>;
using TZipPasswordErrorEvent =
    std::function<void(TObject* sender, bool isZipAction, std::string& newPassword,
                       const std::string& forFile, uint32_t& repeatCount, TZipDlgButton& action)>;
using TZipSetAddNameEvent = std::function<void(TObject* sender, std::string& fileName,
                                               const std::string& extName, bool& isChanged)>;
using TZipSetNewNameEvent =
    std::function<void(TObject* sender, std::string& fileName, bool& isChanged)>;
using TZipStatusDiskEvent =
    std::function<void(TObject* sender, int previousDisk, const std::string& previousFile,
                       TZipDiskStatus status, TZipDiskAction& action)>;

// The event slots, in the worker's order; the component's event properties are these.
struct TZUEvents {
    TZipCheckTerminateEvent OnCheckTerminate;
    TZipItemProgressEvent OnItemProgress;
    TZipMessageEvent OnMessage;
    TZipProgressEvent OnProgress;
    TZipProgressDetailsEvent OnProgressDetails;
    TNotifyEvent OnTick;
    TZipTotalProgressEvent OnTotalProgress;
    TZipDialogEvent OnZipDialog;
    TZipCopyZipOverwriteEvent OnCopyZipOverwrite;
    TZipCRC32ErrorEvent OnCRC32Error;
    TNotifyEvent OnDirUpdate;
    TZipExtractOverwriteEvent OnExtractOverwrite;
    TZipExtractSkippedEvent OnExtractSkipped;
    TZipFileCommentEvent OnFileComment;
    TZipFileCommentEvent OnFileExtra;
    TZipNewNameEvent OnNewName;
    TZipPasswordErrorEvent OnPasswordError;
    TZipSetAddNameEvent OnSetAddName;
    TZipSetNewNameEvent OnSetExtName;
    TZipSetNewNameEvent OnSetNewName;
    TZipGetNextDiskEvent OnGetNextDisk;
    TZipStatusDiskEvent OnStatusDisk;
};

}  // namespace mvt::zip
