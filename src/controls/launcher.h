// The program launcher: starts a program or opens a document through the Windows shell and
// can wait for the started process to end, in the caller's thread or in a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/classes.h"
#include "framework/handles.h"
#include "framework/threads.h"

namespace mvt {

enum class TShowMode { smNormal, smMaximized, smMinimized, smHide };
enum class TSkWaitType { wtFullStop, wtProcessMessages };

using TSkLaunchErrorEvent = std::function<void(TObject* sender, uint32_t errorCode)>;

// The window show command for a show mode (smMinimized does not take the focus).
int ShowCommand(TShowMode mode);

// What one start passes to the shell, taken from the launcher's properties when the start
// is asked for, so that a launch thread never reads properties the caller may change.
struct TSkLaunchRequest {
    std::string action;
    std::string fileName;
    std::string parameters;
    std::string startDir;
    TShowMode showMode = TShowMode::smNormal;
    int32_t timeout = -1;
};

class TSkLauncher;

// The thread that starts the process for a launcher and waits for its end. It frees
// itself when it ends; the launcher keeps only a weak reference.
class TSkLaunchThread : public TThread {
  public:
    TSkLaunchThread(TSkLauncher* launcher, TSkLaunchRequest request);

    // The launcher it serves; null once that launcher has gone.
    TSkLauncher* Launcher() const { return launcher_; }
    const TSkLaunchRequest& Request() const { return request_; }

  protected:
    void Execute() override;

  private:
    friend class TSkLauncher;
    std::atomic<TSkLauncher*> launcher_;
    const TSkLaunchRequest request_;
};

class TSkLauncher : public TComponent {
  public:
    explicit TSkLauncher(TComponent* owner);
    ~TSkLauncher() override;

    const std::string& Action() const { return action_; }
    void SetAction(const std::string& action) { action_ = action; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }
    const std::string& Parameters() const { return parameters_; }
    void SetParameters(const std::string& parameters) { parameters_ = parameters; }
    TShowMode ShowMode() const { return showMode_; }
    void SetShowMode(TShowMode mode) { showMode_ = mode; }
    const std::string& StartDir() const { return startDir_; }
    void SetStartDir(const std::string& startDir) { startDir_ = startDir; }
    // Milliseconds to wait for the process; -1 means without limit.
    int32_t Timeout() const { return timeout_; }
    void SetTimeout(int32_t timeout) { timeout_ = timeout; }
    TSkWaitType WaitType() const { return waitType_; }
    void SetWaitType(TSkWaitType waitType) { waitType_ = waitType; }
    bool WaitUntilFinished() const { return waitUntilFinished_; }
    void SetWaitUntilFinished(bool wait) { waitUntilFinished_ = wait; }

    TNotifyEvent OnFinished;
    TSkLaunchErrorEvent OnError;
    TNotifyEvent OnTimeout;

    // Run-time state. Written by a launch thread while the caller may read it: atomic.
    intptr_t InstanceValue() const { return instanceValue_; }
    uint32_t ExitCode() const { return exitCode_; }
    uint32_t ErrorCode() const { return errorCode_; }
    HANDLE ProcessHandle() const { return processHandle_; }
    bool Running() const { return running_; }
    std::weak_ptr<TSkLaunchThread> LaunchThread() const { return launchThread_; }

    virtual void WaitProcessMessages();
    virtual void WaitFullStop();
    virtual void WaitInThread(TSkLaunchThread& thread);
    // Starts FileName; with WaitUntilFinished returns after the wait, otherwise as soon as
    // the process has started or its start has failed. Ignored while Running or when
    // FileName is empty.
    virtual void Launch();
    // Starts FileName without waiting: 0 on success, else the shell's error value. The
    // process handle stays in ProcessHandle until the next start or the launcher's end.
    virtual uint32_t LaunchNoWait();

  protected:
    virtual void DoFinished();
    virtual void DoTimeout();
    virtual void DoError();

  private:
    friend class TSkLaunchThread;
    TSkLaunchRequest MakeRequest() const;
    // The start and the wait; thread is null for the waits in the caller's thread.
    void RunProcess(const TSkLaunchRequest& request, TSkLaunchThread* thread);
    // Calls an event dispatcher on the GUI thread through the launch thread; exceptions
    // of the handler go to the application's default handler.
    void Deliver(TSkLaunchThread& thread, void (TSkLauncher::*dispatch)());
    void CloseProcess();
    // Lets a launch thread that has ended its wait but not its body finish, so that only
    // one thread ever works on this launcher.
    void FinishPreviousThread();

    std::string action_ = "Open";
    std::string fileName_;
    std::string parameters_;
    TShowMode showMode_ = TShowMode::smNormal;
    std::string startDir_;
    int32_t timeout_ = -1;
    TSkWaitType waitType_ = TSkWaitType::wtFullStop;
    bool waitUntilFinished_ = false;

    std::atomic<intptr_t> instanceValue_{0};
    std::atomic<uint32_t> exitCode_{0};
    std::atomic<uint32_t> errorCode_{0};
    std::atomic<HANDLE> processHandle_{nullptr};
    std::atomic<bool> running_{false};
    std::weak_ptr<TSkLaunchThread> launchThread_;
    // The process handle of the last LaunchNoWait, which nothing waits for.
    UniqueHandle unwaitedProcess_;
};

}  // namespace mvt
