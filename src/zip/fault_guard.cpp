#include "zip/fault_guard.h"

#include <excpt.h>

#include <cstddef>

// The offsets that the assembly stub below writes to.
static_assert(offsetof(mvt::zip::GuardFrame, rbx) == 0);
static_assert(offsetof(mvt::zip::GuardFrame, r15) == 56);
static_assert(offsetof(mvt::zip::GuardFrame, rsp) == 64);
static_assert(offsetof(mvt::zip::GuardFrame, rip) == 72);
static_assert(offsetof(mvt::zip::GuardFrame, xmm) == 80);
static_assert(offsetof(mvt::zip::GuardFrame, mxcsr) == 240);
static_assert(offsetof(mvt::zip::GuardFrame, fpuControl) == 244);

extern "C" {

// int32_t mvt_zip_guarded_call(GuardFrame* frame, const void* function, const void* argument)
//
// Keeps the frame's address in its own stack frame (32 bytes above the stack pointer after
// the prologue, where the handler finds it through the establisher frame), records the
// caller's non-volatile registers, its stack pointer after the return and the return
// address, and calls function(argument).
int32_t mvt_zip_guarded_call(mvt::zip::GuardFrame* frame, const void* function,
                             const void* argument);

__asm__(R"(
    .text
    .p2align 4
    .globl mvt_zip_guarded_call
    .def mvt_zip_guarded_call; .scl 2; .type 32; .endef
    .seh_proc mvt_zip_guarded_call
mvt_zip_guarded_call:
    subq $56, %rsp
    .seh_stackalloc 56
    .seh_endprologue
    movq %rcx, 32(%rsp)
    movq %rbx, 0(%rcx)
    movq %rbp, 8(%rcx)
    movq %rsi, 16(%rcx)
    movq %rdi, 24(%rcx)
    movq %r12, 32(%rcx)
    movq %r13, 40(%rcx)
    movq %r14, 48(%rcx)
    movq %r15, 56(%rcx)
    leaq 64(%rsp), %rax
    movq %rax, 64(%rcx)
    movq 56(%rsp), %rax
    movq %rax, 72(%rcx)
    movups %xmm6, 80(%rcx)
    movups %xmm7, 96(%rcx)
    movups %xmm8, 112(%rcx)
    movups %xmm9, 128(%rcx)
    movups %xmm10, 144(%rcx)
    movups %xmm11, 160(%rcx)
    movups %xmm12, 176(%rcx)
    movups %xmm13, 192(%rcx)
    movups %xmm14, 208(%rcx)
    movups %xmm15, 224(%rcx)
    stmxcsr 240(%rcx)
    fnstcw 244(%rcx)
    movq %rdx, %rax
    movq %r8, %rcx
    callq *%rax
    nop
    addq $56, %rsp
    ret
    .seh_handler mvt_zip_guard_handler, @except
    .seh_endproc
)");

// The stub's exception handler, called by the system's dispatch for exceptions that reach
// the stub's frame.
__attribute__((used)) EXCEPTION_DISPOSITION mvt_zip_guard_handler(EXCEPTION_RECORD* record,
                                                                  void* establisherFrame,
                                                                  CONTEXT* context,
                                                                  void* dispatcherContext);

}  // extern "C"

namespace {

constexpr size_t kFrameSlot = 32;                      // where the stub keeps the frame's address
constexpr DWORD kUnwinding = 0x2 | 0x4 | 0x20 | 0x40;  // unwinding, exit, target, collided
constexpr DWORD kNonContinuable = 0x1;

// Faults of the code itself; a stack overflow is not among them (its guard page is used
// up), nor is anything raised on purpose (C++ exceptions, breakpoints, fail-fast).
bool IsContainedFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_STACK_CHECK:
        case EXCEPTION_FLT_UNDERFLOW:
            return true;
        default:
            return false;
    }
}

}  // namespace

extern "C" EXCEPTION_DISPOSITION mvt_zip_guard_handler(EXCEPTION_RECORD* record,
                                                       void* establisherFrame, CONTEXT* context,
                                                       void*) {
    if ((record->ExceptionFlags & (kUnwinding | kNonContinuable)) != 0 ||
        !IsContainedFault(record->ExceptionCode))
        return ExceptionContinueSearch;
    auto* frame = *reinterpret_cast<mvt::zip::GuardFrame**>(static_cast<char*>(establisherFrame) +
                                                            kFrameSlot);
    if (frame == nullptr || frame->ownCodeDepth > 0) return ExceptionContinueSearch;
    frame->faulted = 1;
    frame->faultCode = record->ExceptionCode;
    frame->faultAddress = reinterpret_cast<uint64_t>(record->ExceptionAddress);

    // Resume as if the stub had returned kStatusLibraryFault.
    context->Rbx = frame->rbx;
    context->Rbp = frame->rbp;
    context->Rsi = frame->rsi;
    context->Rdi = frame->rdi;
    context->R12 = frame->r12;
    context->R13 = frame->r13;
    context->R14 = frame->r14;
    context->R15 = frame->r15;
    context->Rsp = frame->rsp;
    context->Rip = frame->rip;
    context->Rax = static_cast<uint32_t>(mvt::zip::kStatusLibraryFault);
    context->Xmm6 = frame->xmm[0];
    context->Xmm7 = frame->xmm[1];
    context->Xmm8 = frame->xmm[2];
    context->Xmm9 = frame->xmm[3];
    context->Xmm10 = frame->xmm[4];
    context->Xmm11 = frame->xmm[5];
    context->Xmm12 = frame->xmm[6];
    context->Xmm13 = frame->xmm[7];
    context->Xmm14 = frame->xmm[8];
    context->Xmm15 = frame->xmm[9];
    context->MxCsr = frame->mxcsr;
    context->FltSave.MxCsr = frame->mxcsr;
    context->FltSave.ControlWord = frame->fpuControl;
    context->FltSave.StatusWord = 0;
    context->FltSave.TagWord = 0;  // the x87 stack is empty at a call
    return ExceptionContinueExecution;
}

namespace mvt::zip {

int32_t FaultGuard::CallRaw(const void* function, const void* argument) {
    frame_.ownCodeDepth = 0;
    frame_.faulted = 0;
    frame_.faultCode = 0;
    frame_.faultAddress = 0;
    return mvt_zip_guarded_call(&frame_, function, argument);
}

}  // namespace mvt::zip
