// What assistive technology reads from a window, read the way a screen reader reads it:
// AccessibleObjectFromWindow, then the names, roles, values and states of the object and
// of every object and simple element below it.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// IAccessible's interface id, spelled out: the one of some import libraries is empty.
constexpr GUID kAccessibleId = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

struct AccessibleItem {
    long role = 0;
    std::string name;  // code page 1251, as the program's texts
    std::string value;
    long state = 0;
    RECT location{};  // on the screen
    std::vector<AccessibleItem> children;

    bool Has(long flags) const { return (state & flags) == flags; }
    // The first item at or below this one (depth first) that matches.
    const AccessibleItem* Find(const std::function<bool(const AccessibleItem&)>& match) const {
        if (match(*this)) return this;
        for (const AccessibleItem& child : children)
            if (const AccessibleItem* found = child.Find(match)) return found;
        return nullptr;
    }
    const AccessibleItem* Named(const std::string& wanted) const {
        return Find([&](const AccessibleItem& item) { return item.name == wanted; });
    }
    // Every item with the role, in reading order.
    std::vector<const AccessibleItem*> WithRole(long wanted) const {
        std::vector<const AccessibleItem*> found;
        Find([&](const AccessibleItem& item) {
            if (item.role == wanted) found.push_back(&item);
            return false;
        });
        return found;
    }
};

inline std::string FromBstr(BSTR text) {
    if (!text) return {};
    const int length = SysStringLen(text);
    std::string result(static_cast<size_t>(length) * 2 + 1, '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, text, length, result.data(),
                                            static_cast<int>(result.size()), nullptr, nullptr);
    result.resize(static_cast<size_t>(written > 0 ? written : 0));
    SysFreeString(text);
    return result;
}

inline AccessibleItem ReadAccessibleItem(IAccessible& object, long id) {
    AccessibleItem item;
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = id;
    BSTR text = nullptr;
    if (object.get_accName(child, &text) == S_OK) item.name = FromBstr(text);
    text = nullptr;
    if (object.get_accValue(child, &text) == S_OK) item.value = FromBstr(text);
    VARIANT answer;
    VariantInit(&answer);
    if (object.get_accRole(child, &answer) == S_OK && answer.vt == VT_I4) item.role = answer.lVal;
    VariantInit(&answer);
    if (object.get_accState(child, &answer) == S_OK && answer.vt == VT_I4) item.state = answer.lVal;
    long left = 0, top = 0, width = 0, height = 0;
    if (object.accLocation(&left, &top, &width, &height, child) == S_OK)
        item.location = {left, top, left + width, top + height};
    if (id != CHILDID_SELF) return item;
    long count = 0;
    object.get_accChildCount(&count);
    for (long i = 1; i <= count; ++i) {
        child.lVal = i;
        IDispatch* dispatch = nullptr;
        const HRESULT found = object.get_accChild(child, &dispatch);
        IAccessible* inner = nullptr;
        if (found == S_OK && dispatch)
            dispatch->QueryInterface(kAccessibleId, reinterpret_cast<void**>(&inner));
        if (dispatch) dispatch->Release();
        if (inner) {
            item.children.push_back(ReadAccessibleItem(*inner, CHILDID_SELF));
            inner->Release();
        } else {
            item.children.push_back(ReadAccessibleItem(object, i));
        }
    }
    return item;
}

// The window's client object with everything below it; role 0 when the window gives none.
inline AccessibleItem ReadAccessible(HWND window) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kAccessibleId,
                                          reinterpret_cast<void**>(&object))) ||
        !object)
        return {};
    AccessibleItem item = ReadAccessibleItem(*object, CHILDID_SELF);
    object->Release();
    return item;
}

// The events the system tells assistive technology about, as a reader hooked into the
// desktop receives them, while the object lives. Delivered through the thread's message
// queue: process messages before reading them.
class AccessibleEvents {
  public:
    struct Event {
        DWORD event;
        HWND window;
        LONG object;
        LONG child;
    };
    AccessibleEvents() {
        current_ = this;
        hook_ = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &AccessibleEvents::Callback, 0, 0,
                                WINEVENT_OUTOFCONTEXT);
    }
    ~AccessibleEvents() {
        if (hook_) UnhookWinEvent(hook_);
        current_ = nullptr;
    }
    AccessibleEvents(const AccessibleEvents&) = delete;
    AccessibleEvents& operator=(const AccessibleEvents&) = delete;

    bool Hooked() const { return hook_ != nullptr; }
    bool Seen(DWORD event, HWND window, LONG child = CHILDID_SELF) const {
        for (const Event& seen : events_)
            if (seen.event == event && seen.window == window && seen.object == OBJID_CLIENT &&
                seen.child == child)
                return true;
        return false;
    }
    void Clear() { events_.clear(); }

  private:
    static void CALLBACK Callback(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                  DWORD, DWORD) {
        if (current_) current_->events_.push_back({event, window, object, child});
    }

    static inline AccessibleEvents* current_ = nullptr;
    HWINEVENTHOOK hook_ = nullptr;
    std::vector<Event> events_;
};

}  // namespace testsupport
