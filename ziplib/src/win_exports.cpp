// The six entries of ZipLib179.dll.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <memory>
#include <new>
#include <thread>

#include "extractor.h"
#include "win_target.h"
#include "ziplib179.h"

namespace ziplib {
namespace {

// Jobs running in this process, by handle, so that ZL_Abort can reach one from another
// thread. The one piece of process-wide state the interface demands.
class JobRegistry {
  public:
    struct Job {
        int32_t handle = 0;
        std::atomic<bool> abort{false};
    };

    static JobRegistry& Instance() {
        static JobRegistry registry;
        return registry;
    }

    std::shared_ptr<Job> Start() {
        auto job = std::make_shared<Job>();
        Locked lock(lock_);
        job->handle = next_++;
        if (next_ <= 0) next_ = 1;
        jobs_[job->handle] = job;
        return job;
    }

    void Finish(int32_t handle) {
        Locked lock(lock_);
        jobs_.erase(handle);
    }

    bool Abort(int32_t handle) {
        Locked lock(lock_);
        const auto it = jobs_.find(handle);
        if (it == jobs_.end()) return false;
        it->second->abort.store(true);
        return true;
    }

  private:
    class Locked {
      public:
        explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
        ~Locked() { ReleaseSRWLockExclusive(&lock_); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

      private:
        SRWLOCK& lock_;
    };

    SRWLOCK lock_ = SRWLOCK_INIT;
    int32_t next_ = 1;
    std::map<int32_t, std::shared_ptr<Job>> jobs_;
};

// Removes the job from the registry whatever way the call ends.
class JobScope {
  public:
    JobScope() : job_(JobRegistry::Instance().Start()) {}
    ~JobScope() { JobRegistry::Instance().Finish(job_->handle); }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;
    JobRegistry::Job& Job() { return *job_; }

  private:
    std::shared_ptr<JobRegistry::Job> job_;
};

constexpr int32_t kMaxFileSpecs = 65535;

ExtractRequest RequestFrom(const ZlCommand& command) {
    ExtractRequest request;
    request.test = command.test != 0;
    request.overwrite = command.overwrite != 0;
    request.update = command.update != 0;
    request.freshen = command.freshen != 0 && !request.update;
    request.directoryNames = command.directoryNames != 0;
    request.verbose = command.verbose != 0 || command.trace != 0;
    if (command.fileSpecs != nullptr && command.fileSpecCount > 0) {
        const int32_t count = std::min(command.fileSpecCount, kMaxFileSpecs);
        for (int32_t i = 0; i < count; ++i) {
            const char* pattern = command.fileSpecs[i].pattern;
            if (pattern != nullptr && *pattern != '\0') request.specs.emplace_back(pattern);
        }
    }
    if (command.password != nullptr) request.password = command.password;
    request.passwordRequests = std::clamp(command.passwordRequestCount, 0, 15);
    request.threads = command.threads > 0 ? static_cast<unsigned>(command.threads)
                                          : std::max(1u, std::thread::hardware_concurrency());
    return request;
}

// Absolute destination ending in a separator; the current folder when none is given.
std::string DestinationFrom(const ZlCommand& command) {
    std::string root;
    if (command.destination != nullptr && *command.destination != '\0') {
        char full[MAX_PATH * 2];
        const DWORD length = GetFullPathNameA(command.destination, sizeof full, full, nullptr);
        root = length > 0 && length < sizeof full ? std::string(full, length) : command.destination;
    } else {
        char current[MAX_PATH * 2];
        const DWORD length = GetCurrentDirectoryA(sizeof current, current);
        root.assign(current, length < sizeof current ? length : 0);
    }
    for (char& c : root)
        if (c == '/') c = '\\';
    if (root.empty() || root.back() != '\\') root += '\\';
    return root;
}

int32_t RunJob(const ZlCommand& command) {
    JobScope scope;
    ExtractRequest request = RequestFrom(command);
    request.jobHandle = scope.Job().handle;
    Reporter reporter(command.callback, command.caller, &scope.Job().abort);
    // A job that fails before its entries still ends with its closing reports, so that the
    // caller's progress display always sees the end of the batch.
    auto refuse = [&](ZlEntryError code, const std::string& text) {
        return RefuseJob(reporter, request, code, text);
    };
    // Extracting into or from memory is not offered by this library.
    if (command.memoryTarget != 0 || command.memorySource != 0)
        return refuse(ZL_ERR_UNSUPPORTED, "Memory extraction is not supported");
    if (command.archivePath == nullptr || *command.archivePath == '\0')
        return refuse(ZL_ERR_READ, "No archive given");
    std::string error;
    const std::unique_ptr<FileSource> archive = FileSource::Open(command.archivePath, error);
    if (!archive)
        return refuse(ZL_ERR_READ,
                      std::string("Cannot open archive ") + command.archivePath + ": " + error);
    const std::string destination = DestinationFrom(command);
    FolderTarget target(destination);
    if (!request.test && !target.PrepareRoot(error))
        return refuse(ZL_ERR_WRITE,
                      "Cannot create the destination folder " + destination + ": " + error);
    return RunExtractJob(*archive, target, request, reporter);
}

}  // namespace
}  // namespace ziplib

extern "C" {

__declspec(dllexport) int32_t ZL_CALL ZL_UnzExec(const ZlCommand* command) {
    if (command == nullptr) return ZL_STATUS_INVALID_STRUCTURE;
    // Nothing may escape into the caller, which may not even be C++.
    try {
        return ziplib::RunJob(*command);
    } catch (const std::bad_alloc&) {
        return ZL_STATUS_NO_MEMORY;
    } catch (...) {
        return ZL_STATUS_INVALID_STRUCTURE;
    }
}

// Adding to archives is not part of this library.
__declspec(dllexport) int32_t ZL_CALL ZL_ZipExec(const void*) {
    return ZL_STATUS_INVALID_STRUCTURE;
}

__declspec(dllexport) int32_t ZL_CALL ZL_Version(void) {
    return ZL_INTERFACE_VERSION;
}

__declspec(dllexport) int32_t ZL_CALL ZL_PrivVersion(void) {
    return ZL_PRIVATE_VERSION;
}

__declspec(dllexport) int32_t ZL_CALL ZL_Abort(int32_t job) {
    return ziplib::JobRegistry::Instance().Abort(job) ? 0 : -1;
}

__declspec(dllexport) const char* ZL_CALL ZL_Path(void) {
    static const std::string path = [] {
        HMODULE self = nullptr;
        char buffer[MAX_PATH * 2] = {};
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(&ZL_Path), &self))
            GetModuleFileNameA(self, buffer, sizeof buffer);
        return std::string(buffer);
    }();
    return path.c_str();
}

}  // extern "C"
