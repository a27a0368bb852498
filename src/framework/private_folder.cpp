#include "framework/private_folder.h"

#include <windows.h>
#include <sddl.h>

#include "framework/sysutils.h"
#include "framework/handles.h"
#include "framework/sha256.h"

namespace mvt {

namespace {

// Full control for SYSTEM and the administrators, inherited by files and folders made in it,
// and nothing inherited from the folder above (the temporary folder may let everyone in).
constexpr char kPrivateRights[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The security descriptor of kPrivateRights, freed on scope exit.
class PrivateRights {
  public:
    PrivateRights() {
        ConvertStringSecurityDescriptorToSecurityDescriptorA(kPrivateRights, SDDL_REVISION_1,
                                                             &descriptor_, nullptr);
    }
    ~PrivateRights() { LocalFree(descriptor_); }
    PrivateRights(const PrivateRights&) = delete;
    PrivateRights& operator=(const PrivateRights&) = delete;
    SECURITY_ATTRIBUTES* Attributes() {
        attributes_ = {sizeof attributes_, descriptor_, FALSE};
        return descriptor_ ? &attributes_ : nullptr;
    }

  private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace

std::string TemporaryFolder() {
    using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPSTR);
    // Windows 11 and the later updates of Windows 10 only: looked up, never imported.
    const auto getTempPath2 = reinterpret_cast<GetTempPath2Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTempPath2A")));
    char path[MAX_PATH + 1] = "";
    const DWORD length =
        getTempPath2 ? getTempPath2(sizeof path, path) : GetTempPathA(sizeof path, path);
    return length > 0 && length < sizeof path ? ExcludeTrailingBackslash(path) : std::string();
}

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    const UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.get() != INVALID_HANDLE_VALUE &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::optional<TPrivateFolder> TPrivateFolder::Make(const std::string& prefix, std::string& error) {
    const std::string temporary = TemporaryFolder();
    PrivateRights rights;
    if (temporary.empty() || !rights.Attributes()) {
        error = temporary.empty() ? "нет временной папки" : SysErrorMessage(GetLastError());
        return std::nullopt;
    }
    // A name taken already (by chance, or planted) is simply not ours: the next one is drawn.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string random = SystemRandomHex(kRandomBits / 8);
        if (random.empty()) {
            error = "нет системного генератора случайных чисел";
            return std::nullopt;
        }
        const std::string folder = temporary + "\\" + prefix + random;
        if (CreateDirectoryA(folder.c_str(), rights.Attributes())) return TPrivateFolder(folder);
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    error = SysErrorMessage(GetLastError());
    return std::nullopt;
}

TPrivateFolder::~TPrivateFolder() {
    if (kept_) return;
    // Only this program put files in it, and nobody else could.
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((path_ + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
}

}  // namespace mvt
