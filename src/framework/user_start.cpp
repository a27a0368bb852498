#include "framework/user_start.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "framework/comobj.h"
#include "framework/sysutils.h"

namespace mvt {

namespace {

// A string for an automation call, freed on scope exit.
class AutomationText {
  public:
    explicit AutomationText(const std::string& text) {
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
        text_ = SysAllocString(wide.c_str());
    }
    ~AutomationText() { SysFreeString(text_); }
    AutomationText(const AutomationText&) = delete;
    AutomationText& operator=(const AutomationText&) = delete;
    BSTR Get() const { return text_; }
    // As an automation value that borrows the string.
    VARIANT Value() const {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = text_;
        return value;
    }

  private:
    BSTR text_ = nullptr;
};

VARIANT NumberValue(long number) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    return value;
}

// The automation object of the desktop window's shell view: the desktop's IShellDispatch2.
ComPtr<IShellDispatch2> DesktopShellDispatch(std::string& why) {
    ComPtr<IShellWindows> windows;
    HRESULT result = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                      IID_IShellWindows, windows.PutVoid());
    ComPtr<IDispatch> desktop;
    if (SUCCEEDED(result)) {
        VARIANT location = NumberValue(CSIDL_DESKTOP), root;
        VariantInit(&root);
        long window = 0;
        result = windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                       desktop.Put());
    }
    ComPtr<IShellBrowser> browser;
    if (result == S_OK && desktop) {
        const ComPtr<IServiceProvider> services = desktop.As<IServiceProvider>();
        result = services ? services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                   browser.PutVoid())
                          : E_NOINTERFACE;
    }
    ComPtr<IShellView> view;
    if (SUCCEEDED(result) && browser) result = browser->QueryActiveShellView(view.Put());
    ComPtr<IDispatch> background, application;
    if (SUCCEEDED(result) && view)
        result = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid());
    const ComPtr<IShellFolderViewDual> folderView = background.As<IShellFolderViewDual>();
    if (SUCCEEDED(result) && folderView) result = folderView->get_Application(application.Put());
    ComPtr<IShellDispatch2> shell = application.As<IShellDispatch2>();
    if (!shell) why = FAILED(result) ? SysErrorMessage(result) : "рабочий стол без оболочки";
    return shell;
}

}  // namespace

TOKEN_ELEVATION_TYPE TSystemUserStart::ElevationType() {
    HANDLE token = nullptr;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        if (!GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size))
            type = TokenElevationTypeDefault;
        CloseHandle(token);
    }
    return type;
}

bool TSystemUserStart::StartThroughDesktopShell(const std::string& program,
                                                const std::string& folder, std::string& why) {
    if (!GetShellWindow()) {
        why = "нет окна оболочки рабочего стола";
        return false;
    }
    const ComApartment com;
    const ComPtr<IShellDispatch2> shell = DesktopShellDispatch(why);
    if (!shell) return false;
    const AutomationText file(program), noArguments(""), startFolder(folder), open("open");
    const HRESULT result = shell->ShellExecute(file.Get(), noArguments.Value(), startFolder.Value(),
                                               open.Value(), NumberValue(SW_SHOWNORMAL));
    if (FAILED(result)) why = SysErrorMessage(result);
    return SUCCEEDED(result);
}

TUserStartOutcome StartAsSignedInUser(TUserStartSystem& system, const std::string& program,
                                      const std::string& folder) {
    switch (system.ElevationType()) {
        case TokenElevationTypeLimited:
            return {false,
                    "запускается с правами пользователя: программа установки работает "
                    "без повышения прав"};
        case TokenElevationTypeFull:
            break;
        default:
            return {false,
                    "запускается с правами программы установки: у процесса нет "
                    "разделённого маркера (контроль учётных записей выключен или "
                    "встроенная учётная запись)"};
    }
    std::string why;
    if (system.StartThroughDesktopShell(program, folder, why))
        return {true, "запущена с правами пользователя через оболочку рабочего стола"};
    return {false,
            "запускается с правами программы установки: оболочка рабочего стола "
            "недоступна (" +
                why + ")"};
}

}  // namespace mvt
