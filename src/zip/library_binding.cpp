#include "zip/library_binding.h"

#include "framework/system_library.h"

namespace mvt::zip {

int StatusMessageId(int status) {
    switch (status) {
        case -1:
            return kMsgDllCancelled;
        case -2:
            return kMsgDllAborting;
        case -3:
            return kMsgDllHandler;
        case -4:
            return kMsgDllNoMemory;
        case -5:
            return kMsgDllInvalid;
        default:
            return kMsgDllCritical;
    }
}

namespace {

template <class F>
F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// An exception escaping from the library call counts as this status, as a fault does.
constexpr int kStatusException = kStatusLibraryFault;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

TZUDynamicBind::~TZUDynamicBind() {
    // The worker frees a loaded library unconditionally, without reporting (the
    // component's handlers may be gone by now).
    module_.reset();
}

std::string TZUDynamicBind::LibraryFileName() const {
    // Always a full path. A bare name would be looked for in the current folder and along
    // the PATH as well, where anyone may have left a DLL of that name for an elevated setup
    // to run. Where the bare name was meant, the program's own folder is used: the one
    // place the search would have tried first.
    const std::string besideProgram = ProgramFolder() + kZipLibraryName;
    if (dllDirectory_.empty()) return besideProgram;
    std::string path = dllDirectory_;
    if (path.back() != ':' && !IsSeparator(path.back())) path += '\\';
    path += kZipLibraryName;
    if (path[0] == '.') path = ProgramFolder() + path;
    // A plain relative folder is taken from the current folder, as the caller chose; the
    // result is named in full all the same.
    path = ExpandFileName(path);
    // A library embedded in the program (folder "><") does not exist in this program.
    return FileExists(path) ? path : besideProgram;
}

void TZUDynamicBind::SetDllDirectory(const std::string& folder) {
    dllDirectory_ = folder;
    // A root keeps its separator: "C:" alone would name the drive's current folder, and an
    // empty folder would mean the system's search order.
    auto isRoot = [this] {
        return dllDirectory_.size() == 1 || (dllDirectory_.size() == 3 && dllDirectory_[1] == ':');
    };
    while (!dllDirectory_.empty() && IsSeparator(dllDirectory_.back()) && !isRoot())
        dllDirectory_.pop_back();
}

void TZUDynamicBind::ClearEntries() {
    unzExec_ = nullptr;
    zipExec_ = nullptr;
    versionFn_ = nullptr;
    privVersionFn_ = nullptr;
    abort_ = nullptr;
    path_ = nullptr;
    version_ = privateVersion_ = 0;
}

void TZUDynamicBind::Unload() {
    if (!module_) return;
    if (verbose) {
        // Runs on every exit path of an extract run: a failing handler must not stop it.
        try {
            ReportMessage(0, ZipMessages().Format(kMsgDllUnloaded, {libraryPath_}));
        } catch (...) {
        }
    }
    module_.reset();
    ClearEntries();
    libraryPath_.clear();
    usage_ = 0;
}

bool TZUDynamicBind::LoadPath(const std::string& path, bool raise) {
    module_.reset();
    ClearEntries();
    BusyCursor busy(*this);
    UniqueModule loaded;
    DWORD error = 0;
    {
        TQuietSystemErrors quiet;  // no system boxes while the loader runs
        loaded = LoadLibraryAtPath(path);
        if (!loaded) error = GetLastError();
    }
    if (!loaded) {
        if (verbose || trace)
            ReportMessage(0, Format("Error [%lu %s] loading %s", error,
                                    SysErrorMessage(error).c_str(), path.c_str()));
        if (raise) {
            usage_ = 0;
            throw EZipUnpacker::WithText(kMsgDllLoadFailed, path);
        }
        return false;
    }
    module_ = std::move(loaded);
    const HMODULE module = module_.get();
    // Each entry is looked up only when the ones before it were found.
    if ((unzExec_ = Entry<ZlUnzExecFn>(module, "ZL_UnzExec")) &&
        (zipExec_ = Entry<ZlZipExecFn>(module, "ZL_ZipExec")) &&
        (versionFn_ = Entry<ZlVersionFn>(module, "ZL_Version")) &&
        (privVersionFn_ = Entry<ZlPrivVersionFn>(module, "ZL_PrivVersion")) &&
        (abort_ = Entry<ZlAbortFn>(module, "ZL_Abort")) &&
        (path_ = Entry<ZlPathFn>(module, "ZL_Path"))) {
        privateVersion_ = privVersionFn_();
        version_ = versionFn_();
        const char* loadedPath = path_();
        libraryPath_ = loadedPath ? loadedPath : path;
    }
    if (version_ < kLowestLibraryVersion || version_ > kHighestLibraryVersion) {
        const std::string name = version_ ? libraryPath_ : path;
        module_.reset();
        ClearEntries();
        if (raise) {
            usage_ = 0;
            throw EZipUnpacker::WithText(kMsgDllOld, name);
        }
        return false;
    }
    if (verbose) {
        try {
            ReportMessage(0, ZipMessages().Format(kMsgDllLoaded, {libraryPath_}));
        } catch (...) {
            // A handler that raised ends the operation: no purpose holds the library yet.
            Unload();
            throw;
        }
    }
    return true;
}

int TZUDynamicBind::LoadFor(LibraryPurpose purpose, bool raise) {
    if (!module_ && !LoadPath(LibraryFileName(), raise)) return 0;
    usage_ |= purpose;
    return privateVersion_;
}

void TZUDynamicBind::ReleaseFor(LibraryPurpose purpose) {
    usage_ &= ~purpose;
    if (usage_ == 0) Unload();
}

void TZUDynamicBind::DropFaultedLibrary() {
    // Deliberately not freed: unloading runs the library's own clean-up.
    static_cast<void>(module_.release());
    ClearEntries();
    libraryPath_.clear();
    usage_ = 0;
}

int TZUDynamicBind::CallUnzExec(const ZlCommand& command) {
    LoadFor(kPurposeCall);
    int status;
    {
        // Purpose 1 and the job handle end with the call, whatever way it ends.
        struct CallScope {
            TZUDynamicBind& binding;
            ~CallScope() {
                binding.activeGuard_ = nullptr;
                binding.jobHandle_ = 0;
                binding.ReleaseFor(kPurposeCall);
            }
        } scope{*this};
        FaultGuard guard;
        activeGuard_ = &guard;
        try {
            status = guard.Call(unzExec_, &command);
        } catch (...) {
            status = kStatusException;
        }
        if (guard.Faulted()) {
            status = kStatusLibraryFault;
            DropFaultedLibrary();
        }
    }
    if (status < 0) {
        if (StatusMessageId(status) == kMsgDllCritical)
            throw EZipUnpacker::WithNumber(kMsgDllCritical, status);
        throw EZipUnpacker::FromId(StatusMessageId(status));
    }
    return status;
}

void TZUDynamicBind::AbortLibrary() {
    cancel_ = true;
    if (module_ && abort_) abort_(jobHandle_);
}

}  // namespace mvt::zip
