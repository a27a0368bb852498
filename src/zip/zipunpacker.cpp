#include "zip/zipunpacker.h"

#include <exception>

#include "framework/forms.h"

namespace mvt::zip {

namespace {
// Copying the settings into the worker failed unexpectedly.
constexpr int kZipSettingsFault = -9;
}  // namespace

// An operation in progress: the component is busy from its start to its end step, which
// runs however the operation ends (a handler or the system may raise anywhere in it).
class TCustomZipUnpacker::Operation {
  public:
    explicit Operation(TCustomZipUnpacker& zip) : zip_(zip) { zip_.busy_ = true; }
    ~Operation() { zip_.End(); }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

  private:
    TCustomZipUnpacker& zip_;
};

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

bool TCustomZipUnpacker::CopySettingsReported() {
    try {
        CopySettingsIn();
        return true;
    } catch (...) {
        worker_->ReportUnexpected(std::current_exception());
        return false;
    }
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
    try {
        CopySettingsIn();
        if (load)
            worker_->LoadFor(kPurposeKeep);
        else
            worker_->ReleaseFor(kPurposeKeep);
    } catch (const EZipUnpacker& error) {
        worker_->ReportRaisedQuietly(error);
    } catch (...) {
        worker_->ReportUnexpected(std::current_exception());
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
    if (!CopySettingsReported()) return;
    Operation operation(*this);
    ApplyDllLoad();              // every operation start; a failure is reported there
    worker_->SetActive(active);  // a pending directory read runs now
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
    if (!CopySettingsReported()) return;
    Operation operation(*this);
    // Dll_Load is applied at every operation start; the directory read needs no library,
    // so it goes on whether or not the library could be held.
    ApplyDllLoad();
    // A stop asked for during an earlier operation must not cancel this new read.
    worker_->SetCancel(false);
    worker_->ReadDirectory();  // deferred while inactive
}

bool TCustomZipUnpacker::ApplyDllLoad() {
    try {
        if (dllLoad_)
            worker_->LoadFor(kPurposeKeep);
        else if (worker_->Usage() & kPurposeKeep)
            worker_->ReleaseFor(kPurposeKeep);
        return true;
    } catch (const EZipUnpacker& error) {
        worker_->ReportRaisedQuietly(error);
    } catch (...) {
        worker_->ReportUnexpected(std::current_exception());
    }
    return false;
}

void TCustomZipUnpacker::End() noexcept {
    busy_ = false;
    try {
        CopyStateBack();
    } catch (...) {
        // The published lists keep what they held; nothing else depends on them.
    }
    if (deferredDeactivate_) SetActive(false);
}

int TCustomZipUnpacker::Extract() {
    if (loading_) return kZipLoading;
    if (!active_ || busy_) {
        if (settings_.verbose && busy_) {
            try {
                worker_->ReportMessage(0, "Re-entry");
            } catch (...) {
                // The refusal stands whatever the handler does.
            }
        }
        return kZipBusyOrInactive;
    }
    try {
        CopySettingsIn();
    } catch (...) {
        return kZipSettingsFault;
    }
    Operation operation(*this);
    worker_->SetActive(true);  // a pending directory read runs now
    // A library that cannot be kept loaded would fail the extraction the same way.
    if (!ApplyDllLoad()) return worker_->ErrorCode();
    return worker_->Extract();
}

}  // namespace mvt::zip
