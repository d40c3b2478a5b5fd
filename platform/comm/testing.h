// Helpers for tests of code that uses serial ports: a pseudo-terminal pair whose
// slave side the code under test opens through its port name while the test
// holds the master side as the device at the other end of the line, and access to
// the per-port state that a pseudo-terminal cannot show (modem lines, line
// errors).
//
// Port names here are resolved as CreateFileA resolves them ("COMn", "\\.\COMn"
// or a device path); a name that resolves to nothing throws std::invalid_argument.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/comm/comm.h"

namespace comm::testing {

class COM_API PseudoTerminal {
 public:
  // Opens a new pair (master raw, like the port side) and forgets any per-port
  // state left under the slave's path. Throws std::system_error on failure.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }

  // Maps the port name "COMn" to the slave in the registry, removing any other
  // device mapped to the same name.
  void MapTo(const std::string& comName) const;

  // Writes all of `data` to the master: the device sends.
  void Send(std::string_view data) const;
  // Reads from the master until `count` bytes have arrived or `timeout` has
  // passed: what the device received.
  std::string Receive(std::size_t count, std::chrono::milliseconds timeout) const;
  // Closes the master: the port sees the other side hang up.
  void HangUp();

 private:
  int master_ = -1;
  int slave_ = -1;  // held open so that the master never sees a hang-up between opens
  std::string slavePath_;
};

// The output lines our side drives on a port with virtual lines.
struct OutputLines {
  bool dtr = false;
  bool rts = false;
  bool brk = false;
};
COM_API OutputLines GetOutputLines(const std::string& port);

// Sets the other side's lines as GetCommModemStatus reports them on a port with
// virtual lines (MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON).
COM_API void SetModemStatus(const std::string& port, DWORD status);

// Line errors (CE_FRAME, CE_OVERRUN, CE_RXPARITY, CE_BREAK, ...) that the next
// ClearCommError on the port reports, once.
COM_API void InjectLineErrors(const std::string& port, DWORD errors);

// The terminal descriptor behind a port handle (-1 for other handles) and the
// device's rate in bits per second, for checks of what reached the device.
COM_API int PortDescriptor(HANDLE port);
COM_API std::uint32_t PortSpeed(HANDLE port);

}  // namespace comm::testing
