#include "framework/comobj.h"

#include <shlobj.h>

namespace mvt {

namespace {

std::string OleErrorText(HRESULT code) {
    std::string text = SysErrorMessage(static_cast<unsigned long>(code));
    return text.empty() ? Format("OLE error %.8lX", static_cast<unsigned long>(code)) : text;
}

}  // namespace

EOleSysError::EOleSysError(HRESULT code) : Exception(OleErrorText(code)), code_(code) {}

std::string ShellLinkTarget(const std::string& linkFile) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid())))
        return {};
    ComPtr<IPersistFile> file = link.As<IPersistFile>();
    const int length = MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide.data(), length);
    if (!file || FAILED(file->Load(wide.c_str(), STGM_READ))) return {};
    char target[MAX_PATH * 2] = "";
    if (FAILED(link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH))) return {};
    return target;
}

}  // namespace mvt
