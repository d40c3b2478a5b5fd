// Per-port state that a device cannot show: virtual modem lines for devices
// without modem-control ioctls (pseudo-terminals), and line error flags injected
// for tests. The state belongs to the device (keyed by its canonical path), not
// to an open handle, so it outlives a close and a reopen as a real line would.
#pragma once

#include <string>

#include "platform/com/types.h"

namespace comm::lines {

struct Outputs {
  bool dtr = false;
  bool rts = false;
  bool brk = false;
};

// Our side's output lines (DTR, RTS, break).
Outputs GetOutputs(const std::string& key);
void SetDtr(const std::string& key, bool on);
void SetRts(const std::string& key, bool on);
void SetBreak(const std::string& key, bool on);

// The other side's lines as MS_* bits of GetCommModemStatus.
DWORD GetModemStatus(const std::string& key);
void SetModemStatus(const std::string& key, DWORD status);

// Error flags (CE_*) waiting to be reported; Take returns them and clears them.
void InjectErrors(const std::string& key, DWORD errors);
DWORD TakeErrors(const std::string& key);

// Forgets everything about the device (a new pseudo-terminal reusing a path).
void Reset(const std::string& key);

}  // namespace comm::lines
