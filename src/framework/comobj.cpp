#include "framework/comobj.h"

namespace mvt {

namespace {

std::string OleErrorText(HRESULT code) {
    std::string text = SysErrorMessage(static_cast<unsigned long>(code));
    return text.empty() ? Format("OLE error %.8lX", static_cast<unsigned long>(code)) : text;
}

}  // namespace

EOleSysError::EOleSysError(HRESULT code) : Exception(OleErrorText(code)), code_(code) {}

}  // namespace mvt
