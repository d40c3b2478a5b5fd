// Threads, with priorities and a cooperative suspend/resume.
//
// Suspending is cooperative: a thread suspends only itself, by calling
// SuspendThread on its own handle (or GetCurrentThread()), and then waits at its
// gate. Each ResumeThread adds one permit to the gate; a suspended thread goes on
// by taking one, and a thread that finds a permit already there (the resume came
// before it suspended) does not wait at all, so no resume is ever lost. A thread
// made with CREATE_SUSPENDED waits at the same gate before its routine starts.
//
// Every thread also has a termination flag (the class library's "Terminated"):
// win::RequestThreadTermination sets it and opens the gate for good, so a thread
// waiting at its gate, or created suspended and never resumed, goes on and must
// look at win::ThreadTerminationRequested to decide to leave. A thread meant to
// wait while it has no work and is not asked to end therefore loops as:
//
//   while (!win::ThreadTerminationRequested()) { DoPendingWork(); SuspendThread(GetCurrentThread()); }
//
// ResumeThread happens-before the return of the SuspendThread that takes its
// permit: what the resuming thread wrote before resuming is visible to the worker.
//
// CloseHandle on a thread handle requests termination and then waits for the
// thread's routine to return (join); closing a thread's handle from that thread
// itself leaves it to end on its own. A thread blocked elsewhere (an endless
// wait) holds up the close until it returns. A handle never closed keeps its
// thread for the life of the process.
//
// Priorities are applied as Linux nice values, best effort: raising a thread
// above normal needs a privilege that a normal process lacks, so the request is
// remembered (GetThreadPriority reports it) while the scheduler may ignore it.
#pragma once

#include "platform/win/handles.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr DWORD CREATE_SUSPENDED = 0x4;
constexpr DWORD STACK_SIZE_PARAM_IS_A_RESERVATION = 0x10000;
constexpr DWORD STILL_ACTIVE = 259;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

extern "C" {
// Starts `start(parameter)` on a new thread at normal priority. With
// CREATE_SUSPENDED the routine waits for the first ResumeThread (or termination
// request). The stack size and security attributes are ignored. *threadId, when
// given, receives the thread's id as GetCurrentThreadId reports it there.
COM_API HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                            LPVOID parameter, DWORD creationFlags, LPDWORD threadId);

// Adds a permit to the thread's gate. Returns 1 when the thread was waiting at the
// gate, 0 when it was running (the permit then waits for its next suspend) or has
// ended; (DWORD)-1 with ERROR_INVALID_HANDLE for a bad handle.
COM_API DWORD ResumeThread(HANDLE thread);

// The calling thread waits at its gate until it takes a permit or termination is
// requested; returns 0. Only a thread's own handle (or GetCurrentThread()) of a
// thread made by CreateThread may be given: any other gives (DWORD)-1 with
// ERROR_NOT_SUPPORTED (one thread cannot stop another here).
COM_API DWORD SuspendThread(HANDLE thread);

// THREAD_PRIORITY_* only (else FALSE, ERROR_INVALID_PARAMETER); best effort.
COM_API BOOL SetThreadPriority(HANDLE thread, int priority);
COM_API int GetThreadPriority(HANDLE thread);

// STILL_ACTIVE until the routine has returned, then its result.
COM_API BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

// A pseudo-handle meaning "the calling thread" to the calls above; not closed.
COM_API HANDLE GetCurrentThread();
// The kernel's id of the calling thread; unique among the running threads.
COM_API DWORD GetCurrentThreadId();
}

namespace win {

// Sets the thread's termination flag and opens its gate; FALSE for a bad handle.
COM_API BOOL RequestThreadTermination(HANDLE thread);

// The thread's termination flag; false also for a bad handle (last error set)
// and for threads not made by CreateThread.
COM_API bool ThreadTerminationRequested(HANDLE thread = GetCurrentThread());

}  // namespace win
