// Kernel handles, the basic platform types that several layers share, and the
// thread's last error.
//
// A HANDLE is a small number (a multiple of 4, below 2^31) naming an entry of one
// process-wide table, so a handle also survives being stored in 32 bits. Each
// entry has a kind: this layer's events and threads, and whatever other layers
// register (the serial layer's ports). CloseHandle removes the entry and calls the
// kind's close function, so every kind of handle is closed with CloseHandle.
//
// Other layers define one HandleKind object each (its address is its identity),
// create handles with win::NewHandle and find their object again with
// win::FindHandle / win::FindHandleAs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/com/registry.h"  // ERROR_SUCCESS, ERROR_INVALID_HANDLE, ... (LSTATUS codes)
#include "platform/com/types.h"

using HANDLE = void*;
using PHANDLE = HANDLE*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using SIZE_T = std::size_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using LPDWORD = DWORD*;

struct WindowHandle;
using HWND = WindowHandle*;
struct InstanceHandle;
using HINSTANCE = InstanceHandle*;
using HMODULE = HINSTANCE;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// The value of a failed open; never a valid handle.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// System error codes reported through GetLastError (those shared with the
// registry come from platform/com/registry.h).
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_SEM_TIMEOUT = 121;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
constexpr DWORD ERROR_TIMEOUT = 1460;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

extern "C" {
// The calling thread's last error code.
COM_API DWORD GetLastError();
COM_API void SetLastError(DWORD code);

// Removes the handle from the table and runs its kind's close function. FALSE with
// ERROR_INVALID_HANDLE for a handle that is not open (also a second close).
// Another thread still using the object (waiting on an event) keeps it alive
// until it is done.
COM_API BOOL CloseHandle(HANDLE handle);
}

namespace win {

// One kind of handle. `close` runs once, when the handle is closed, with the
// object that was registered (it stays alive until the last holder lets go); it
// returns FALSE after setting the last error when closing failed. A null `close`
// just drops the table's reference.
struct HandleKind {
  const char* name;
  BOOL (*close)(void* object);
};

// Enters an object (not null) in the table and returns its new handle; nullptr
// with ERROR_INVALID_PARAMETER for a null object, ERROR_NOT_ENOUGH_MEMORY when the
// table is full.
COM_API HANDLE NewHandle(const HandleKind& kind, std::shared_ptr<void> object);

// The object behind an open handle of the given kind; empty (and
// ERROR_INVALID_HANDLE) for any other handle, closed or of another kind.
COM_API std::shared_ptr<void> FindHandle(HANDLE handle, const HandleKind& kind);

// FindHandle for an object that was registered as a shared_ptr<T>.
template <class T>
std::shared_ptr<T> FindHandleAs(HANDLE handle, const HandleKind& kind) {
  return std::static_pointer_cast<T>(FindHandle(handle, kind));
}

// The kind of an open handle, or nullptr.
COM_API const HandleKind* KindOfHandle(HANDLE handle);

// The object behind an open handle of any kind, with its kind, in one look-up;
// empty (and ERROR_INVALID_HANDLE) for a handle that is not open.
COM_API std::shared_ptr<void> FindAnyHandle(HANDLE handle, const HandleKind*& kind);

}  // namespace win
