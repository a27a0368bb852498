// TZUCore: the lowest layer of the zip worker: event slots, progress counters, error
// state, message boxes, the termination check and cursor handling.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "zip/messages.h"
#include "zip/zipdialog.h"
#include "zip/zipevents.h"

namespace mvt::zip {

// Context numbers shown with Verbose in the box caption.
constexpr int kContextReportedById = 10000;
constexpr int kContextRaised = 10001;

class TZUCore {
  public:
    explicit TZUCore(TObject* sender);
    virtual ~TZUCore() = default;
    TZUCore(const TZUCore&) = delete;
    TZUCore& operator=(const TZUCore&) = delete;

    TZUEvents events;
    TProgressDetails progress;

    // Copies of the component's flags.
    bool unattended = false;
    bool verbose = false;
    bool trace = false;

    int ErrorCode() const { return errorCode_; }
    int FullErrorCode() const { return fullErrorCode_; }
    const std::string& ErrorMessage() const { return errorMessage_; }
    bool Cancelled() const { return cancel_; }
    void SetCancel(bool cancel) { cancel_ = cancel; }

    // An error raised inside the component: error box when its display flag is set.
    void ReportRaised(const EZipUnpacker& error, const std::string& suffix = {});
    // The same for the last report of an operation, which nothing may interrupt: whatever a
    // handler raises while it is told is dropped (the error code is set before any handler
    // runs).
    void ReportRaisedQuietly(const EZipUnpacker& error, const std::string& suffix = {}) noexcept;
    // Reports an exception that ended an operation unexpectedly: lack of memory as 10103,
    // anything else as 11049 with the exception's text.
    void ReportUnexpected(std::exception_ptr exception, const std::string& suffix = {}) noexcept;
    // An error reported by id: information box.
    void ReportById(int id);
    // A message for OnMessage only; code 0 leaves the last error as it is.
    void ReportMessage(int code, const std::string& text);

    // Asks OnZipDialog first (a result of 1..10 replaces the box), else shows the box
    // unless unattended. The caption is the application's title unless one is given.
    // Returns the modal result (zmrNone when nothing was shown).
    int ZipDialog(const std::string& text, TZipDialogKind kind, TZipDlgButtons buttons, int context,
                  std::string* password = nullptr, const std::string& caption = {});

    // Progress reports, each followed by the termination check.
    void ProgressNewFile(const std::string& name, uint64_t size);
    void ProgressBytes(uint64_t count);
    void ProgressEndOfBatch();
    void ProgressItemCount(int32_t count);
    void ProgressTotalSize(uint64_t size);
    void ProgressPhaseStart(int phase, uint64_t size, const std::string& text);
    void ProgressPhaseStep(uint64_t count);

    // OnCheckTerminate when assigned; else, on the main thread, pending window messages.
    void CheckTerminate();

    // Whether the library announced a batch (report kinds 5 and 6) that it has not ended.
    bool BatchOpen() const { return batchOpen_; }
    // Ends a batch that the library left open (it failed or faulted), so that the progress
    // display sees the end of it as it would have; handler exceptions are dropped.
    void CloseOpenBatch() noexcept;

    // The hourglass for the lifetime of the guard (main thread only).
    class BusyCursor {
      public:
        explicit BusyCursor(const TZUCore& core);
        ~BusyCursor();
        BusyCursor(const BusyCursor&) = delete;
        BusyCursor& operator=(const BusyCursor&) = delete;

      private:
        bool active_;
        int previous_ = 0;
    };
    bool OnMainThread() const { return GetCurrentThreadId() == mainThread_; }

  protected:
    void SetError(int code, const std::string& message) {
        errorCode_ = code;
        errorMessage_ = message;
    }
    void SetFullErrorCode(int code) { fullErrorCode_ = code; }
    void ClearError();
    void FireItemProgress(const std::string& item, uint64_t totalSize, int perCent);
    void FireProgress(TZipProgressType type, const std::string& name, int64_t size);
    void FireDetails();

    TObject* sender_;
    bool cancel_ = false;
    bool batchOpen_ = false;

  private:
    int errorCode_ = 0;
    int fullErrorCode_ = 0;
    std::string errorMessage_;
    DWORD mainThread_;
};

}  // namespace mvt::zip
