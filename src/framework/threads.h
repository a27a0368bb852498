// Threads with a body of their own, and calls a thread hands to the main (GUI) thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "framework/handles.h"

namespace mvt {

// A thread whose body is Execute. A TThread is always held by std::shared_ptr (made with
// std::make_shared): once started, the running thread keeps its own object alive until
// Execute has returned, so whoever made it may let go at any time and the object frees
// itself when its thread ends.
//
// Synchronised calls run on the main thread, the thread that made the first TThread of
// the process. They run whenever that thread dispatches window messages (any message
// loop, a modal one included) or calls CheckSynchronize.
class TThread : public std::enable_shared_from_this<TThread> {
  public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Begins Execute on a new thread; only the first call starts one. Raises
    // EOutOfResources when the system makes no thread.
    void Start();
    // Asks the body to end (it looks at Terminated). A synchronised call of this thread
    // that the main thread has not begun is dropped, so the thread never waits for a main
    // thread that is tearing down what the call would touch.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Execute has returned.
    bool Finished() const { return finished_; }
    DWORD ThreadID() const { return threadId_; }
    // Waits for the end of the thread; true when it has ended. False at once when called
    // by the thread itself or before Start.
    bool WaitFor(DWORD milliseconds) const;
    // True while the main thread runs one of this thread's synchronised calls (the thread
    // itself is then blocked in Synchronize).
    bool InSynchronize() const { return inSynchronize_; }
    // What escaped Execute, if anything (the thread ended there).
    std::exception_ptr FatalException() const;

    // Runs every pending synchronised call; does nothing on any thread but the main one.
    static void CheckSynchronize();
    static DWORD MainThreadID();

  protected:
    // The thread's body.
    virtual void Execute() = 0;
    // Runs method on the main thread and waits until it has run; false when it was
    // dropped because the thread has been told to terminate. On the main thread itself
    // the method runs at once. An exception the method raises is raised again here.
    bool Synchronize(const std::function<void()>& method);

  private:
    friend class Synchronizer;
    static DWORD WINAPI ThreadProc(void* parameter);

    UniqueHandle handle_;
    DWORD threadId_ = 0;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> inSynchronize_{false};
    std::exception_ptr fatal_;
    // Holds the object from Start until the new thread takes it over.
    std::shared_ptr<TThread> self_;
};

}  // namespace mvt
