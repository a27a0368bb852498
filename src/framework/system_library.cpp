#include "framework/system_library.h"

#include <cctype>
#include <cstring>

namespace mvt {

namespace {

std::string SystemFolder() {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length && length < sizeof folder ? std::string(folder, length) : std::string();
}

bool IsFullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                       path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool network = path.size() >= 3 && path[0] == '\\' && path[1] == '\\';
    return drive || network;
}

// The search flags need Windows 8, or Windows 7 with update KB2533623; without them the
// loader answers ERROR_INVALID_PARAMETER. The same file is then named by its full path, and
// LOAD_WITH_ALTERED_SEARCH_PATH makes its imports come from its own folder (the system
// folder, or the program's library's folder) rather than the program's.
HMODULE LoadWithSystemImports(const std::string& fullPath) {
    HMODULE module = LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

}  // namespace

bool RestrictDllSearchToSystemFolder() {
    // Looked up rather than imported, so that the program still starts where the call is
    // missing.
    using SetDefaultDllDirectoriesFn = decltype(&::SetDefaultDllDirectories);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryA("");
    return false;
}

TSystemLibrary::TSystemLibrary(const char* name, TLibraryLifetime lifetime) {
    if (!name || !*name || std::strpbrk(name, "\\/:")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return;
    }
    // By name (not by the system folder's full path), so that a library the program's
    // manifest binds side by side is still taken from the side-by-side store.
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        const std::string folder = SystemFolder();
        if (!folder.empty()) module = LoadWithSystemImports(folder + "\\" + name);
    }
    module_.reset(module);
    if (module_ && lifetime == TLibraryLifetime::Process) {
        // Pinned: our own reference still goes with the object, the library stays.
        HMODULE pinned = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCSTR>(module), &pinned);
    }
}

UniqueModule LoadLibraryAtPath(const std::string& fullPath) {
    if (!IsFullPath(fullPath)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return UniqueModule(LoadWithSystemImports(fullPath));
}

}  // namespace mvt
