// The telephony line devices: Hayes-compatible modems listed in the registry
// under HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\TELEPHONY, one subkey per modem
// with the values "Name" (the line's name) and "Port" (its serial port, "COMn"
// or a device path). The device identifier of a modem is its position among
// the subkeys, in the registry's order.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"

namespace tapi {

inline constexpr const char* kModemsKey = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TELEPHONY";

struct ModemLine {
  std::string name;
  std::string port;
};

// The listed modems in device-identifier order; a subkey without a port is
// listed with an empty port (opening it fails).
COM_API std::vector<ModemLine> ListModemLines();

// Adds a modem at the end of the list (set-up and tests); its identifier is
// the number of modems listed before. Throws std::runtime_error when the
// registry cannot be written.
COM_API DWORD AddModemLine(const std::string& name, const std::string& port);

// Removes every listed modem.
COM_API void RemoveModemLines();

}  // namespace tapi
