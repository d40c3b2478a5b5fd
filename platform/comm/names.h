// Port names: "COMn" and "\\.\COMn" to device paths.
#pragma once

#include <string>

#include "platform/com/types.h"

namespace comm {

// The registry key that maps device paths (value names) to "COMn" (data).
inline constexpr const char* kSerialCommKey = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The device path of a port name. "COMn" (any case, with or without "\\.\") is
// looked up in the registry, else /dev/ttyS{n-1}; an absolute path stands as it
// is. ERROR_INVALID_NAME for an empty name, ERROR_FILE_NOT_FOUND for a name that
// designates no port.
DWORD ResolvePortName(const char* name, std::string& path);

// The key of the device's per-port state: its canonical path.
std::string DeviceKey(const std::string& path);

}  // namespace comm
