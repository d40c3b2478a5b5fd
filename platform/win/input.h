// Key state and the mouse cursor, both process-wide.
//
// There is no keyboard: GetAsyncKeyState reads a table that a host (a renderer
// that sees real key presses) or a test sets with win::SetAsyncKeyState. The
// cursor is one process-wide value that GetCursor/SetCursor read and write; a
// renderer may show it.
#pragma once

#include "platform/win/handles.h"

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;  // Alt
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
// '0'..'9' and 'A'..'Z' are their own virtual-key codes.
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

struct CursorHandle;
using HCURSOR = CursorHandle*;

// The system cursors LoadCursorA knows (resource numbers).
inline LPCSTR MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(id)); }
inline LPCSTR const IDC_ARROW = MAKEINTRESOURCEA(32512);
inline LPCSTR const IDC_IBEAM = MAKEINTRESOURCEA(32513);
inline LPCSTR const IDC_WAIT = MAKEINTRESOURCEA(32514);  // the hourglass
inline LPCSTR const IDC_CROSS = MAKEINTRESOURCEA(32515);
inline LPCSTR const IDC_HAND = MAKEINTRESOURCEA(32649);
inline LPCSTR const IDC_APPSTARTING = MAKEINTRESOURCEA(32650);

extern "C" {
// Bit 15 (the value is negative) while the key is down; bit 0 when it went down
// since the previous query of that key. A generic modifier (VK_SHIFT,
// VK_CONTROL, VK_MENU) reads as down when it or its left or right key is down.
// 0 for codes outside 0..255.
COM_API SHORT GetAsyncKeyState(int vKey);

// A system cursor (instance null, id one of the IDC_ values); the same handle on
// every call. Other ids or an instance give null with
// ERROR_RESOURCE_NAME_NOT_FOUND.
COM_API HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
// The current cursor; the arrow at start.
COM_API HCURSOR GetCursor();
// Makes `cursor` (null: none) current and returns the previous one.
COM_API HCURSOR SetCursor(HCURSOR cursor);
}

inline HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) { return LoadCursorA(instance, name); }

namespace win {

// Host and test side of the key-state table: presses (down) or releases a key.
// Codes outside 0..255 are ignored.
COM_API void SetAsyncKeyState(int vKey, bool down);
// Releases every key and forgets earlier presses.
COM_API void ResetAsyncKeyStates();

}  // namespace win
