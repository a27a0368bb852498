// Change watching for the folder tree: a thread of its own waits on the system's change
// notifications for whole folder subtrees and posts a message to a window at every change.
// The thread only waits and posts; what to do with a change is the window's business, on
// its own thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "framework/handles.h"

namespace mvt::shell {

class TChangeWatcher {
  public:
    // One wait serves the watches and the control event.
    static constexpr size_t kMaxWatches = MAXIMUM_WAIT_OBJECTS - 1;
    // A control request the thread has not answered within this time counts as failed.
    static constexpr DWORD kAnswerMilliseconds = 2000;

    // Changes are posted to `target` as `message` (wParam and lParam 0). The thread starts
    // here and ends with the object.
    TChangeWatcher(HWND target, UINT message);
    ~TChangeWatcher();
    TChangeWatcher(const TChangeWatcher&) = delete;
    TChangeWatcher& operator=(const TChangeWatcher&) = delete;

    // Watches a folder and everything below it for the changes in `filter`
    // (FILE_NOTIFY_CHANGE_*). False when the folder cannot be watched, every place of the
    // wait is taken, or the thread did not answer in time.
    bool AddWatch(const std::string& folder, DWORD filter);
    // Ends every watch; false when the thread did not answer in time.
    bool StopAll();
    // The number of armed watches as the thread last reported it.
    size_t WatchCount();

  private:
    enum class TRequestKind { None, Add, StopAll, Quit };
    struct TRequest {
        TRequestKind kind = TRequestKind::None;
        std::string folder;
        DWORD filter = 0;
        uint64_t serial = 0;
    };

    bool Ask(TRequest request);
    void Run();

    HWND target_;
    UINT message_;
    UniqueHandle requestEvent_;
    UniqueHandle doneEvent_;
    // Guards the request and answer below; only this object's two threads take it.
    std::mutex mutex_;
    TRequest request_;
    uint64_t nextSerial_ = 0;
    uint64_t answeredSerial_ = 0;
    bool answer_ = false;
    size_t watchCount_ = 0;
    std::thread thread_;
};

}  // namespace mvt::shell
