// The rights on a folder as the system reports them.
#pragma once

#include <windows.h>
#include <aclapi.h>

#include <string>

namespace testsupport {

// Whether every entry of the folder's access list is for SYSTEM or the administrators. Wine
// keeps no access list of its own: it shows the Linux rights, with the administrators as the
// prefix's user, so that user counts as one of them here.
inline bool OnlySystemAndAdministrators(const std::string& folder) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS ||
        !list)
        return false;
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    HANDLE token = nullptr;
    DWORD size = 0;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    GetTokenInformation(token, TokenUser, user, sizeof user, &size);
    CloseHandle(token);
    const PSID self = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
    bool only = list->AceCount > 0;
    for (DWORD n = 0; n < list->AceCount; ++n) {
        ACE_HEADER* header = nullptr;
        GetAce(list, n, reinterpret_cast<void**>(&header));
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const PSID sid = &reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->SidStart;
        only = only && (IsWellKnownSid(sid, WinLocalSystemSid) ||
                        IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || EqualSid(sid, self));
    }
    LocalFree(descriptor);
    return only;
}

}  // namespace testsupport
