// COM for the rest of the program: counted interface references, the thread's COM
// apartment, and the errors raised when a COM object cannot be made or lacks an interface.
#pragma once

#include <objbase.h>

#include <utility>

#include "framework/sysutils.h"

namespace mvt {

// A COM object that could not be created: the system's text for the failing result code.
class EOleSysError : public Exception {
  public:
    explicit EOleSysError(HRESULT code);
    HRESULT ErrorCode() const { return code_; }

  private:
    HRESULT code_;
};

// An object that does not offer an interface the caller needs: "Interface not supported".
class EIntfCastError : public Exception {
  public:
    EIntfCastError() : Exception("Interface not supported") {}
};

// One counted reference to a COM interface, released when the owner goes.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : object_(other.object_) {
        if (object_) object_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Releases the reference held and hands out the slot for a call that fills it.
    T** Put() {
        Reset();
        return &object_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (object_) std::exchange(object_, nullptr)->Release();
    }

    // Another interface of the same object; empty when the object does not offer it.
    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> other;
        if (object_) object_->QueryInterface(__uuidof(U), other.PutVoid());
        return other;
    }

  private:
    T* object_ = nullptr;
};

// COM initialised for the calling thread (single-threaded apartment, as window code needs)
// for the owner's lifetime. Nested owners are fine: each successful initialisation is
// balanced by its own uninitialisation. A thread already in another apartment model keeps it.
class ComApartment {
  public:
    // extra: further COINIT_ flags (COINIT_DISABLE_OLE1DDE for a thread that starts
    // programs through the shell).
    explicit ComApartment(DWORD extra = 0)
        : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | extra)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    HRESULT result_;
};

}  // namespace mvt
