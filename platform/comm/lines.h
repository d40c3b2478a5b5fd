// Per-port state that a device cannot show: virtual modem lines for devices
// without modem-control ioctls (pseudo-terminals), and line error flags injected
// for tests. The state belongs to the device (keyed by its canonical path), not
// to an open handle, so it outlives a close and a reopen as a real line would.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/com/types.h"

namespace comm::lines {

struct Outputs {
  bool dtr = false;
  bool rts = false;
  bool brk = false;
};

// The state of one device. An open port keeps it, so its transfers reach their
// own device's state without looking it up by name.
struct State {
  std::mutex mu;  // guards what follows but `errors`
  Outputs outputs;
  DWORD modemStatus = 0;
  std::atomic<DWORD> errors{0};
  // The master of a test's pseudo-terminal pair whose slave this device is
  // (-1: none): what it has not read yet is what the port has not sent.
  int peer = -1;
};

// The state of the device named by `key`, made on first use; the same object
// for the life of the process.
std::shared_ptr<State> StateOf(const std::string& key);
// The error flags of a device's state, taken and cleared at once.
inline DWORD TakeErrors(State& s) { return s.errors.exchange(0); }

// Our side's output lines (DTR, RTS, break).
Outputs GetOutputs(const std::string& key);
void SetDtr(const std::string& key, bool on);
void SetRts(const std::string& key, bool on);
void SetBreak(const std::string& key, bool on);

// The other side's lines as MS_* bits of GetCommModemStatus.
DWORD GetModemStatus(const std::string& key);
void SetModemStatus(const std::string& key, DWORD status);

// The other side of a test's pseudo-terminal pair (-1 when it closes).
void SetPeer(const std::string& key, int masterFd);
// Bytes written to the device that its other side has not read yet; 0 when no
// other side is known.
DWORD PeerUnread(State& s);

// Error flags (CE_*) waiting to be reported; Take returns them and clears them.
void InjectErrors(const std::string& key, DWORD errors);
DWORD TakeErrors(const std::string& key);

// Forgets everything about the device (a new pseudo-terminal reusing a path):
// its state goes back to the start.
void Reset(const std::string& key);

}  // namespace comm::lines
