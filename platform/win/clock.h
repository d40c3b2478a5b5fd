// Tick count, sleeping and the local date and time.
#pragma once

#include "platform/com/variant.h"  // SYSTEMTIME
#include "platform/win/handles.h"

extern "C" {
// Milliseconds of a steady clock, as 32 bits that wrap after about 49.7 days
// (subtract two readings as DWORD to get the time between them).
COM_API DWORD GetTickCount();
// The same clock without the wrap.
COM_API ULONGLONG GetTickCount64();
// Gives up the processor for at least `milliseconds`; 0 only yields to other
// ready threads.
COM_API void Sleep(DWORD milliseconds);
// The local date and time, to the millisecond.
COM_API void GetLocalTime(SYSTEMTIME* time);
}

namespace win {

// A replacement for the clock behind GetTickCount/GetTickCount64 (tests put the
// count near the 32-bit wrap). Returns the previous source; null restores the
// steady clock. Sleeps and wait time-outs keep the real clock.
using TickSource = ULONGLONG (*)();
COM_API TickSource SetTickSource(TickSource source);

}  // namespace win
