#include "zip/zipunpacker.h"

#include "framework/forms.h"

namespace mvt::zip {

namespace {
// Copying the settings into the worker failed unexpectedly.
constexpr int kZipSettingsFault = -9;
constexpr int kMsgUnknown = 11049;
}  // namespace

TCustomZipUnpacker::TCustomZipUnpacker(TComponent* owner)
    : TComponent(owner),
      worker_(std::make_unique<TZUWorker>(this)),
      OnCheckTerminate(worker_->events.OnCheckTerminate),
      OnItemProgress(worker_->events.OnItemProgress),
      OnMessage(worker_->events.OnMessage),
      OnProgress(worker_->events.OnProgress),
      OnProgressDetails(worker_->events.OnProgressDetails),
      OnTick(worker_->events.OnTick),
      OnTotalProgress(worker_->events.OnTotalProgress),
      OnZipDialog(worker_->events.OnZipDialog),
      OnCopyZipOverwrite(worker_->events.OnCopyZipOverwrite),
      OnCRC32Error(worker_->events.OnCRC32Error),
      OnDirUpdate(worker_->events.OnDirUpdate),
      OnExtractOverwrite(worker_->events.OnExtractOverwrite),
      OnExtractSkipped(worker_->events.OnExtractSkipped),
      OnFileComment(worker_->events.OnFileComment),
      OnFileExtra(worker_->events.OnFileExtra),
      OnNewName(worker_->events.OnNewName),
      OnPasswordError(worker_->events.OnPasswordError),
      OnSetAddName(worker_->events.OnSetAddName),
      OnSetExtName(worker_->events.OnSetExtName),
      OnSetNewName(worker_->events.OnSetNewName),
      OnGetNextDisk(worker_->events.OnGetNextDisk),
      OnStatusDisk(worker_->events.OnStatusDisk) {}

// The worker's destructor stops a running job first, then frees the library.
TCustomZipUnpacker::~TCustomZipUnpacker() = default;

void TCustomZipUnpacker::CopySettingsIn() {
    settings_.fspecArgs = fspecArgs_.Lines();
    worker_->settings = settings_;
    worker_->unattended = settings_.unattended;
    worker_->verbose = settings_.verbose;
    worker_->trace = settings_.trace;
}

void TCustomZipUnpacker::CopyStateBack() {
    settings_.zipFileName = worker_->settings.zipFileName;
    fspecArgs_.Clear();
    for (const auto& line : worker_->settings.fspecArgs) fspecArgs_.Add(line);
    settings_.fspecArgs.clear();
}

void TCustomZipUnpacker::SetExtrOptions(TZipExtrOptions options) {
    if ((options & ExtrBit(ExtrOptsEnum::ExtrFreshen)) &&
        (options & ExtrBit(ExtrOptsEnum::ExtrUpdate)))
        options &= ~ExtrBit(ExtrOptsEnum::ExtrFreshen);
    settings_.extrOptions = options;
}

void TCustomZipUnpacker::SetPasswordReqCount(uint32_t count) {
    settings_.passwordReqCount = std::min(count, kMaxPasswordRequests);
}

std::string TCustomZipUnpacker::Language() const {
    return loading_ ? language_ : ZipMessages().Language();
}

void TCustomZipUnpacker::SetLanguage(const std::string& language) {
    language_ = language;
    if (!loading_) ZipMessages().SetLanguage(language);
}

bool TCustomZipUnpacker::Dll_Load() const {
    return loading_ ? dllLoad_ : worker_->Loaded();
}

void TCustomZipUnpacker::SetDll_Load(bool load) {
    dllLoad_ = load;
    if (loading_ || busy_) return;
    CopySettingsIn();
    try {
        if (load)
            worker_->LoadFor(kPurposeKeep);
        else
            worker_->ReleaseFor(kPurposeKeep);
    } catch (const EZipUnpacker& error) {
        worker_->ReportRaised(error);
    }
}

void TCustomZipUnpacker::SetActive(bool active) {
    if (busy_ && !active) {
        deferredDeactivate_ = true;  // applied when the operation ends
        return;
    }
    active_ = active;
    deferredDeactivate_ = false;
    if (loading_ || busy_) return;
    CopySettingsIn();
    busy_ = true;
    worker_->SetActive(active);  // a pending directory read runs now
    busy_ = false;
    CopyStateBack();
}

void TCustomZipUnpacker::Loaded() {
    loading_ = false;
    ZipMessages().SetLanguage(language_);
    if (active_) SetActive(true);
}

void TCustomZipUnpacker::SetZipFileName(const std::string& name) {
    settings_.zipFileName = name;
    if (loading_) worker_->DeferRead();
    if (loading_ || busy_) return;
    CopySettingsIn();
    busy_ = true;
    // A stop asked for during an earlier operation must not cancel this new read.
    worker_->SetCancel(false);
    worker_->ReadDirectory();  // deferred while inactive
    busy_ = false;
    CopyStateBack();
    if (deferredDeactivate_) SetActive(false);
}

int TCustomZipUnpacker::Start() {
    if (loading_) return kZipLoading;
    if (!active_ || busy_) {
        if (settings_.verbose && busy_) worker_->ReportMessage(0, "Re-entry");
        return kZipBusyOrInactive;
    }
    try {
        CopySettingsIn();
    } catch (const std::exception&) {
        return kZipSettingsFault;
    }
    worker_->SetActive(true);
    busy_ = true;
    try {
        if (dllLoad_)
            worker_->LoadFor(kPurposeKeep);
        else if (worker_->Usage() & kPurposeKeep)
            worker_->ReleaseFor(kPurposeKeep);
    } catch (const EZipUnpacker& error) {
        worker_->ReportRaised(error);
    }
    return 0;
}

void TCustomZipUnpacker::End() {
    busy_ = false;
    CopyStateBack();
    if (deferredDeactivate_) SetActive(false);
}

int TCustomZipUnpacker::Extract() {
    if (const int refused = Start()) return refused;
    try {
        worker_->Extract();
    } catch (const std::exception& error) {
        // Nothing escapes to the caller: an installation must go on with the next archive.
        worker_->ReportRaised(EZipUnpacker::FromText(kMsgUnknown, error.what(), true));
    }
    End();
    return worker_->ErrorCode();
}

}  // namespace mvt::zip
