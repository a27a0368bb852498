#include "framework/accessibility.h"

#include <memory>
#include <utility>

#include "framework/forms.h"
#include "framework/system_library.h"

namespace mvt {

namespace {

// Kept for the process: objects the system made (a window's frame, a system control's
// client) may be held by a reader after any call of ours has returned.
const TSystemLibrary& Oleacc() {
    static const TSystemLibrary library("oleacc.dll", TLibraryLifetime::Process);
    return library;
}

IDispatch* SystemObject(HWND window, LONG id) {
    const auto fromWindow =
        Oleacc().Entry<decltype(&::AccessibleObjectFromWindow)>("AccessibleObjectFromWindow");
    IDispatch* object = nullptr;
    if (!fromWindow || FAILED(fromWindow(window, static_cast<DWORD>(id), IID_IDispatch,
                                         reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

BSTR ToBstr(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (result)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result, length);
    return result;
}

void SetChildId(VARIANT* answer, long id) {
    answer->vt = VT_I4;
    answer->lVal = id;
}

bool EnabledWithParents(const TControl& control) {
    for (const TControl* c = &control; c; c = c->Parent())
        if (!c->Enabled()) return false;
    return true;
}

void CollectElements(const TWinControl& window, std::vector<TControl*>& elements) {
    for (TControl* control : window.Controls()) {
        if (!control->Visible() || !control->AccessibleElement()) continue;
        auto* windowed = control->IsWindowed() ? static_cast<TWinControl*>(control) : nullptr;
        if (control->AccessibleRole() != 0 || (windowed && windowed->SystemControl()))
            elements.push_back(control);
        else if (windowed)
            CollectElements(*windowed, elements);
    }
}

// The window whose object lists the control: the nearest one above it with a role.
const TWinControl* ListingWindow(const TControl& control) {
    const TWinControl* window = control.Parent();
    while (window && window->AccessibleRole() == 0 && window->Parent()) window = window->Parent();
    return window;
}

RECT ScreenBounds(const TControl& control) {
    RECT bounds = control.BoundsRect();
    if (control.Parent() && control.Parent()->HandleAllocated())
        MapWindowPoints(const_cast<TWinControl*>(control.Parent())->Handle(), nullptr,
                        reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

RECT ScreenClientRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

// The control's own state with what the framework knows of every control.
long StateOf(const TControl& element) {
    long flags = element.AccessibleState();
    if (!EnabledWithParents(element)) flags |= STATE_SYSTEM_UNAVAILABLE;
    if (!element.Visible()) flags |= STATE_SYSTEM_INVISIBLE;
    if (element.IsWindowed()) {
        auto& windowed = const_cast<TWinControl&>(static_cast<const TWinControl&>(element));
        if (windowed.TabStop()) flags |= STATE_SYSTEM_FOCUSABLE;
        if (windowed.Focused()) flags |= STATE_SYSTEM_FOCUSED;
    }
    if (const TForm* form = element.ParentForm(); form && form->DefaultControl() == &element)
        flags |= STATE_SYSTEM_DEFAULT;
    return flags;
}

}  // namespace

std::string AccessibleWords(const std::string& text) {
    std::string words;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !words.empty();
            continue;
        }
        if (blank) words += ' ';
        blank = false;
        words += c;
    }
    return words;
}

std::vector<TControl*> AccessibleElements(const TWinControl& window) {
    std::vector<TControl*> elements;
    CollectElements(window, elements);
    return elements;
}

void NotifyAccessibleEvent(const TControl& control, DWORD event) {
    if (control.IsWindowed()) {
        const auto& windowed = static_cast<const TWinControl&>(control);
        if (windowed.HandleAllocated())
            NotifyWinEvent(event, const_cast<TWinControl&>(windowed).Handle(), OBJID_CLIENT,
                           CHILDID_SELF);
        return;
    }
    const TWinControl* window = ListingWindow(control);
    if (!window || !window->HandleAllocated()) return;
    const std::vector<TControl*> elements = AccessibleElements(*window);
    for (size_t i = 0; i < elements.size(); ++i)
        if (elements[i] == &control)
            NotifyWinEvent(event, const_cast<TWinControl*>(window)->Handle(), OBJID_CLIENT,
                           static_cast<LONG>(i + 1));
}

// ---- The object -----------------------------------------------------------------------

ComPtr<TAccessibleObject> TAccessibleObject::Create(TWinControl& control) {
    ComPtr<TAccessibleObject> object;
    // Counted from here on: COM's references own the object (Release ends it).
    *object.Put() = std::make_unique<TAccessibleObject>(control).release();
    return object;
}

LRESULT TAccessibleObject::Answer(WPARAM flags) {
    const auto answer = Oleacc().Entry<decltype(&::LresultFromObject)>("LresultFromObject");
    if (!answer) return 0;
    const LRESULT result = answer(kIID_IAccessible, flags, static_cast<IAccessible*>(this));
    return result > 0 ? result : 0;
}

HRESULT TAccessibleObject::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (id == IID_IUnknown || id == IID_IDispatch || id == kIID_IAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TAccessibleObject::AddRef() {
    return ++references_;
}

ULONG TAccessibleObject::Release() {
    const ULONG left = --references_;
    // The last reference ends the object, as COM's counting has it.
    if (left == 0) std::unique_ptr<TAccessibleObject> last(this);
    return left;
}

HRESULT TAccessibleObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT TAccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT TAccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT TAccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                  UINT*) {
    return E_NOTIMPL;
}

const TControl* TAccessibleObject::ControlOf(const VARIANT& child) const {
    if (!control_ || child.vt != VT_I4) return nullptr;
    if (child.lVal == CHILDID_SELF) return control_;
    const std::vector<TControl*> elements = AccessibleElements(*control_);
    if (child.lVal < 1 || static_cast<size_t>(child.lVal) > elements.size()) return nullptr;
    return elements[static_cast<size_t>(child.lVal) - 1];
}

TControl* TAccessibleObject::ControlOf(const VARIANT& child) {
    return const_cast<TControl*>(std::as_const(*this).ControlOf(child));
}

HRESULT TAccessibleObject::ElementAnswer(size_t index, VARIANT* answer) const {
    const std::vector<TControl*> elements = AccessibleElements(*control_);
    if (index >= elements.size()) return S_FALSE;
    if (elements[index]->IsWindowed()) {
        auto* windowed = static_cast<TWinControl*>(elements[index]);
        answer->pdispVal = SystemObject(windowed->Handle(), OBJID_CLIENT);
        answer->vt = answer->pdispVal ? VT_DISPATCH : VT_EMPTY;
        return answer->pdispVal ? S_OK : S_FALSE;
    }
    SetChildId(answer, static_cast<long>(index + 1));
    return S_OK;
}

HRESULT TAccessibleObject::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    // The window's frame, which the system describes; above it the parent window.
    *parent = SystemObject(control_->Handle(), OBJID_WINDOW);
    return *parent ? S_OK : S_FALSE;
}

HRESULT TAccessibleObject::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(AccessibleElements(*control_).size());
    return S_OK;
}

HRESULT TAccessibleObject::get_accChild(VARIANT child, IDispatch** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    const TControl* element = ControlOf(child);
    if (!element || child.lVal == CHILDID_SELF) return E_INVALIDARG;
    // A graphic element is a simple one: no object of its own.
    if (!element->IsWindowed()) return S_FALSE;
    *object = SystemObject(
        const_cast<TWinControl*>(static_cast<const TWinControl*>(element))->Handle(), OBJID_CLIENT);
    return *object ? S_OK : S_FALSE;
}

HRESULT TAccessibleObject::TextAnswer(const VARIANT& child, std::string (TControl::*text)() const,
                                      BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    const TControl* element = ControlOf(child);
    if (!element) return E_INVALIDARG;
    const std::string value = (element->*text)();
    if (value.empty()) return S_FALSE;
    *out = ToBstr(value);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT TAccessibleObject::get_accName(VARIANT child, BSTR* name) {
    return TextAnswer(child, &TControl::AccessibleName, name);
}

HRESULT TAccessibleObject::get_accValue(VARIANT child, BSTR* value) {
    return TextAnswer(child, &TControl::AccessibleValue, value);
}

HRESULT TAccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action) {
    return TextAnswer(child, &TControl::AccessibleAction, action);
}

HRESULT TAccessibleObject::NoText(BSTR* out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    return control_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

HRESULT TAccessibleObject::get_accDescription(VARIANT, BSTR* description) {
    return NoText(description);
}

HRESULT TAccessibleObject::get_accHelp(VARIANT, BSTR* help) {
    return NoText(help);
}

HRESULT TAccessibleObject::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (topic) *topic = 0;
    return NoText(file);
}

HRESULT TAccessibleObject::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    return NoText(shortcut);
}

HRESULT TAccessibleObject::NumberAnswer(const VARIANT& child, long (*number)(const TControl&),
                                        VARIANT* out) const {
    if (!out) return E_POINTER;
    out->vt = VT_EMPTY;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    const TControl* element = ControlOf(child);
    if (!element) return E_INVALIDARG;
    SetChildId(out, number(*element));
    return S_OK;
}

HRESULT TAccessibleObject::get_accRole(VARIANT child, VARIANT* role) {
    return NumberAnswer(
        child, [](const TControl& element) { return element.AccessibleRole(); }, role);
}

HRESULT TAccessibleObject::get_accState(VARIANT child, VARIANT* state) {
    return NumberAnswer(child, StateOf, state);
}

HRESULT TAccessibleObject::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    focus->vt = VT_EMPTY;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    const HWND focused = GetFocus();
    if (!focused) return S_FALSE;
    if (focused == control_->Handle()) {
        SetChildId(focus, CHILDID_SELF);
        return S_OK;
    }
    const std::vector<TControl*> elements = AccessibleElements(*control_);
    for (size_t i = 0; i < elements.size(); ++i) {
        if (!elements[i]->IsWindowed()) continue;
        const HWND window = static_cast<TWinControl*>(elements[i])->Handle();
        if (window == focused || IsChild(window, focused)) return ElementAnswer(i, focus);
    }
    return S_FALSE;
}

HRESULT TAccessibleObject::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    selection->vt = VT_EMPTY;
    return control_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

HRESULT TAccessibleObject::accSelect(long flags, VARIANT child) {
    if (!control_) return CO_E_OBJNOTCONNECTED;
    TControl* element = ControlOf(child);
    if (!element) return E_INVALIDARG;
    if (!(flags & SELFLAG_TAKEFOCUS) || !element->IsWindowed()) return S_FALSE;
    auto* windowed = static_cast<TWinControl*>(element);
    if (!windowed->CanFocus()) return S_FALSE;
    windowed->SetFocus();
    return S_OK;
}

HRESULT TAccessibleObject::accLocation(long* left, long* top, long* width, long* height,
                                       VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    const TControl* element = ControlOf(child);
    if (!element) return E_INVALIDARG;
    const RECT bounds =
        element == control_ ? ScreenClientRect(control_->Handle()) : ScreenBounds(*element);
    *left = bounds.left;
    *top = bounds.top;
    *width = bounds.right - bounds.left;
    *height = bounds.bottom - bounds.top;
    return S_OK;
}

HRESULT TAccessibleObject::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    end->vt = VT_EMPTY;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    if (start.vt != VT_I4) return E_INVALIDARG;
    const long count = static_cast<long>(AccessibleElements(*control_).size());
    long target = 0;
    if (start.lVal == CHILDID_SELF) {
        if (direction == NAVDIR_FIRSTCHILD) target = 1;
        if (direction == NAVDIR_LASTCHILD) target = count;
    } else {
        if (start.lVal < 1 || start.lVal > count) return E_INVALIDARG;
        if (direction == NAVDIR_NEXT) target = start.lVal + 1;
        if (direction == NAVDIR_PREVIOUS) target = start.lVal - 1;
    }
    if (target < 1 || target > count) return S_FALSE;
    return ElementAnswer(static_cast<size_t>(target - 1), end);
}

HRESULT TAccessibleObject::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    child->vt = VT_EMPTY;
    if (!control_) return CO_E_OBJNOTCONNECTED;
    const POINT point{x, y};
    const RECT client = ScreenClientRect(control_->Handle());
    if (!PtInRect(&client, point)) return S_FALSE;
    const std::vector<TControl*> elements = AccessibleElements(*control_);
    // The topmost first: the one placed last.
    for (size_t i = elements.size(); i-- > 0;) {
        const RECT bounds = ScreenBounds(*elements[i]);
        if (PtInRect(&bounds, point)) return ElementAnswer(i, child);
    }
    SetChildId(child, CHILDID_SELF);
    return S_OK;
}

HRESULT TAccessibleObject::accDoDefaultAction(VARIANT child) {
    if (!control_) return CO_E_OBJNOTCONNECTED;
    TControl* element = ControlOf(child);
    if (!element) return E_INVALIDARG;
    if (element->AccessibleAction().empty()) return DISP_E_MEMBERNOTFOUND;
    element->DoAccessibleAction();
    return S_OK;
}

HRESULT TAccessibleObject::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

HRESULT TAccessibleObject::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

}  // namespace mvt
