#include "zip/extract_worker.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

#include "framework/forms.h"
#include "zip/file_host.h"

namespace mvt::zip {

namespace {

int32_t Flag(bool value) {
    return value ? ZL_TRUE : ZL_FALSE;
}

// Takes a library purpose for a scope.
class LibraryHold {
  public:
    LibraryHold(TZUDynamicBind& binding, LibraryPurpose purpose)
        : binding_(binding), purpose_(purpose) {
        binding_.LoadFor(purpose_);
    }
    ~LibraryHold() { binding_.ReleaseFor(purpose_); }
    LibraryHold(const LibraryHold&) = delete;
    LibraryHold& operator=(const LibraryHold&) = delete;

  private:
    TZUDynamicBind& binding_;
    LibraryPurpose purpose_;
};

bool EndsInSeparator(const std::string& text) {
    return !text.empty() && (text.back() == '\\' || text.back() == '/');
}

void CopyReply(ZlCallbackRecord& record, const std::string& text, size_t limit) {
    const size_t length = std::min(text.size(), limit);
    std::memcpy(record.area.replyText, text.data(), length);
    record.area.replyText[length] = '\0';
}

}  // namespace

std::string LibraryText(const char* text) {
    std::string result = text ? text : "";
    for (size_t i = 0; i < result.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(result[i]))) {
            ++i;  // the trail byte stays as it is
        } else if (result[i] == '/') {
            result[i] = '\\';
        }
    }
    return result;
}

// ---- Directory reading ------------------------------------------------------------------

class TZUWorker::DirectoryHost : public Win32FileHost {
  public:
    explicit DirectoryHost(TZUWorker& worker) : worker_(worker) {}

    // A handler that raises while it is told an error or a warning changes nothing: the
    // error stands (its code is set before any handler runs) and the read goes on as it
    // would have.
    void ReportById(int id) override {
        try {
            worker_.ReportById(id);
        } catch (...) {
        }
    }
    void ReportRaised(int id, const std::string& suffix) override {
        worker_.ReportRaisedQuietly(EZipUnpacker::FromId(id), suffix);
    }
    void ReportDiagnostic(const std::string& text) override { worker_.ReportMessage(0, text); }
    void ProgressStart(uint32_t count) override {
        worker_.ProgressPhaseStart(kMsgLoadingDirectory - kMsgPhaseBase, count, {});
        worker_.CheckTerminate();
    }
    void ProgressStep() override {
        worker_.ProgressPhaseStep(1);
        worker_.CheckTerminate();
    }
    void ProgressEnd() override {
        worker_.ProgressEndOfBatch();
        worker_.CheckTerminate();
    }
    void NewName(int sequence, const ZipDirEntry& entry) override {
        if (worker_.events.OnNewName) worker_.events.OnNewName(worker_.sender_, sequence, entry);
    }
    bool CancelRequested() override { return worker_.cancel_; }
    void BusyCursor(bool busy) override {
        if (busy)
            cursor_.emplace(worker_);
        else
            cursor_.reset();
    }
    void DirUpdate() override {
        if (worker_.events.OnDirUpdate) worker_.events.OnDirUpdate(worker_.sender_);
    }

  private:
    TZUWorker& worker_;
    std::optional<TZUCore::BusyCursor> cursor_;
};

TZUWorker::TZUWorker(TObject* sender) : TZUDynamicBind(sender) {}

TZUWorker::~TZUWorker() {
    destroying_ = true;
    Reset();
}

void TZUWorker::Reset() {
    AbortLibrary();
}

void TZUWorker::SetActive(bool active) {
    active_ = active;
    if (active_ && readPending_) ReadDirectory();
}

int TZUWorker::ReadDirectory() {
    directory_.clear();
    archive_ = ArchiveState{};
    ClearError();
    if (!active_) {
        readPending_ = true;
        return 0;
    }
    readPending_ = false;
    DirectoryHost host(*this);
    DirReadOptions options;
    options.codePage = settings.codePage;
    options.useDirOnlyEntries = settings.useDirOnlyEntries;
    options.verbose = verbose;
    DirReadOutcome outcome = DirReadOutcome::Failed;
    try {
        outcome = ReadZipDirectory(host, settings.zipFileName, options, directory_, archive_);
        if (outcome == DirReadOutcome::Failed)
            settings.zipFileName.clear();  // a following Extract reports 10102
    } catch (const std::bad_alloc&) {
        outcome = DirReadOutcome::Failed;
        settings.zipFileName.clear();
        ReportRaisedQuietly(EZipUnpacker::FromId(kMsgNoMemory));
    } catch (const std::exception& error) {
        // A handler that raised outside the walk (progress end, OnDirUpdate, OnMessage, also
        // while an error of the walk was reported).
        outcome = DirReadOutcome::Failed;
        settings.zipFileName.clear();
        ReportRaisedQuietly(EZipUnpacker::FromId(kMsgListError), error.what());
    } catch (...) {
        outcome = DirReadOutcome::Failed;
        settings.zipFileName.clear();
        ReportRaisedQuietly(EZipUnpacker::FromId(kMsgListError));
    }
    lastReadResult_ = outcome == DirReadOutcome::Succeeded ? 0
                      : ErrorCode() != 0                   ? ErrorCode()
                                                           : int{kMsgZipNotOpened};
    return ErrorCode();
}

// ---- Extracting -------------------------------------------------------------------------

struct TZUWorker::CommandTexts {
    std::string password;
    std::string archive;
    std::string destination;
    std::vector<std::string> specs;
    std::vector<ZlFileSpec> specArray;
};

int TZUWorker::Extract() {
    // A nested run would find nothing to do; saying 0 would call that a success.
    if (busy_) return kZipBusyOrInactive;
    successCount_ = 0;
    ClearError();
    busy_ = true;
    cancel_ = false;
    handlerText_.clear();
    // Whatever ends the run, the worker is idle afterwards, the file specifications are
    // used up and the request count is as it was.
    struct RunEnd {
        TZUWorker& worker;
        uint32_t requestCount;
        ~RunEnd() {
            worker.busy_ = false;
            worker.settings.fspecArgs.clear();
            worker.settings.passwordReqCount = requestCount;
        }
    } end{*this, settings.passwordReqCount};
    try {
        RunExtract();
    } catch (const EZipUnpacker& error) {
        busy_ = false;
        successCount_ = 0;
        ReportRaisedQuietly(error, handlerText_);
    } catch (...) {
        // A handler that raised outside a library report (the library's load message, the
        // unattended warning, a directory read) or the system (lack of memory): the run
        // ends as failed instead of passing the exception to the caller.
        busy_ = false;
        successCount_ = 0;
        ReportUnexpected(std::current_exception(), handlerText_);
    }
    return ErrorCode();
}

void TZUWorker::RunExtract() {
    if (settings.zipFileName.empty()) throw EZipUnpacker::FromId(kMsgNoZipFile);
    if (directory_.empty()) {
        ReadDirectory();
        if (directory_.empty()) {
            busy_ = false;
            if (ErrorCode() == 0) throw EZipUnpacker::FromId(kMsgZipNotOpened);
            return;  // the failed read has reported its error
        }
    }
    cancel_ = false;
    const std::string destination = CheckDestination();
    // Multi-part sets are handed over as the part that holds the directory; joining the
    // parts into one temporary archive is not done by this component.
    LibraryHold run(*this, kPurposeExtract);
    if (Version() <= 178) throw EZipUnpacker::WithText(kMsgDllOld, LibraryPath());
    ZlCommand command{};
    CommandTexts texts;
    BuildCommand(command, texts, destination);
    batchOpen_ = false;
    struct BatchEnd {
        TZUWorker& worker;
        ~BatchEnd() { worker.CloseOpenBatch(); }
    } batchEnd{*this};
    successCount_ = CallUnzExec(command);
}

std::string TZUWorker::CheckDestination() {
    const TZipExtrOptions options = settings.extrOptions;
    if (settings.extrBaseDir.empty() || (options & ExtrBit(ExtrOptsEnum::ExtrTest))) return {};
    std::string folder = settings.extrBaseDir;
    if (!EndsInSeparator(folder)) {
        const size_t last = folder.find_last_of("\\/");
        folder += last != std::string::npos ? folder[last] : '\\';
    }
    folder = FullDestinationPath(folder);
    if (options & ExtrBit(ExtrOptsEnum::ExtrForceDirs)) ForceDirectories(folder);
    if (!DirectoryExists(folder)) throw EZipUnpacker::WithText(kMsgExtractDirMissing, folder);
    // Nothing is written through a link: not even the probe below.
    if (const std::optional<std::string> target = LinkTargetOf(folder))
        throw EZipUnpacker::Formatted(kMsgExtractDirLink, {folder, *target});
    DWORD error = 0;
    if (!CanWriteInto(folder, error))
        throw EZipUnpacker::WithSystemError(kMsgCannotWrite, error, folder);
    return folder;
}

void TZUWorker::BuildCommand(ZlCommand& command, CommandTexts& texts,
                             const std::string& destination) {
    const TZipExtrOptions options = settings.extrOptions;
    auto has = [options](ExtrOptsEnum option) { return (options & ExtrBit(option)) != 0; };
    texts.password = settings.password;
    texts.archive = settings.zipFileName;
    texts.destination = destination;
    texts.specs = settings.fspecArgs;
    texts.specArray.resize(texts.specs.size(), ZlFileSpec{});
    for (size_t i = 0; i < texts.specs.size(); ++i)
        texts.specArray[i].pattern = texts.specs[i].c_str();
    const bool allEntries = texts.specs.empty() || texts.specs[0] == "*.*";

    settings.passwordReqCount = std::min(settings.passwordReqCount, kMaxPasswordRequests);
    if (settings.unattended && settings.password.empty() && !events.OnPasswordError) {
        settings.passwordReqCount = 0;
        ReportMessage(0, ZipMessages().Text(kMsgUnattendedPassword));
    }

    command.window = settings.unattended ? nullptr : Application().Handle();
    command.caller = this;
    command.version = ZL_INTERFACE_VERSION;
    command.callback = &TZUWorker::Callback;
    command.trace = Flag(settings.trace);
    command.password = texts.password.c_str();
    command.test = Flag(has(ExtrOptsEnum::ExtrTest));
    command.reserved44 = -1;
    command.verbose = Flag(settings.verbose || settings.trace);
    command.update = Flag(has(ExtrOptsEnum::ExtrUpdate));
    command.freshen = command.update ? ZL_FALSE : Flag(has(ExtrOptsEnum::ExtrFreshen));
    command.directoryNames = Flag(has(ExtrOptsEnum::ExtrDirNames));
    command.overwrite = Flag(has(ExtrOptsEnum::ExtrOverWrite));
    command.fileSpecCount = allEntries ? 0 : static_cast<int32_t>(texts.specs.size());
    command.archivePath = texts.archive.c_str();
    command.fileSpecs = texts.specArray.empty() ? nullptr : texts.specArray.data();
    command.passwordRequestCount = static_cast<int32_t>(settings.passwordReqCount);
    command.destination = destination.empty() ? nullptr : texts.destination.c_str();
    command.endMarker = ZL_COMMAND_END_MARKER;
}

// ---- Callback dispatch ------------------------------------------------------------------

int32_t ZL_CALL TZUWorker::Callback(void* caller, ZlCallbackRecord* record) {
    auto* worker = static_cast<TZUWorker*>(caller);
    if (!worker || !record) return 1;
    // A fault from here on is the program's own, not the library's.
    const FaultGuard::OwnCode own(worker->ActiveGuard());
    if (worker->destroying_) return worker->cancel_ ? 1 : 0;
    return worker->HandleCallback(*record);
}

int32_t TZUWorker::HandleCallback(ZlCallbackRecord& record) {
    const int kind = record.kindOrReply & ZL_REPORT_KIND_MASK;
    try {
        Dispatch(kind, record);
        if (kind != ZL_REPORT_JOB_HANDLE) CheckTerminate();
    } catch (const std::exception& error) {
        if (handlerText_.empty())
            handlerText_ = " #" + std::to_string(kind) + " \"" + error.what() + "\"";
        cancel_ = true;
    } catch (...) {
        if (handlerText_.empty()) handlerText_ = " #" + std::to_string(kind) + " \"\"";
        cancel_ = true;
    }
    if (!handlerText_.empty()) return kMsgHandlerException;
    return cancel_ ? 1 : 0;
}

void TZUWorker::DispatchMessage(ZlCallbackRecord& record) {
    const int code = record.number;
    // Entry names in the library's texts are shown as everywhere else, with "\".
    const std::string text = LibraryText(record.text);
    if (code != 0) {
        std::string message = text;
        const int lowByte = static_cast<int8_t>(code & 0xFF);
        // A job stopped by a failing handler names the handler's error. Message 10113 has
        // no place for it, so the text is appended rather than formatted in (and lost).
        if (lowByte == ZL_ERR_STOPPED && !handlerText_.empty())
            message = ZipMessages().Text(kMsgExceptionInEvent) + handlerText_;
        SetError(lowByte, message);
        SetFullErrorCode(code);
        if (events.OnMessage) events.OnMessage(sender_, code, message);
        return;
    }
    if (events.OnMessage) events.OnMessage(sender_, code, text);
}

void TZUWorker::DispatchPassword(ZlCallbackRecord& record) {
    TZipDlgButton action = TZipDlgButton::zmbOK;
    std::string password;
    uint32_t repeat = static_cast<uint32_t>(record.number);
    const std::string name = LibraryText(record.text);
    if (events.OnPasswordError) {
        events.OnPasswordError(sender_, record.isAdd != 0, password, name, repeat, action);
        if (action != TZipDlgButton::zmbOK) password.clear();
    } else if (unattended) {
        ReportById(kMsgNoExtractPassword);
    } else {
        const int result =
            ZipDialog(ZipMessages().Text(kMsgPasswordPrompt), TZipDialogKind::Password,
                      ButtonBit(TZipDlgButton::zmbOK) | ButtonBit(TZipDlgButton::zmbCancel) |
                          ButtonBit(TZipDlgButton::zmbAll),
                      kContextReportedById, &password, ZipMessages().Text(kMsgPasswordCaption));
        action = ButtonOfModalResult(result);
        // "CancelAll" stands for no more passwords at all.
        if (action == TZipDlgButton::zmbAll) action = TZipDlgButton::zmbNoToAll;
        if (action != TZipDlgButton::zmbOK) password.clear();
    }
    if (!password.empty()) {
        CopyReply(record, password, 80);
        record.kindOrReply = ZL_REPLY_YES;
    } else {
        repeat = 0;
        record.kindOrReply = ZL_REPLY_NO;
    }
    record.number = static_cast<int32_t>(std::min(repeat, kMaxPasswordRequests));
    if (action == TZipDlgButton::zmbCancel) record.kindOrReply = ZL_REPLY_NO;
    if (action == TZipDlgButton::zmbNoToAll) record.kindOrReply = ZL_REPLY_NO_ALL;
    if (action == TZipDlgButton::zmbAbort) cancel_ = true;
}

void TZUWorker::Dispatch(int kind, ZlCallbackRecord& record) {
    const ZlReportFields& report = record.area.report;
    switch (kind) {
        case ZL_REPORT_IDLE:
            if (events.OnTick) events.OnTick(sender_);
            break;
        case ZL_REPORT_ENTRY_START:
            ProgressNewFile(LibraryText(record.text), report.size);
            break;
        case ZL_REPORT_BYTES_DONE:
            ProgressBytes(report.size);
            break;
        case ZL_REPORT_BATCH_END:
            ProgressEndOfBatch();
            break;
        case ZL_REPORT_MESSAGE:
            DispatchMessage(record);
            break;
        case ZL_REPORT_ENTRY_COUNT:
            ProgressItemCount(record.number);
            break;
        case ZL_REPORT_TOTAL_BYTES:
            ProgressTotalSize(report.size);
            break;
        case ZL_REPORT_NEW_ADD_NAME: {
            std::string name = LibraryText(record.text);
            bool changed = false;
            if (events.OnSetNewName) events.OnSetNewName(sender_, name, changed);
            if (report.data && events.OnSetAddName)
                events.OnSetAddName(sender_, name, static_cast<const char*>(report.data), changed);
            if (changed) {
                CopyReply(record, name, ZL_REPLY_TEXT_SIZE - 1);
                record.kindOrReply = ZL_REPLY_YES;
            }
            break;
        }
        case ZL_REPORT_PASSWORD:
            DispatchPassword(record);
            break;
        case ZL_REPORT_CRC_ERROR:
            if (events.OnCRC32Error) {
                bool doExtract = true;
                events.OnCRC32Error(sender_, LibraryText(record.text),
                                    static_cast<uint32_t>(record.number),
                                    static_cast<uint32_t>(report.number2), doExtract);
                record.kindOrReply = doExtract ? ZL_REPLY_YES : ZL_REPLY_NO_ALL;
            }
            break;
        case ZL_REPORT_OVERWRITE:
            if (events.OnExtractOverwrite) {
                bool overwrite = record.number != 0;
                events.OnExtractOverwrite(sender_, LibraryText(record.text),
                                          report.number3 != ZL_AGE_NOT_OLDER, overwrite,
                                          report.number2);
                record.kindOrReply = overwrite ? ZL_REPLY_YES : ZL_REPLY_NO;
            }
            break;
        case ZL_REPORT_SKIPPED: {
            const int extError = record.number;
            const int reason = report.number2 - 1;
            const std::string name = LibraryText(record.text);
            if (extError != 0) {
                SetFullErrorCode(extError);
                SetError(extError & 0xFF, ErrorMessage());
            }
            if (events.OnExtractSkipped)
                events.OnExtractSkipped(sender_, name, TZipSkipType(reason), extError);
            else if (events.OnMessage)
                events.OnMessage(sender_, kMsgUnknownError,
                                 ZipMessages().Format(kMsgSkipped, {name, int64_t(reason)}));
            break;
        }
        case ZL_REPORT_COMMENT:
            if (events.OnFileComment) {
                std::string comment = report.data ? static_cast<const char*>(report.data) : "";
                bool changed = false;
                events.OnFileComment(sender_, LibraryText(record.text), comment, changed);
                if (changed) {
                    CopyReply(record, comment, ZL_REPLY_TEXT_SIZE - 1);
                    record.number = static_cast<int32_t>(std::min<size_t>(comment.size(), 511));
                    record.kindOrReply = ZL_REPLY_YES;
                }
            }
            break;
        case ZL_REPORT_MEMORY_SIZE:
            // Only the memory variants answer this; Extract never uses them.
            record.area.report.size = 0;
            record.kindOrReply = ZL_REPLY_NO;
            break;
        case ZL_REPORT_EXTRA_DATA:
            if (events.OnFileExtra) {
                std::string extra;
                if (report.data && record.number > 0)
                    extra.assign(static_cast<const char*>(report.data),
                                 static_cast<size_t>(record.number));
                bool changed = false;
                events.OnFileExtra(sender_, LibraryText(record.text), extra, changed);
                if (changed) {
                    record.number = static_cast<int32_t>(extra.size());
                    if (extra.size() <= 511) {
                        std::memcpy(record.area.replyText, extra.data(), extra.size());
                    } else {
                        longExtraData_ = extra;
                        record.area.report.data = longExtraData_.data();
                    }
                    record.kindOrReply = ZL_REPLY_YES;
                }
            }
            break;
        case ZL_REPORT_PHASE_START:
            ProgressPhaseStart(record.number, report.size, LibraryText(record.text));
            break;
        case ZL_REPORT_PHASE_STEP:
            ProgressPhaseStep(report.size);
            break;
        case ZL_REPORT_NEW_EXTRACT_NAME:
            if (events.OnSetExtName) {
                const std::string offered = LibraryText(record.text);
                std::string name = offered;
                bool changed = false;
                events.OnSetExtName(sender_, name, changed);
                if (changed && name != offered &&
                    EndsInSeparator(name) == EndsInSeparator(offered)) {
                    CopyReply(record, name, ZL_REPLY_TEXT_SIZE - 1);
                    record.kindOrReply = ZL_REPLY_YES;
                }
            }
            break;
        case ZL_REPORT_JOB_HANDLE:
            SetJobHandle(record.number);
            break;
        default:
            break;
    }
}

}  // namespace mvt::zip
