// The system directory: where system-wide data files live (the default packet
// library among them). It is $PLATFORM_SYSTEM_DIR when set, else
// $XDG_DATA_HOME/platform/system, else ~/.local/share/platform/system.
#pragma once

#include "platform/com/types.h"

extern "C" {

// Copies the directory (no trailing '/') and a NUL into `buffer` and returns
// its length without the NUL. When `size` is too small for both, nothing is
// copied and the answer is the size needed, NUL included. 0 when no directory
// can be named (no variable and no home directory).
COM_API UINT GetSystemDirectoryA(char* buffer, UINT size);

}  // extern "C"
