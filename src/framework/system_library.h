// Loading DLLs so that no copy planted beside the program, in its current folder or on the
// PATH is ever mapped into it. The setup runs elevated and is often started from a folder
// that others can write to (downloads, a copied medium, a shared drive), and Windows looks
// for every DLL it does not protect as a KnownDLL in the program's own folder first. So the
// programs import only KnownDLLs statically and take everything else from here.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

#include "framework/handles.h"

namespace mvt {

// The first act of every program: from here on a DLL loaded by a bare name, and every DLL
// that a loaded DLL imports, comes from the system folder only. Where the system lacks the
// call (Windows 7 without update KB2533623) at least the current folder is taken out of the
// search. Returns whether the strict search is in force.
bool RestrictDllSearchToSystemFolder();

// How long a system library stays in the process.
enum class TLibraryLifetime {
    Scoped,   // released with the object
    Process,  // kept until the process ends: for DLLs whose own threads outlive our calls
};

// A DLL of the system, loaded by its name from the system folder only (never through the
// search order) and released with the object. A name with a path in it is refused.
class TSystemLibrary {
  public:
    explicit TSystemLibrary(const char* name, TLibraryLifetime lifetime = TLibraryLifetime::Scoped);

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Handle() const { return module_.get(); }

    // The named entry point as the given function pointer type, usually written
    // Entry<decltype(&::sndPlaySoundA)>("sndPlaySoundA") (decltype names the type without
    // importing the function). nullptr when the library or the entry is missing.
    template <class F>
    F Entry(const char* name) const {
        static_assert(std::is_pointer_v<F> && std::is_function_v<std::remove_pointer_t<F>>,
                      "Entry<F> wants a function pointer type");
        if (!module_) return nullptr;
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

  private:
    UniqueModule module_;
};

// Loads one of the program's own DLLs by its full path ("C:\..." or "\\server\..."); a
// bare name or a relative path is refused (ERROR_INVALID_PARAMETER), so no search order
// ever applies. What that DLL imports comes from the system folder only. Null on failure,
// with the reason in GetLastError.
UniqueModule LoadLibraryAtPath(const std::string& fullPath);

}  // namespace mvt
