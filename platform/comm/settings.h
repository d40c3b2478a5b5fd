// Line settings as small value types, each storing itself into a termios
// structure, and the translation of a DCB into them.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "platform/comm/comm.h"

namespace comm {

// Bits per second. Rates that termios names are stored there; the others are set
// on the device afterwards through SetCustomSpeed.
class BaudRate {
 public:
  explicit BaudRate(std::uint32_t bitsPerSecond) : value_(bitsPerSecond) {}
  std::uint32_t value() const { return value_; }
  // The termios code of the rate, or nullopt when termios has none for it.
  std::optional<speed_t> code() const;
  void store(termios& t) const;

 private:
  std::uint32_t value_;
};

class CharacterSize {
 public:
  explicit CharacterSize(unsigned bits) : bits_(bits) {}
  unsigned value() const { return bits_; }
  void store(termios& t) const;

 private:
  unsigned bits_;
};

class Parity {
 public:
  enum Type { none, odd, even, mark, space };
  explicit Parity(Type type, bool check) : type_(type), check_(check) {}
  Type value() const { return type_; }
  void store(termios& t) const;

 private:
  Type type_;
  bool check_;  // check received parity (INPCK)
};

class StopBits {
 public:
  enum Type { one, onepointfive, two };
  explicit StopBits(Type type) : type_(type) {}
  Type value() const { return type_; }
  // CSTOPB: two stop bits, or one and a half with 5-bit characters.
  void store(termios& t) const;

 private:
  Type type_;
};

class FlowControl {
 public:
  FlowControl(bool hardware, bool xonOutput, bool xonInput, char xonChar, char xoffChar)
      : hardware_(hardware), xonOutput_(xonOutput), xonInput_(xonInput), xon_(xonChar), xoff_(xoffChar) {}
  bool hardware() const { return hardware_; }
  void store(termios& t) const;

 private:
  bool hardware_;   // RTS/CTS (CRTSCTS)
  bool xonOutput_;  // output stops on XOFF (IXON)
  bool xonInput_;   // XOFF/XON sent as the input queue fills and empties (IXOFF)
  char xon_;
  char xoff_;
};

struct LineSettings {
  BaudRate baud;
  CharacterSize size;
  Parity parity;
  StopBits stop;
  FlowControl flow;

  void store(termios& t) const;
};

// Raw mode: no echo, no signals, no translation of CR, LF or any other byte,
// receiver on, modem control lines ignored for hang-up purposes.
void MakeRaw(termios& t);

// The settings a DCB asks for; ERROR_INVALID_PARAMETER when a member is out of
// range (rate 0, byte size outside 5-8, unknown parity or stop-bit code, 1.5 stop
// bits with more than 5 data bits, 2 with 5, XonChar equal to XoffChar, DTR
// control 3), ERROR_NOT_SUPPORTED for RTS toggling.
DWORD SettingsFromDcb(const DCB& dcb, std::optional<LineSettings>& out);

// The DCB of a freshly opened port: 9600 bits/s, 8 data bits, no parity, one stop
// bit, no flow control, DTR and RTS on, XON 17 and XOFF 19.
DCB DefaultDcb();

// Sets a rate that termios has no code for (termios2 with BOTHER); errno-style
// result: 0 or the error number.
int SetCustomSpeed(int fd, std::uint32_t bitsPerSecond);
// The output rate of the device in bits per second, 0 when it cannot be read.
std::uint32_t ReadSpeed(int fd);

// Parses a mode string of the home platform's mode command into the DCB.
DWORD ParseModeString(const char* definition, DCB& dcb);

}  // namespace comm
