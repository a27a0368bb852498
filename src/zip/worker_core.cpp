#include "zip/worker_core.h"

#include <new>

#include "framework/forms.h"

namespace mvt::zip {

TZipModalResult ModalResultOf(TZipDlgButton button) {
    switch (button) {
        case TZipDlgButton::zmbYes:
            return zmrYes;
        case TZipDlgButton::zmbNo:
            return zmrNo;
        case TZipDlgButton::zmbOK:
            return zmrOk;
        case TZipDlgButton::zmbCancel:
            return zmrCancel;
        case TZipDlgButton::zmbAbort:
            return zmrAbort;
        case TZipDlgButton::zmbRetry:
            return zmrRetry;
        case TZipDlgButton::zmbIgnore:
            return zmrIgnore;
        case TZipDlgButton::zmbAll:
            return zmrAll;
        case TZipDlgButton::zmbNoToAll:
            return zmrNoToAll;
        case TZipDlgButton::zmbYesToAll:
            return zmrYesToAll;
    }
    return zmrNone;
}

TZipDlgButton ButtonOfModalResult(int result) {
    for (int i = 0; i < kZipDlgButtonCount; ++i)
        if (ModalResultOf(TZipDlgButton(i)) == result) return TZipDlgButton(i);
    return TZipDlgButton::zmbCancel;
}

TZUCore::TZUCore(TObject* sender) : sender_(sender), mainThread_(GetCurrentThreadId()) {}

void TZUCore::ClearError() {
    errorCode_ = 0;
    fullErrorCode_ = 0;
    errorMessage_.clear();
}

void TZUCore::ReportRaised(const EZipUnpacker& error, const std::string& suffix) {
    const std::string text = error.Message() + suffix;
    SetError(error.ResId(), text);
    if (error.Display())
        ZipDialog(text, TZipDialogKind::Error, ButtonBit(TZipDlgButton::zmbOK), kContextRaised);
    if (events.OnMessage) events.OnMessage(sender_, error.ResId(), text);
}

void TZUCore::ReportRaisedQuietly(const EZipUnpacker& error, const std::string& suffix) noexcept {
    try {
        ReportRaised(error, suffix);
    } catch (...) {
        // ReportRaised sets the code first; only a failure before that leaves it unset.
        if (errorCode_ == 0) errorCode_ = error.ResId();
    }
}

void TZUCore::ReportUnexpected(std::exception_ptr exception, const std::string& suffix) noexcept {
    try {
        std::rethrow_exception(exception);
    } catch (const std::bad_alloc&) {
        ReportRaisedQuietly(EZipUnpacker::FromId(kMsgNoMemory), suffix);
    } catch (const std::exception& error) {
        try {
            ReportRaisedQuietly(EZipUnpacker::FromText(kMsgUnknown, error.what(), true), suffix);
        } catch (...) {
            if (errorCode_ == 0) errorCode_ = kMsgUnknown;
        }
    } catch (...) {
        try {
            ReportRaisedQuietly(EZipUnpacker::FromId(kMsgUnknown), suffix);
        } catch (...) {
            if (errorCode_ == 0) errorCode_ = kMsgUnknown;
        }
    }
}

void TZUCore::ReportById(int id) {
    std::string text = ZipMessages().Text(id);
    SetError(id, text);
    ZipDialog(text, TZipDialogKind::Information, ButtonBit(TZipDlgButton::zmbOK),
              kContextReportedById);
    if (events.OnMessage) events.OnMessage(sender_, id, text);
}

void TZUCore::ReportMessage(int code, const std::string& text) {
    if (code != 0) SetError(code, text);
    if (events.OnMessage) events.OnMessage(sender_, code, text);
}

int TZUCore::ZipDialog(const std::string& text, TZipDialogKind kind, TZipDlgButtons buttons,
                       int context, std::string* password, const std::string& caption) {
    if (unattended) return zmrNone;
    std::string title = caption.empty() ? Application().Title() : caption;
    if (verbose) title += Format("   (%d)", context);
    if (events.OnZipDialog) {
        std::string message = text;
        int result = zmrNone;
        events.OnZipDialog(sender_, title, message, result, buttons);
        if (result >= zmrOk && result <= zmrYesToAll) {
            if (password) *password = message;
            return result;
        }
    }
    return ShowZipDialog({title, text, kind, buttons}, password);
}

void TZUCore::FireItemProgress(const std::string& item, uint64_t totalSize, int perCent) {
    if (events.OnItemProgress) events.OnItemProgress(sender_, item, totalSize, perCent);
}

void TZUCore::FireProgress(TZipProgressType type, const std::string& name, int64_t size) {
    progress.progressType = type;
    if (events.OnProgress) events.OnProgress(sender_, type, name, size);
}

void TZUCore::FireDetails() {
    if (events.OnProgressDetails) events.OnProgressDetails(sender_, progress);
}

void TZUCore::ProgressNewFile(const std::string& name, uint64_t size) {
    FireProgress(TZipProgressType::NewFile, name, static_cast<int64_t>(size));
    ++progress.itemNumber;
    progress.itemName = name;
    progress.itemSize = size;
    progress.itemPosition = 0;
    FireDetails();
    FireItemProgress(name, progress.itemSize, 0);
}

void TZUCore::ProgressBytes(uint64_t count) {
    FireProgress(TZipProgressType::ProgressUpdate, {}, static_cast<int64_t>(count));
    progress.totalPosition += static_cast<int64_t>(count);
    progress.itemPosition += count;
    FireDetails();
    FireItemProgress(progress.itemName, progress.itemPosition,
                     ItemPercent(progress.itemSize, progress.itemPosition));
    if (events.OnTotalProgress)
        events.OnTotalProgress(sender_, progress.totalSize,
                               TotalPercent(progress.totalSize, progress.totalPosition));
}

void TZUCore::ProgressEndOfBatch() {
    batchOpen_ = false;
    FireProgress(TZipProgressType::EndOfBatch, {}, 0);
    progress.itemName.clear();
    progress.itemSize = 0;
    FireDetails();
    FireItemProgress({}, 0, 101);
    if (events.OnTotalProgress) events.OnTotalProgress(sender_, 0, 101);
}

void TZUCore::ProgressItemCount(int32_t count) {
    batchOpen_ = true;
    progress = TProgressDetails{};
    progress.itemCount = count;
    FireDetails();
    FireProgress(TZipProgressType::TotalFiles2Process, {}, count);
}

void TZUCore::ProgressTotalSize(uint64_t size) {
    batchOpen_ = true;
    progress.totalSize = static_cast<int64_t>(size);
    progress.totalPosition = progress.bytesWritten = 0;
    progress.itemSize = progress.itemPosition = 0;
    progress.itemName.clear();
    FireDetails();
    FireProgress(TZipProgressType::TotalSize2Process, {}, progress.totalSize);
}

void TZUCore::ProgressPhaseStart(int phase, uint64_t size, const std::string& text) {
    FireProgress(TZipProgressType::NewExtra, text, static_cast<int64_t>(size));
    progress.itemName = ZipMessages().Text(kMsgPhaseBase + phase);
    progress.itemSize = size;
    progress.itemPosition = 0;
    FireDetails();
    FireItemProgress(progress.itemName, progress.itemSize, 0);
}

void TZUCore::ProgressPhaseStep(uint64_t count) {
    FireProgress(TZipProgressType::ExtraUpdate, progress.itemName, static_cast<int64_t>(count));
    progress.itemPosition += count;
    FireDetails();
    FireItemProgress(progress.itemName, progress.itemSize,
                     ItemPercent(progress.itemSize, progress.itemPosition));
}

void TZUCore::CloseOpenBatch() noexcept {
    if (!batchOpen_) return;
    try {
        ProgressEndOfBatch();
    } catch (...) {
        batchOpen_ = false;
    }
}

void TZUCore::CheckTerminate() {
    if (events.OnCheckTerminate) {
        bool abort = cancel_;
        events.OnCheckTerminate(sender_, abort);
        if (abort) cancel_ = true;
    } else if (OnMainThread()) {
        Application().ProcessMessages();
    }
}

TZUCore::BusyCursor::BusyCursor(const TZUCore& core) : active_(core.OnMainThread()) {
    if (!active_) return;
    previous_ = Screen().Cursor();
    Screen().SetCursor(crHourGlass);
}

TZUCore::BusyCursor::~BusyCursor() {
    if (active_) Screen().SetCursor(previous_);
}

}  // namespace mvt::zip
