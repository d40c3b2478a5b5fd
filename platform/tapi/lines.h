// The telephony line devices: Hayes-compatible modems listed in the registry
// under HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\TELEPHONY, one subkey per modem
// with the values "Name" (the line's name) and "Port" (its serial port, "COMn"
// or a device path), and optionally "Init" (the command that sets the modem up
// when the line opens), "BaudRate" (the port's rate) and "FlowControl" ("None",
// "RTS/CTS" or "XON/XOFF"). The device identifier of a modem is its position
// among the subkeys, in the registry's order.
#pragma once

#include <string>
#include <vector>

#include "platform/com/types.h"

namespace tapi {

inline constexpr const char* kModemsKey = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TELEPHONY";

// The set-up of a modem without an "Init" of its own. A factory-default Hayes
// modem accepts it, and it turns on what the line relies on: no echo, verbose
// result codes that are sent at all (a modem left quiet answers nothing),
// BUSY and NO DIALTONE among them, carrier detect following the carrier (the
// end of a call is seen on it), and a drop of DTR hanging up.
inline constexpr const char* kDefaultInit = "ATE0V1Q0X4&C1&D2";
inline constexpr DWORD kDefaultBaudRate = 9600;

// A listed modem as the registry holds it; an empty setting takes its default.
struct ModemLine {
  std::string name;
  std::string port;
  std::string init;
  std::string baudRate;
  std::string flowControl;
};

enum class Flow { None, RtsCts, XonXoff };

// How the line sets up the modem's port and the modem.
struct LineSettings {
  std::string init = kDefaultInit;
  DWORD baudRate = kDefaultBaudRate;
  Flow flow = Flow::None;  // 8 data bits, no parity, one stop bit always
};

// The settings of a listed modem, defaults put in for what it leaves out;
// false when a value cannot be used: a rate that is not a positive number, a
// flow control other than the three names (any letter case), an
// initialisation command that holds a line break.
COM_API bool ReadLineSettings(const ModemLine& line, LineSettings& settings);

// The listed modems in device-identifier order; a subkey without a port is
// listed with an empty port (opening it fails).
COM_API std::vector<ModemLine> ListModemLines();

// Adds a modem at the end of the list (set-up and tests), under a subkey of its
// own whatever other processes add at the same time; its identifier is the
// number of modems listed before. Settings left empty are not written.
// Throws std::runtime_error when the registry cannot be written.
COM_API DWORD AddModemLine(const ModemLine& line);
COM_API DWORD AddModemLine(const std::string& name, const std::string& port);

// Removes every listed modem.
COM_API void RemoveModemLines();

}  // namespace tapi
