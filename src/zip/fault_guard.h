// FaultGuard: calls into the zip library so that a hardware fault inside it (an access
// violation, an illegal instruction, a division by zero) ends the call with a status instead
// of ending the program.
//
// GCC offers no __try/__except on x86-64 Windows, and a C++ catch (...) does not see such
// faults there. The call therefore goes through a small assembly stub with a frame-based
// exception handler of its own (registered in the stub's unwind data, as the system expects
// of every x86-64 function). Only when the system's dispatch reaches that frame, that is
// after the library's own handlers declined, does the handler look at the exception: a fault
// raised outside the program's own callback makes it resume execution as if the stub had
// returned kStatusLibraryFault, with every register the caller relies on as it was at the
// call. The library's frames are abandoned without running their clean-up: a library that has
// just faulted is not trusted to run more code. C++ exceptions pass through the stub as
// through any other function.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ziplib179.h"

namespace mvt::zip {

// The status of a library call that faulted.
constexpr int32_t kStatusLibraryFault = -7;

// The state shared with the assembly stub and its handler; the offsets are fixed.
struct GuardFrame {
    uint64_t rbx, rbp, rsi, rdi, r12, r13, r14, r15;  // 0: the caller's registers
    uint64_t rsp;                                     // 64: stack pointer after the return
    uint64_t rip;                                     // 72: return address
    M128A xmm[10];                                    // 80: xmm6 to xmm15
    uint32_t mxcsr;                                   // 240
    uint16_t fpuControl;                              // 244
    uint16_t padding;
    int32_t ownCodeDepth;  // 248: > 0 while the program's own callback runs
    int32_t faulted;       // 252
    uint32_t faultCode;
    uint64_t faultAddress;
};

class FaultGuard {
  public:
    FaultGuard() = default;
    FaultGuard(const FaultGuard&) = delete;
    FaultGuard& operator=(const FaultGuard&) = delete;

    // Calls function(argument), a function of the platform's calling convention taking one
    // pointer and returning a 32-bit integer. Returns its result, or kStatusLibraryFault when
    // it faulted.
    template <class Argument>
    int32_t Call(int32_t(ZL_CALL* function)(const Argument*), const Argument* argument) {
        return CallRaw(reinterpret_cast<const void*>(function), argument);
    }

    bool Faulted() const { return frame_.faulted != 0; }
    DWORD FaultCode() const { return frame_.faultCode; }
    uint64_t FaultAddress() const { return frame_.faultAddress; }

    // Marks the program's own code (the library's callback) for its lifetime: a fault there
    // is a fault of the program, not of the library, and is not contained.
    class OwnCode {
      public:
        explicit OwnCode(FaultGuard* guard) : guard_(guard) {
            if (guard_) ++guard_->frame_.ownCodeDepth;
        }
        ~OwnCode() {
            if (guard_) --guard_->frame_.ownCodeDepth;
        }
        OwnCode(const OwnCode&) = delete;
        OwnCode& operator=(const OwnCode&) = delete;

      private:
        FaultGuard* guard_;
    };

  private:
    int32_t CallRaw(const void* function, const void* argument);

    GuardFrame frame_{};
};

}  // namespace mvt::zip
