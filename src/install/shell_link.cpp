#include "install/shell_link.h"

#include <shlobj.h>
#include <windows.h>

namespace mvt::install {

namespace {

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return {};
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

ComPtr<IPersistFile> MakeShellLink(const std::string& target, const std::string& arguments,
                                   const std::string& workingFolder, const std::string& linkFile) {
    ComPtr<IUnknown> object;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, object.PutVoid());
    if (FAILED(result)) throw EOleSysError(result);
    ComPtr<IShellLinkA> link = object.As<IShellLinkA>();
    ComPtr<IPersistFile> file = object.As<IPersistFile>();
    if (!link || !file) throw EIntfCastError();

    // The results of these calls are not looked at: the stage goes on whatever they say.
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    link->SetWorkingDirectory(workingFolder.c_str());
    file->Save(AnsiToWide(linkFile).c_str(), FALSE);
    return file;
}

}  // namespace mvt::install
