// TZipUnpacker: the non-visual component through which the installation unpacks each
// archive: published settings, the directory read on ZipFileName assignment and Extract.
#pragma once

#include <memory>
#include <string>

#include "framework/classes.h"
#include "zip/extract_worker.h"

namespace mvt::zip {

enum class AddOptsEnum {
    AddDirNames,
    AddRecurseDirs,
    AddMove,
    AddFreshen,
    AddUpdate,
    AddZipTime,
    AddForceDOS,
    AddHiddenFiles,
    AddArchiveOnly,
    AddResetArchive,
    AddEncrypt,
    AddSeparateDirs,
    AddVolume,
    AddFromDate,
    AddSafe,
    AddDiskSpan,
    AddDiskSpanErase,
    AddNoDirEntries
};
enum class AddStoreSuffixEnum {
    assGIF,
    assPNG,
    assZ,
    assZIP,
    assZOO,
    assARC,
    assLZH,
    assARJ,
    assTAZ,
    assTGZ,
    assLHA,
    assRAR,
    assACE,
    assCAB,
    assGZ,
    assGZIP,
    assJAR,
    assEXE,
    assEXT,
    assJPG,
    assJPEG,
    ass7Zp,
    assMP3,
    assWMV,
    assWMA,
    assDVR,
    assAVI
};
enum class SpanOptsEnum { spNoVolumeName, spCompatName, spWipeFiles, spTryFormat };
enum class TDeleteOpts { htdFinal, htdAllowUndo };
enum class OvrOpts { OvrAlways, OvrNever, OvrConfirm };
using TZipAddOptions = unsigned;
using TZipStoreSuffixes = unsigned;
using TZipSpanOptions = unsigned;
using TZipSFXOptions = unsigned;
constexpr TZipStoreSuffixes kDefaultStoreSuffixes =
    ((1u << 27) - 1) & ~(1u << int(AddStoreSuffixEnum::assEXT));
constexpr char kZipComponentVersion[] = "1.79.08.02";

// The self-extractor settings: carried for completeness, only stored.
struct TZipSFXSettings {
    std::string caption, commandLine, defaultDir, icon, message, path;
    TZipSFXOptions options = 0;
    OvrOpts overWriteMode = OvrOpts::OvrConfirm;
};

class TCustomZipUnpacker : public TComponent {
  public:
    explicit TCustomZipUnpacker(TComponent* owner);
    ~TCustomZipUnpacker() override;

    // ---- published properties ---------------------------------------------------------
    bool Active() const { return active_; }
    void SetActive(bool active);
    int AddCompLevel() const { return addCompLevel_; }
    void SetAddCompLevel(int level) { addCompLevel_ = level; }
    double AddFrom() const { return addFrom_; }
    void SetAddFrom(double from) { addFrom_ = from; }
    TZipAddOptions AddOptions() const { return addOptions_; }
    void SetAddOptions(TZipAddOptions options) { addOptions_ = options; }
    TZipStoreSuffixes AddStoreSuffixes() const { return addStoreSuffixes_; }
    void SetAddStoreSuffixes(TZipStoreSuffixes suffixes) { addStoreSuffixes_ = suffixes; }
    CodePageOpts CodePage() const { return settings_.codePage; }
    void SetCodePage(CodePageOpts codePage) { settings_.codePage = codePage; }
    bool ConfirmErase() const { return confirmErase_; }
    void SetConfirmErase(bool confirm) { confirmErase_ = confirm; }
    // At run time: whether a library is loaded.
    bool Dll_Load() const;
    void SetDll_Load(bool load);
    const std::string& DLLDirectory() const { return worker_->DllDirectory(); }
    void SetDLLDirectory(const std::string& folder) { worker_->SetDllDirectory(folder); }
    const std::string& ExtAddStoreSuffixes() const { return extAddStoreSuffixes_; }
    void SetExtAddStoreSuffixes(const std::string& text) { extAddStoreSuffixes_ = text; }
    const std::string& ExtrBaseDir() const { return settings_.extrBaseDir; }
    void SetExtrBaseDir(const std::string& folder) { settings_.extrBaseDir = folder; }
    TZipExtrOptions ExtrOptions() const { return settings_.extrOptions; }
    // Freshen is dropped when Update is set too.
    void SetExtrOptions(TZipExtrOptions options);
    TStringList& FSpecArgs() { return fspecArgs_; }
    TStringList& FSpecArgsExcl() { return fspecArgsExcl_; }
    TDeleteOpts HowToDelete() const { return howToDelete_; }
    void SetHowToDelete(TDeleteOpts how) { howToDelete_ = how; }
    uint32_t KeepFreeOnAllDisks() const { return keepFreeOnAllDisks_; }
    void SetKeepFreeOnAllDisks(uint32_t bytes) { keepFreeOnAllDisks_ = bytes; }
    uint32_t KeepFreeOnDisk1() const { return keepFreeOnDisk1_; }
    void SetKeepFreeOnDisk1(uint32_t bytes) { keepFreeOnDisk1_ = bytes; }
    // At run time: "US: default" while no language table is loaded.
    std::string Language() const;
    void SetLanguage(const std::string& language);
    int MaxVolumeSize() const { return maxVolumeSize_; }
    void SetMaxVolumeSize(int size) { maxVolumeSize_ = size; }
    int MinFreeVolumeSize() const { return minFreeVolumeSize_; }
    void SetMinFreeVolumeSize(int size) { minFreeVolumeSize_ = size; }
    const std::string& Password() const { return settings_.password; }
    void SetPassword(const std::string& password) { settings_.password = password; }
    uint32_t PasswordReqCount() const { return settings_.passwordReqCount; }
    // Values above 15 become 15.
    void SetPasswordReqCount(uint32_t count);
    const std::string& RootDir() const { return rootDir_; }
    void SetRootDir(const std::string& folder) { rootDir_ = folder; }
    TZipSFXSettings& SFX() { return sfx_; }
    TZipSpanOptions SpanOptions() const { return spanOptions_; }
    void SetSpanOptions(TZipSpanOptions options) { spanOptions_ = options; }
    const std::string& TempDir() const { return settings_.tempDir; }
    void SetTempDir(const std::string& folder) { settings_.tempDir = folder; }
    bool Trace() const { return settings_.trace; }
    void SetTrace(bool trace) { settings_.trace = trace; }
    bool Unattended() const { return settings_.unattended; }
    void SetUnattended(bool unattended) { settings_.unattended = unattended; }
    bool UseDirOnlyEntries() const { return settings_.useDirOnlyEntries; }
    void SetUseDirOnlyEntries(bool use) { settings_.useDirOnlyEntries = use; }
    bool Verbose() const { return settings_.verbose; }
    void SetVerbose(bool verbose) { settings_.verbose = verbose; }
    std::string Version() const { return kZipComponentVersion; }
    void SetVersion(const std::string&) {}  // read-only in effect
    std::string VersionInfo() const { return kZipComponentVersion; }
    void SetVersionInfo(const std::string&) {}
    const std::string& ZipFileName() const { return settings_.zipFileName; }
    // Reads the archive's directory at once while active and idle.
    void SetZipFileName(const std::string& name);

    // ---- operations -------------------------------------------------------------------
    int Extract();
    // Applies Language and activates the worker once the form data is loaded.
    void Loaded();
    // Marks the component as being loaded from form data (operations answer -256).
    void SetLoading(bool loading) { loading_ = loading; }

    // ---- state after an operation -----------------------------------------------------
    int ErrorCode() const { return worker_->ErrorCode(); }
    int FullErrorCode() const { return worker_->FullErrorCode(); }
    const std::string& ErrorMessage() const { return worker_->ErrorMessage(); }
    int SuccessCnt() const { return worker_->SuccessCount(); }
    // 0 when the last directory read succeeded (warnings allowed), else its error.
    int DirectoryResult() const { return worker_->LastReadResult(); }
    const std::vector<ZipDirEntry>& ZipContents() const { return worker_->Directory(); }
    int Count() const { return static_cast<int>(worker_->Directory().size()); }
    const ArchiveState& Archive() const { return worker_->Archive(); }
    bool Busy() const { return busy_; }
    TZUWorker& Worker() { return *worker_; }

  private:
    class Operation;
    // The end step of every operation: idle again, state copied back, a deferred
    // deactivation applied. Runs however the operation ends.
    void End() noexcept;
    // Applies Dll_Load at the start of an operation; false when that failed (reported).
    bool ApplyDllLoad();
    void CopySettingsIn();
    // CopySettingsIn for an operation that reports its own failures; false when it failed
    // (reported).
    bool CopySettingsReported();
    void CopyStateBack();

    std::unique_ptr<TZUWorker> worker_;
    TZUSettings settings_;

  public:
    // ---- published events: the worker's own slots -------------------------------------
    TZipCheckTerminateEvent& OnCheckTerminate;
    TZipItemProgressEvent& OnItemProgress;
    TZipMessageEvent& OnMessage;
    TZipProgressEvent& OnProgress;
    TZipProgressDetailsEvent& OnProgressDetails;
    TNotifyEvent& OnTick;
    TZipTotalProgressEvent& OnTotalProgress;
    TZipDialogEvent& OnZipDialog;
    TZipCopyZipOverwriteEvent& OnCopyZipOverwrite;
    TZipCRC32ErrorEvent& OnCRC32Error;
    TNotifyEvent& OnDirUpdate;
    TZipExtractOverwriteEvent& OnExtractOverwrite;
    TZipExtractSkippedEvent& OnExtractSkipped;
    TZipFileCommentEvent& OnFileComment;
    TZipFileCommentEvent& OnFileExtra;
    TZipNewNameEvent& OnNewName;
    TZipPasswordErrorEvent& OnPasswordError;
    TZipSetAddNameEvent& OnSetAddName;
    TZipSetNewNameEvent& OnSetExtName;
    TZipSetNewNameEvent& OnSetNewName;
    TZipGetNextDiskEvent& OnGetNextDisk;
    TZipStatusDiskEvent& OnStatusDisk;

  private:
    bool active_ = true;
    bool deferredDeactivate_ = false;
    bool busy_ = false;
    bool loading_ = false;
    bool dllLoad_ = false;
    int addCompLevel_ = 9;
    double addFrom_ = 0;
    TZipAddOptions addOptions_ = 0;
    TZipStoreSuffixes addStoreSuffixes_ = kDefaultStoreSuffixes;
    bool confirmErase_ = true;
    std::string extAddStoreSuffixes_;
    TStringList fspecArgs_;
    TStringList fspecArgsExcl_;
    TDeleteOpts howToDelete_ = TDeleteOpts::htdAllowUndo;
    uint32_t keepFreeOnAllDisks_ = 0, keepFreeOnDisk1_ = 0;
    std::string language_;
    int maxVolumeSize_ = 0;
    int minFreeVolumeSize_ = 65536;
    std::string rootDir_;
    TZipSFXSettings sfx_;
    TZipSpanOptions spanOptions_ = 0;
};

class TZipUnpacker : public TCustomZipUnpacker {
  public:
    using TCustomZipUnpacker::TCustomZipUnpacker;
};

}  // namespace mvt::zip
