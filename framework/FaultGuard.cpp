// Structured-exception guard for calls into outside code (see FaultGuard.h for how it works).
#include "framework/FaultGuard.h"

#include <windows.h>

#include <atomic>

namespace fault {
namespace {

std::atomic<FaultLogger> g_logger{nullptr};
std::atomic<unsigned long> g_caught{0};
thread_local GuardRecord* t_innermost = nullptr;
thread_local unsigned long t_lastCode = 0;

#if defined(__i386__)
void* ReadChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}
void WriteChainHead(void* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#else
void* ReadChainHead() { return nullptr; }
void WriteChainHead(void*) {}
#endif

bool IsHardwareFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_INEXACT_RESULT:
        return true;
    default:
        return false;
    }
}

// Resumes at the guard's landing point; entered with the record as its first argument (ECX for
// fastcall on 32-bit, RCX on 64-bit) on the scratch stack.
#if defined(__i386__)
__attribute__((fastcall))
#endif
__attribute__((noreturn, used, noinline)) void LandingRoutine(GuardRecord* record) {
    __builtin_longjmp(record->jumpBuffer, 1);
}

LONG CALLBACK FaultHandler(EXCEPTION_POINTERS* info) {
    GuardRecord* record = t_innermost;
    if (!record || !IsHardwareFault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    t_innermost = record->outer;
    t_lastCode = info->ExceptionRecord->ExceptionCode;

    auto top = reinterpret_cast<uintptr_t>(record->landingStack + sizeof(record->landingStack));
    top = (top & ~uintptr_t{15}) - 64;
    CONTEXT* context = info->ContextRecord;
#if defined(__i386__)
    context->Esp = static_cast<DWORD>(top - sizeof(void*));  // as if called: a return slot
    context->Ecx = static_cast<DWORD>(reinterpret_cast<uintptr_t>(record));
    context->Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&LandingRoutine));
#else
    context->Rsp = top - sizeof(void*) - 32;  // return slot below the callee's home area
    context->Rcx = reinterpret_cast<DWORD64>(record);
    context->Rip = reinterpret_cast<DWORD64>(&LandingRoutine);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallHandlerOnce() {
    static const bool installed = [] {
        AddVectoredExceptionHandler(1, FaultHandler);
        return true;
    }();
    (void)installed;
}

}  // namespace

void SetFaultLogger(FaultLogger logger) { g_logger = logger; }
unsigned long CaughtFaultCount() { return g_caught; }
unsigned long LastFaultCode() { return t_lastCode; }

namespace detail {

void Enter(GuardRecord* record) {
    InstallHandlerOnce();
    record->savedChainHead = ReadChainHead();
    record->outer = t_innermost;
    t_innermost = record;
}

void Leave(GuardRecord* record) { t_innermost = record->outer; }

void Landed(GuardRecord* record, const char* file, int line) {
    WriteChainHead(record->savedChainHead);
    ++g_caught;
    if (FaultLogger logger = g_logger) logger(file, line);
}

}  // namespace detail
}  // namespace fault
