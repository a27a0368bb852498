// Assistive technology (screen readers, and UI Automation through its bridge) reads a
// window through the object it answers WM_GETOBJECT with: Microsoft Active Accessibility's
// IAccessible. Every window of ours with a role answers with its own object, whose children
// are the controls inside it: windowed ones as objects of their own (a system control's
// from the system), graphic ones (labels, pictures) as simple elements of the window's
// object. Names, roles, values, states and default actions come from the controls
// (TControl::AccessibleRole and the rest).
//
// oleacc.dll is not a DLL Windows protects as a KnownDLL, so it is taken from the system
// folder through TSystemLibrary, never imported.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

#include "framework/comobj.h"

namespace mvt {

class TControl;
class TWinControl;

// IAccessible's interface id, spelled out: the one of some import libraries is empty.
constexpr GUID kIID_IAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// What a reader should say for a text drawn on the screen: its words, with every run of
// blanks, tabs and line breaks (the layout's, not the words') made one blank.
std::string AccessibleWords(const std::string& text);

// The controls that a window's object shows as its children, in placing order: visible
// controls with a role, and system controls; a windowed control without a role of its own
// (a panel) stands for its children.
std::vector<TControl*> AccessibleElements(const TWinControl& window);

// Tells assistive technology that something of the control changed (NotifyWinEvent with
// EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE…), naming it
// as the window object that shows it does.
void NotifyAccessibleEvent(const TControl& control, DWORD event);

// The IAccessible of one window of ours. It lives as long as anybody holds it; once its
// control is gone it answers every question with CO_E_OBJNOTCONNECTED.
class TAccessibleObject final : public IAccessible {
  public:
    static ComPtr<TAccessibleObject> Create(TWinControl& control);
    // The answer to WM_GETOBJECT for OBJID_CLIENT; 0 when the system cannot make one.
    LRESULT Answer(WPARAM flags);
    void Disconnect() { control_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: not offered beyond what IAccessible needs.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // Made through Create, which hands the first reference to COM's counting.
    explicit TAccessibleObject(TWinControl& control) : control_(&control) {}

  private:
    // The control a child id names: the window's own control for CHILDID_SELF, else the
    // element of that number; null for an id that names none.
    const TControl* ControlOf(const VARIANT& child) const;
    TControl* ControlOf(const VARIANT& child);
    // The element as the answer of a navigation or hit test: a windowed one as its object,
    // a graphic one by its child id.
    HRESULT ElementAnswer(size_t index, VARIANT* answer) const;
    HRESULT TextAnswer(const VARIANT& child, std::string (TControl::*text)() const, BSTR* out);
    HRESULT NumberAnswer(const VARIANT& child, long (*number)(const TControl&), VARIANT* out) const;
    // The answer for a text the controls have none of (description, help, shortcut).
    HRESULT NoText(BSTR* out) const;

    TWinControl* control_;
    ULONG references_ = 1;
};

}  // namespace mvt
