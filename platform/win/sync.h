// Events and waits.
//
// Waitable handles are events (manual or automatic reset) and threads (signalled
// once their routine has returned). A wait with a time-out in milliseconds ends
// with WAIT_OBJECT_0 + index, WAIT_TIMEOUT, or WAIT_FAILED with the last error
// set (ERROR_INVALID_HANDLE for a handle that is not waitable). WAIT_ABANDONED is
// defined for completeness; there are no mutexes, so no wait returns it.
#pragma once

#include "platform/win/handles.h"

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

extern "C" {
// A new unnamed event. A manual-reset event stays signalled until ResetEvent and
// releases every waiter; an automatic-reset event releases one wait and resets
// itself. Named events are not supported (nullptr, ERROR_NOT_SUPPORTED); the
// security attributes are ignored.
COM_API HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
COM_API BOOL SetEvent(HANDLE event);
COM_API BOOL ResetEvent(HANDLE event);

COM_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Waits for any (waitAll FALSE: the lowest signalled index is reported and only
// that object is acquired) or all of 1..MAXIMUM_WAIT_OBJECTS handles (waitAll
// TRUE: all must be signalled at the same moment and are acquired together; a
// handle listed twice fails with ERROR_INVALID_PARAMETER).
COM_API DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
}

inline HANDLE CreateEvent(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name) {
  return CreateEventA(security, manualReset, initialState, name);
}
