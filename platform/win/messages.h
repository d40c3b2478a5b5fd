// Per-thread message queues and window procedures.
//
// A thread gets its queue the first time it calls PeekMessageA or GetMessageA, or
// makes a window (AllocateHWnd); the queue and the thread's windows go away when
// the thread ends. Posting to a thread that has no queue fails, as on the home
// platform, so a thread that expects posted messages peeks once (PM_NOREMOVE)
// before telling others its id.
//
// A window here is a handle bound to a window procedure and to the thread that
// made it; messages posted to it go to that thread's queue and DispatchMessageA,
// called on that thread, hands them to the procedure. Messages are only posted:
// there is no painting, input or sent-message machinery; WM_PAINT and input
// messages are whatever a host or a test posts.
#pragma once

#include <functional>

#include "platform/win/handles.h"

using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // GetTickCount when posted
  POINT pt;    // always 0, 0 (there is no pointer)
};
using LPMSG = MSG*;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_KEYFIRST = 0x0100;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_KEYLAST = 0x0109;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEFIRST = 0x0200;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSELAST = 0x020E;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// WM_ACTIVATE's low word of wParam.
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

extern "C" {
// Posts to the queue of the window's thread; a null window posts a thread message
// to the calling thread. FALSE with ERROR_INVALID_WINDOW_HANDLE for an unknown
// window.
COM_API BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a thread message (hwnd null). FALSE with ERROR_INVALID_THREAD_ID when the
// thread has no queue.
COM_API BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_QUIT with the exit code to the calling thread; it is retrieved after
// every other message.
COM_API void PostQuitMessage(int exitCode);

// The first message of the calling thread's queue, in posting order, that passes
// the filters: hwnd null = any, (HWND)-1 = thread messages only, else that window's
// messages; range min..max, both 0 = any (WM_QUIT passes any range). PM_REMOVE
// takes it out of the queue. FALSE when none; PM_NOYIELD is ignored.
COM_API BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// As PeekMessageA with PM_REMOVE, waiting for a message; FALSE for WM_QUIT, -1 on
// error.
COM_API BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);

// For WM_KEYDOWN of a key that stands for a character, posts WM_CHAR (ahead of
// every queued message, so it is retrieved next). Shift and Ctrl come from the
// key-state table (input.h); letters, digits, space, Enter, Tab, Backspace and Esc
// are translated, with the US layout's shifted digits. Nonzero for the four key
// messages, as on the home platform, and zero otherwise.
COM_API BOOL TranslateMessage(const MSG* msg);
// Calls the procedure of msg->hwnd on the calling thread, which must own the
// window, and returns its result; 0 for thread messages (hwnd null) and, with
// ERROR_INVALID_WINDOW_HANDLE, for an unknown window or one of another thread.
COM_API LRESULT DispatchMessageA(const MSG* msg);

// The default procedure: does nothing, returns 0.
COM_API LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
COM_API BOOL IsWindow(HWND hwnd);
// Destroys a window of the calling thread; its queued messages stay and are no
// longer dispatched.
COM_API BOOL DestroyWindow(HWND hwnd);
}

inline BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(hwnd, message, wParam, lParam);
}
inline BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostThreadMessageA(threadId, message, wParam, lParam);
}
inline BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return PeekMessageA(msg, hwnd, filterMin, filterMax, removeFlags);
}
inline BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  return GetMessageA(msg, hwnd, filterMin, filterMax);
}
inline LRESULT DispatchMessage(const MSG* msg) { return DispatchMessageA(msg); }
inline LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

namespace win {

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A new window owned by the calling thread whose messages go to `proc` (the class
// library's AllocateHWnd). Never null.
COM_API HWND AllocateHWnd(WindowProc proc);
// DestroyWindow under the class library's name.
COM_API void DeallocateHWnd(HWND hwnd);

}  // namespace win
