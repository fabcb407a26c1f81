// Catches hardware faults (access violations and the like) raised inside a guarded call.
//
// How it works: a guard marks a landing point with __builtin_setjmp and pushes a record on a
// thread-local list. A vectored exception handler reacts only to hardware faults and only while
// the faulting thread has a guard: it rewrites the thread's context so that it resumes in a small
// landing routine, running on a scratch stack inside the guard record, which longjmps back to the
// guard. On 32-bit Windows the guard also restores the SEH chain head (fs:[0]) it saw on entry,
// since records the faulting code linked there point into the abandoned stack. C++ exceptions and
// every other exception pass on untouched.
//
// What it catches, and what that costs:
// - Every hardware fault (access violation, illegal or privileged instruction, integer and
//   floating-point faults, misalignment, in-page errors) raised on the guarding thread while a
//   guard is active, in the module or in anything the module calls.
// - The handler is a first vectored handler, so it sees a fault before the module's own
//   structured handlers do: a fault the module would have handled itself (some modules probe
//   memory that way) still ends the guarded call as failed. We accept that: a module that faults
//   is not trusted to go on, and the caller's failure path is always safe.
// - Whatever the abandoned call held stays held: locks, critical sections and heap blocks the
//   module took are not released, and a module that faults while holding its own lock may block
//   its next call. The program never waits on the module's locks itself, and every caller treats
//   the failure like an unbound entry, so the worst outcome is a card that stops answering.
// - Faults on threads without a guard (the module's own threads) are not caught: they end the
//   program as they would without the guard.
#pragma once

#include <cstdint>

namespace fault {

// Called after a caught fault with the guarding code's file and line; the modem module installs one
// that writes "File=%s,Line=%d\n" through mdmWriteLog.
using FaultLogger = void (*)(const char* file, int line);
void SetFaultLogger(FaultLogger logger);

// Faults caught since the program started (all threads); for tests and diagnostics.
unsigned long CaughtFaultCount();
// Exception code of the last fault caught on the calling thread.
unsigned long LastFaultCode();

struct GuardRecord {
    // Scratch stack the landing routine runs on; pushes go down into this array and never reach
    // the fields after it.
    alignas(16) unsigned char landingStack[512];
    void* jumpBuffer[5];
    void* savedChainHead;
    GuardRecord* outer;
};

namespace detail {
void Enter(GuardRecord* record);
void Leave(GuardRecord* record);
void Landed(GuardRecord* record, const char* file, int line);

// Unlinks the guard however body() leaves normally, a C++ exception included.
struct LeaveOnExit {
    GuardRecord* record;
    ~LeaveOnExit() { Leave(record); }
};
}  // namespace detail

// Runs body(); returns false (after logging through the fault logger) when a hardware fault was
// raised inside it. Whatever body() had not finished is abandoned.
template <class Body>
__attribute__((noinline)) bool RunGuarded(const char* file, int line, Body&& body) {
    GuardRecord record;
    if (__builtin_setjmp(record.jumpBuffer) == 0) {
        detail::Enter(&record);
        detail::LeaveOnExit leave{&record};
        body();
        return true;
    }
    detail::Landed(&record, file, line);
    return false;
}

}  // namespace fault

// Guards a block of statements with the current source position.
#define FAULT_GUARD(body) ::fault::RunGuarded(__FILE__, __LINE__, [&] body)
