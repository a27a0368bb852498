// TZUDynamicBind: the middle layer of the zip worker, which finds, loads, checks and
// releases the zip library "ZipLib179.dll" and calls its extract entry.
#pragma once

#include <string>

#include "framework/handles.h"
#include "ziplib179.h"
#include "zip/fault_guard.h"
#include "zip/worker_core.h"

namespace mvt::zip {

constexpr char kZipLibraryName[] = "ZipLib179.dll";
constexpr int kLowestLibraryVersion = 179;
constexpr int kHighestLibraryVersion = 300;

// Why the library is held; it is unloaded when no purpose is left.
enum LibraryPurpose : unsigned {
    kPurposeCall = 1,     // a library call is running
    kPurposeExtract = 2,  // an extract run is in progress
    kPurposeKeep = 4,     // Dll_Load holds the library
};

class TZUDynamicBind : public TZUCore {
  public:
    using TZUCore::TZUCore;
    ~TZUDynamicBind() override;

    // Takes a purpose; loads the library when none is loaded (raising EZipUnpacker 10650
    // or 10651 on failure when `raise` is set). Returns the private version (0 on a quiet
    // failure).
    int LoadFor(LibraryPurpose purpose, bool raise = true);
    void ReleaseFor(LibraryPurpose purpose);
    // Calls ZL_UnzExec under purpose 1; a negative status raises its message. A fault
    // inside the library counts as status -7; the library is then dropped without being
    // unloaded (its own clean-up would run code that has just faulted).
    int CallUnzExec(const ZlCommand& command);
    // Sets the cancel flag and asks a running job to stop.
    void AbortLibrary();

    bool Loaded() const { return module_ != nullptr; }
    int Version() const { return version_; }
    int PrivateVersion() const { return privateVersion_; }
    const std::string& LibraryPath() const { return libraryPath_; }
    unsigned Usage() const { return usage_; }
    const std::string& DllDirectory() const { return dllDirectory_; }
    // Stored without a trailing "\" unless that makes a root ("C:\" and "\" stay as they
    // are); a loaded library stays loaded.
    void SetDllDirectory(const std::string& folder);
    void SetJobHandle(int32_t handle) { jobHandle_ = handle; }

    // Where the library is looked for, by the folder rules.
    std::string LibraryFileName() const;

  protected:
    // The guard of the running library call, for the callback to mark the program's own code.
    FaultGuard* ActiveGuard() { return activeGuard_; }

  private:
    bool LoadPath(const std::string& path, bool raise);
    void Unload();
    void ClearEntries();
    // Forgets a library that faulted, leaving it mapped.
    void DropFaultedLibrary();

    UniqueModule module_;
    ZlUnzExecFn unzExec_ = nullptr;
    ZlZipExecFn zipExec_ = nullptr;
    ZlVersionFn versionFn_ = nullptr;
    ZlPrivVersionFn privVersionFn_ = nullptr;
    ZlAbortFn abort_ = nullptr;
    ZlPathFn path_ = nullptr;
    int version_ = 0;
    int privateVersion_ = 0;
    std::string libraryPath_ = kZipLibraryName;
    std::string dllDirectory_;
    unsigned usage_ = 0;
    int32_t jobHandle_ = 0;
    FaultGuard* activeGuard_ = nullptr;
};

// The message id raised for a negative status of ZL_UnzExec.
int StatusMessageId(int status);

}  // namespace mvt::zip
