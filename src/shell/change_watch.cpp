#include "shell/change_watch.h"

#include <memory>
#include <utility>
#include <vector>

namespace mvt::shell {

namespace {

struct ChangeNotificationCloser {
    void operator()(void* handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) FindCloseChangeNotification(handle);
    }
};
using UniqueChangeNotification = std::unique_ptr<void, ChangeNotificationCloser>;

}  // namespace

TChangeWatcher::TChangeWatcher(HWND target, UINT message)
    : target_(target),
      message_(message),
      requestEvent_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      doneEvent_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (requestEvent_ && doneEvent_) thread_ = std::thread([this] { Run(); });
}

TChangeWatcher::~TChangeWatcher() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        request_ = TRequest{TRequestKind::Quit, {}, 0, ++nextSerial_};
    }
    SetEvent(requestEvent_.get());
    // The thread only ever waits on its events and watches, so it comes at once.
    thread_.join();
}

bool TChangeWatcher::AddWatch(const std::string& folder, DWORD filter) {
    return Ask(TRequest{TRequestKind::Add, folder, filter, 0});
}

bool TChangeWatcher::StopAll() {
    return Ask(TRequest{TRequestKind::StopAll, {}, 0, 0});
}

size_t TChangeWatcher::WatchCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return watchCount_;
}

bool TChangeWatcher::Ask(TRequest request) {
    if (!thread_.joinable()) return false;
    uint64_t serial;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        serial = request.serial = ++nextSerial_;
        request_ = std::move(request);
    }
    SetEvent(requestEvent_.get());
    const ULONGLONG deadline = GetTickCount64() + kAnswerMilliseconds;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        if (WaitForSingleObject(doneEvent_.get(), static_cast<DWORD>(deadline - now)) !=
            WAIT_OBJECT_0)
            return false;
        // A late answer to an earlier request that timed out is not this one's.
        std::lock_guard<std::mutex> lock(mutex_);
        if (answeredSerial_ == serial) return answer_;
    }
}

void TChangeWatcher::Run() {
    std::vector<UniqueChangeNotification> watches;
    for (;;) {
        std::vector<HANDLE> waitOn{requestEvent_.get()};
        for (const auto& watch : watches) waitOn.push_back(watch.get());
        const DWORD count = static_cast<DWORD>(waitOn.size());
        const DWORD signalled = WaitForMultipleObjects(count, waitOn.data(), FALSE, INFINITE);

        if (signalled == WAIT_OBJECT_0) {
            TRequest request;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                request = std::exchange(request_, TRequest{});
            }
            bool answer = true;
            switch (request.kind) {
                case TRequestKind::Add:
                    if (watches.size() >= kMaxWatches) {
                        answer = false;
                        break;
                    }
                    if (HANDLE watch = FindFirstChangeNotificationA(request.folder.c_str(), TRUE,
                                                                    request.filter);
                        watch != INVALID_HANDLE_VALUE && watch) {
                        watches.emplace_back(watch);
                    } else {
                        answer = false;
                    }
                    break;
                case TRequestKind::StopAll:
                case TRequestKind::Quit:
                    watches.clear();
                    break;
                case TRequestKind::None:
                    continue;  // the request was already taken
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answeredSerial_ = request.serial;
                answer_ = answer;
                watchCount_ = watches.size();
            }
            SetEvent(doneEvent_.get());
            if (request.kind == TRequestKind::Quit) return;
            continue;
        }

        if (signalled > WAIT_OBJECT_0 && signalled < WAIT_OBJECT_0 + count) {
            const size_t index = signalled - WAIT_OBJECT_0 - 1;
            // Armed again for the next change; a watch that cannot be re-armed is closed.
            if (!FindNextChangeNotification(watches[index].get()))
                watches.erase(watches.begin() + static_cast<ptrdiff_t>(index));
            PostMessageA(target_, message_, 0, 0);
        } else {
            // A handle of the wait went bad (its drive vanished): keep the ones that still
            // answer, so that one broken watch does not spin this loop.
            const size_t erased = std::erase_if(watches, [](const UniqueChangeNotification& watch) {
                return WaitForSingleObject(watch.get(), 0) == WAIT_FAILED;
            });
            if (erased == 0) watches.clear();  // none to blame: start over without watches
        }
        std::lock_guard<std::mutex> lock(mutex_);
        watchCount_ = watches.size();
    }
}

}  // namespace mvt::shell
