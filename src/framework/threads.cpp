#include "framework/threads.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "framework/hidden_window.h"
#include "framework/sysutils.h"

namespace mvt {

namespace {

constexpr char kSyncWindowClass[] = "MVTThreadSynchronizer";
constexpr UINT kWakeMessage = WM_APP + 0x51;

}  // namespace

// The queue of synchronised calls and the hidden message-only window through which a
// worker thread wakes the main thread. One per process, made by the first TThread.
class Synchronizer {
  public:
    static Synchronizer& Instance() {
        static Synchronizer synchronizer;
        return synchronizer;
    }

    DWORD MainThread() const { return mainThread_; }

    bool Call(TThread& thread, const std::function<void()>& method) {
        Request request{&thread, &method, State::Pending, nullptr};
        {
            std::lock_guard lock(mutex_);
            if (thread.Terminated()) return false;
            queue_.push_back(&request);
        }
        PostMessageA(window_, kWakeMessage, 0, 0);
        std::unique_lock lock(mutex_);
        changed_.wait(
            lock, [&] { return request.state == State::Done || request.state == State::Dropped; });
        if (request.error) std::rethrow_exception(request.error);
        return request.state == State::Done;
    }

    void RunPending() {
        if (GetCurrentThreadId() != mainThread_) return;
        for (;;) {
            Request* request;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty()) return;
                request = queue_.front();
                queue_.pop_front();
                request->state = State::Running;
                request->thread->inSynchronize_ = true;
            }
            std::exception_ptr error;
            try {
                (*request->method)();
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard lock(mutex_);
                request->thread->inSynchronize_ = false;
                request->error = error;
                // The request lives on the waiting thread's stack: not touched after this.
                request->state = State::Done;
            }
            changed_.notify_all();
        }
    }

    void Drop(TThread& thread) {
        {
            std::lock_guard lock(mutex_);
            auto dropped =
                std::stable_partition(queue_.begin(), queue_.end(),
                                      [&](Request* request) { return request->thread != &thread; });
            for (auto it = dropped; it != queue_.end(); ++it) (*it)->state = State::Dropped;
            queue_.erase(dropped, queue_.end());
        }
        changed_.notify_all();
    }

  private:
    enum class State { Pending, Running, Done, Dropped };
    struct Request {
        TThread* thread;
        const std::function<void()>* method;
        State state = State::Pending;
        std::exception_ptr error;
    };

    Synchronizer() : mainThread_(GetCurrentThreadId()) {
        RegisterHiddenWindowClass(kSyncWindowClass, WindowProc);
        window_ = CreateMessageWindow(kSyncWindowClass);
        if (!window_) throw EOutOfResources("Cannot create the thread synchronisation window");
    }
    ~Synchronizer() { DestroyWindow(window_); }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kWakeMessage) {
            Instance().RunPending();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    DWORD mainThread_;
    HWND window_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Request*> queue_;
};

TThread::TThread() {
    // Made here, on the creating thread, so that the first creator becomes the main thread.
    Synchronizer::Instance();
}

TThread::~TThread() = default;

void TThread::Start() {
    if (handle_ || self_) return;
    self_ = shared_from_this();
    DWORD id = 0;
    // Suspended until the handle and the id are stored, so the body never sees them unset.
    HANDLE handle = CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!handle) {
        self_.reset();
        throw EOutOfResources("Cannot create a thread: " + SysErrorMessage(GetLastError()));
    }
    handle_.reset(handle);
    threadId_ = id;
    ResumeThread(handle);
}

DWORD WINAPI TThread::ThreadProc(void* parameter) {
    auto* thread = static_cast<TThread*>(parameter);
    std::shared_ptr<TThread> keep = std::move(thread->self_);
    try {
        thread->Execute();
    } catch (...) {
        thread->fatal_ = std::current_exception();
    }
    thread->finished_ = true;
    return 0;
}

void TThread::Terminate() {
    terminated_ = true;
    Synchronizer::Instance().Drop(*this);
}

bool TThread::WaitFor(DWORD milliseconds) const {
    if (!handle_ || GetCurrentThreadId() == threadId_) return false;
    return WaitForSingleObject(handle_.get(), milliseconds) == WAIT_OBJECT_0;
}

std::exception_ptr TThread::FatalException() const {
    return finished_ ? fatal_ : nullptr;
}

bool TThread::Synchronize(const std::function<void()>& method) {
    if (GetCurrentThreadId() == MainThreadID()) {
        method();
        return true;
    }
    return Synchronizer::Instance().Call(*this, method);
}

void TThread::CheckSynchronize() {
    Synchronizer::Instance().RunPending();
}

DWORD TThread::MainThreadID() {
    return Synchronizer::Instance().MainThread();
}

}  // namespace mvt
