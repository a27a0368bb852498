#include "controls/launcher.h"

#include <objbase.h>
#include <shellapi.h>

#include "framework/forms.h"

namespace mvt {

namespace {

constexpr DWORD kThreadWaitStep = 100;  // milliseconds per wait of the launch thread
constexpr DWORD kStartPollStep = 10;    // milliseconds between looks while a thread starts
constexpr DWORD kWakeOnMessages = QS_POSTMESSAGE | QS_SENDMESSAGE | QS_ALLPOSTMESSAGE;

// Starts the request's file through the shell: 0 on success with the instance value and
// the process handle (null when the shell started no process of its own), otherwise the
// shell's error value, never 0.
uint32_t ShellStart(const TSkLaunchRequest& request, intptr_t& instance, HANDLE& process) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.hwnd = nullptr;
    // Empty texts go to the shell as empty strings, not as absent ones.
    info.lpVerb = request.action.c_str();
    info.lpFile = request.fileName.c_str();
    info.lpParameters = request.parameters.c_str();
    info.lpDirectory = request.startDir.c_str();
    info.nShow = ShowCommand(request.showMode);
    instance = 0;
    process = nullptr;
    if (ShellExecuteExA(&info)) {
        instance = reinterpret_cast<intptr_t>(info.hInstApp);
        process = info.hProcess;
        return 0;
    }
    DWORD lastError = GetLastError();
    auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info.hInstApp));
    // A failure the shell reports with the value 0 must still read as a failure (0 means
    // success to LaunchNoWait and "no error" to Launch, which would then wait for ever):
    // the system's error code stands in, or a general failure when there is none.
    if (value == 0) value = lastError ? lastError : ERROR_GEN_FAILURE;
    return value;
}

}  // namespace

int ShowCommand(TShowMode mode) {
    switch (mode) {
        case TShowMode::smMaximized:
            return SW_SHOWMAXIMIZED;
        case TShowMode::smMinimized:
            return SW_SHOWMINNOACTIVE;
        case TShowMode::smHide:
            return SW_HIDE;
        case TShowMode::smNormal:
            break;
    }
    return SW_SHOWNORMAL;
}

// ---- TSkLaunchThread ------------------------------------------------------------------

TSkLaunchThread::TSkLaunchThread(TSkLauncher* launcher, TSkLaunchRequest request)
    : launcher_(launcher), request_(std::move(request)) {}

void TSkLaunchThread::Execute() {
    // COM for the launch thread's life: the shell may hand a start to extensions that
    // need it.
    ComApartment apartment(COINIT_DISABLE_OLE1DDE);
    if (TSkLauncher* launcher = launcher_) launcher->RunProcess(request_, this);
}

// ---- TSkLauncher ----------------------------------------------------------------------

TSkLauncher::TSkLauncher(TComponent* owner) : TComponent(owner) {}

TSkLauncher::~TSkLauncher() {
    std::shared_ptr<TSkLaunchThread> thread = launchThread_.lock();
    if (!thread || thread->Finished()) return;
    // Ends the thread's wait within one step and drops an event it has not delivered yet.
    // The started program itself is never stopped.
    thread->Terminate();
    if (thread->InSynchronize()) {
        // Destroyed by a handler of one of this launcher's own events: the thread is blocked
        // until that handler returns and cannot be waited for here. It learns that the
        // launcher has gone and touches nothing of it afterwards; its process handle is
        // closed here instead.
        thread->launcher_ = nullptr;
        CloseProcess();
        return;
    }
    // Waiting for the thread's end, rather than sleeping a fixed time, makes sure that it
    // never works on this launcher again. With no event pending and 100 ms wait steps it
    // ends promptly.
    thread->WaitFor(INFINITE);
}

TSkLaunchRequest TSkLauncher::MakeRequest() const {
    return {action_, fileName_, parameters_, startDir_, showMode_, timeout_};
}

void TSkLauncher::Launch() {
    if (running_ || fileName_.empty()) return;
    FinishPreviousThread();
    processHandle_ = nullptr;
    unwaitedProcess_.reset();
    if (waitUntilFinished_) {
        RunProcess(MakeRequest(), nullptr);
        return;
    }
    // Cleared before the thread exists, so that an error of an earlier start does not end
    // the wait below at once.
    errorCode_ = 0;
    auto thread = std::make_shared<TSkLaunchThread>(this, MakeRequest());
    launchThread_ = thread;
    thread->Start();
    // Back to the caller once the process has started or its start has failed; a thread
    // that has ended without either (it cannot, but a wait for ever would be worse) ends
    // the wait too.
    while (!running_ && errorCode_ == 0 && !thread->Finished()) Sleep(kStartPollStep);
}

uint32_t TSkLauncher::LaunchNoWait() {
    if (running_ || fileName_.empty()) return 0;
    FinishPreviousThread();
    processHandle_ = nullptr;
    unwaitedProcess_.reset();
    instanceValue_ = 0;
    exitCode_ = 0;
    intptr_t instance = 0;
    HANDLE process = nullptr;
    uint32_t error = ShellStart(MakeRequest(), instance, process);
    if (error) return error;
    instanceValue_ = instance;
    // Nothing waits for this process; the launcher keeps its handle open for the caller
    // and closes it on the next start or at its own end.
    unwaitedProcess_.reset(process);
    processHandle_ = process;
    return 0;
}

void TSkLauncher::FinishPreviousThread() {
    std::shared_ptr<TSkLaunchThread> previous = launchThread_.lock();
    if (!previous || previous->Finished()) return;
    // Called from the previous thread's own last event (a failed start): after it the thread
    // touches nothing of this launcher, and waiting for it here would wait for ever.
    if (previous->InSynchronize()) return;
    // Not running any more: the thread has at most an event to deliver before it ends.
    while (!previous->WaitFor(kStartPollStep)) TThread::CheckSynchronize();
}

void TSkLauncher::RunProcess(const TSkLaunchRequest& request, TSkLaunchThread* thread) {
    errorCode_ = 0;
    instanceValue_ = 0;
    processHandle_ = nullptr;
    exitCode_ = 0;
    intptr_t instance = 0;
    HANDLE process = nullptr;
    uint32_t error = ShellStart(request, instance, process);
    if (error) {
        errorCode_ = error;
        if (thread)
            Deliver(*thread, &TSkLauncher::DoError);
        else
            DoError();
        return;
    }
    instanceValue_ = instance;
    processHandle_ = process;
    running_ = true;
    if (thread)
        WaitInThread(*thread);
    else if (waitType_ == TSkWaitType::wtProcessMessages)
        WaitProcessMessages();
    else
        WaitFullStop();
    // A handler of the last event may have destroyed this launcher; its destructor has
    // then closed the handle.
    if (thread && !thread->Launcher()) return;
    CloseProcess();
}

void TSkLauncher::CloseProcess() {
    if (HANDLE process = processHandle_.exchange(nullptr)) CloseHandle(process);
    running_ = false;
}

void TSkLauncher::WaitFullStop() {
    HANDLE process = processHandle_;
    switch (WaitForSingleObject(process, static_cast<DWORD>(timeout_))) {
        case WAIT_OBJECT_0: {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            exitCode_ = code;
            DoFinished();
            break;
        }
        case WAIT_TIMEOUT:
            DoTimeout();
            break;
        default:
            errorCode_ = GetLastError();
            DoError();
            break;
    }
}

void TSkLauncher::WaitProcessMessages() {
    HANDLE process = processHandle_;
    for (;;) {
        // The time-out starts anew with every wait, so messages can make the whole wait
        // longer than Timeout.
        DWORD result = MsgWaitForMultipleObjects(1, &process, FALSE, static_cast<DWORD>(timeout_),
                                                 kWakeOnMessages);
        if (result == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            exitCode_ = code;
            DoFinished();
            return;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            Application().ProcessMessages();
            continue;
        }
        if (result == WAIT_TIMEOUT) {
            DoTimeout();
            return;
        }
        errorCode_ = GetLastError();
        DoError();
        return;
    }
}

void TSkLauncher::WaitInThread(TSkLaunchThread& thread) {
    HANDLE process = processHandle_;
    // Compared as unsigned numbers: -1 is never reached and means without limit.
    const auto limit = static_cast<uint32_t>(thread.Request().timeout);
    uint32_t elapsed = 0;
    while (!thread.Terminated()) {
        DWORD result = WaitForSingleObject(process, kThreadWaitStep);
        if (result == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            exitCode_ = code;
            Deliver(thread, &TSkLauncher::DoFinished);
            return;
        }
        if (result != WAIT_TIMEOUT) {
            errorCode_ = GetLastError();
            Deliver(thread, &TSkLauncher::DoError);
            return;
        }
        elapsed += kThreadWaitStep;
        if (elapsed >= limit) {
            Deliver(thread, &TSkLauncher::DoTimeout);
            return;
        }
    }
}

void TSkLauncher::Deliver(TSkLaunchThread& thread, void (TSkLauncher::*dispatch)()) {
    // Runs on the GUI thread, where the launcher is destroyed too: a launcher that has gone
    // has terminated the thread first, which drops the call instead.
    thread.Synchronize([this, dispatch] {
        try {
            (this->*dispatch)();
        } catch (const std::exception& error) {
            Application().ShowException(error);
        }
    });
}

void TSkLauncher::DoFinished() {
    if (OnFinished) OnFinished(this);
}

void TSkLauncher::DoTimeout() {
    if (OnTimeout) OnTimeout(this);
}

void TSkLauncher::DoError() {
    if (OnError) OnError(this, errorCode_);
}

}  // namespace mvt
