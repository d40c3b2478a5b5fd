#include "platform/comm/settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace comm {

namespace {

struct SpeedCode {
  std::uint32_t bps;
  speed_t code;
};

constexpr std::array<SpeedCode, 30> kSpeeds = {{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

}  // namespace

std::optional<speed_t> BaudRate::code() const {
  for (const SpeedCode& s : kSpeeds)
    if (s.bps == value_) return s.code;
  return std::nullopt;
}

void BaudRate::store(termios& t) const {
  // A rate without a code is set on the device after tcsetattr; 38400 stands in
  // for it meanwhile.
  speed_t c = code().value_or(B38400);
  cfsetispeed(&t, c);
  cfsetospeed(&t, c);
}

void CharacterSize::store(termios& t) const {
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag = (t.c_cflag & ~CSIZE) | kSizes[bits_ - 5];
}

void Parity::store(termios& t) const {
  t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (type_) {
    case none: break;
    case odd: t.c_cflag |= PARENB | PARODD; break;
    case even: t.c_cflag |= PARENB; break;
    // With CMSPAR the parity bit is fixed: PARODD makes it 1 (mark), else 0.
    case mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case space: t.c_cflag |= PARENB | CMSPAR; break;
  }
  if (check_ && type_ != none)
    t.c_iflag |= INPCK;
  else
    t.c_iflag &= ~INPCK;
}

void StopBits::store(termios& t) const {
  if (type_ == one)
    t.c_cflag &= ~CSTOPB;
  else
    t.c_cflag |= CSTOPB;
}

void FlowControl::store(termios& t) const {
  if (hardware_)
    t.c_cflag |= CRTSCTS;
  else
    t.c_cflag &= ~CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (xonOutput_) t.c_iflag |= IXON;
  if (xonInput_) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(xon_);
  t.c_cc[VSTOP] = static_cast<cc_t>(xoff_);
}

void LineSettings::store(termios& t) const {
  baud.store(t);
  size.store(t);
  parity.store(t);
  stop.store(t);
  flow.store(t);
}

void MakeRaw(termios& t) {
  t.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                 IMAXBEL | IUCLC);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

DWORD SettingsFromDcb(const DCB& dcb, std::optional<LineSettings>& out) {
  if (dcb.BaudRate == 0) return ERROR_INVALID_PARAMETER;
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return ERROR_INVALID_PARAMETER;
  if (dcb.Parity > SPACEPARITY) return ERROR_INVALID_PARAMETER;
  // 1.5 stop bits exist only with 5-bit characters, and 2 never with them.
  if (dcb.StopBits > TWOSTOPBITS) return ERROR_INVALID_PARAMETER;
  if (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) return ERROR_INVALID_PARAMETER;
  if (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) return ERROR_INVALID_PARAMETER;
  if (dcb.XonChar == dcb.XoffChar) return ERROR_INVALID_PARAMETER;
  if (dcb.fDtrControl > DTR_CONTROL_HANDSHAKE) return ERROR_INVALID_PARAMETER;
  if (dcb.fRtsControl == RTS_CONTROL_TOGGLE) return ERROR_NOT_SUPPORTED;

  const bool hardware = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
  out.emplace(LineSettings{
      BaudRate(dcb.BaudRate),
      CharacterSize(dcb.ByteSize),
      Parity(static_cast<Parity::Type>(dcb.Parity), dcb.fParity != 0),
      StopBits(dcb.StopBits == ONESTOPBIT ? StopBits::one
                                          : dcb.StopBits == ONE5STOPBITS ? StopBits::onepointfive : StopBits::two),
      FlowControl(hardware, dcb.fOutX != 0, dcb.fInX != 0, dcb.XonChar, dcb.XoffChar),
  });
  return ERROR_SUCCESS;
}

DCB DefaultDcb() {
  DCB d{};
  d.DCBlength = sizeof(DCB);
  d.BaudRate = CBR_9600;
  d.fBinary = 1;
  d.fDtrControl = DTR_CONTROL_ENABLE;
  d.fRtsControl = RTS_CONTROL_ENABLE;
  d.ByteSize = 8;
  d.Parity = NOPARITY;
  d.StopBits = ONESTOPBIT;
  d.XonChar = 17;
  d.XoffChar = 19;
  return d;
}

// ---------------------------------------------------------------------------
// Mode strings

namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::optional<std::uint32_t> Number(std::string_view s) {
  std::uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc{} || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

// The mode command's rates: two-digit abbreviations of the classic rates, or the
// rate itself.
std::optional<std::uint32_t> ModeBaud(std::string_view s) {
  static constexpr std::pair<std::uint32_t, std::uint32_t> kShort[] = {
      {11, 110}, {15, 150}, {30, 300}, {60, 600}, {12, 1200}, {24, 2400}, {48, 4800}, {96, 9600}, {19, 19200}};
  auto n = Number(s);
  if (!n || *n == 0) return std::nullopt;
  for (auto [abbr, rate] : kShort)
    if (*n == abbr) return rate;
  return n;
}

std::optional<BYTE> ModeParity(std::string_view s) {
  std::string v = Lower(s);
  if (v == "n") return NOPARITY;
  if (v == "o") return ODDPARITY;
  if (v == "e") return EVENPARITY;
  if (v == "m") return MARKPARITY;
  if (v == "s") return SPACEPARITY;
  return std::nullopt;
}

std::optional<BYTE> ModeData(std::string_view s) {
  auto n = Number(s);
  if (!n || *n < 5 || *n > 8) return std::nullopt;
  return static_cast<BYTE>(*n);
}

std::optional<BYTE> ModeStop(std::string_view s) {
  if (s == "1") return ONESTOPBIT;
  if (s == "1.5") return ONE5STOPBITS;
  if (s == "2") return TWOSTOPBITS;
  return std::nullopt;
}

std::optional<bool> OnOff(std::string_view s) {
  std::string v = Lower(s);
  if (v == "on") return true;
  if (v == "off") return false;
  return std::nullopt;
}

void FlowOff(DCB& d) {
  d.fInX = d.fOutX = d.fOutxCtsFlow = d.fOutxDsrFlow = 0;
  d.fDtrControl = DTR_CONTROL_ENABLE;
  d.fRtsControl = RTS_CONTROL_ENABLE;
}

// "baud=9600 parity=N data=8 stop=1 ..." with keys in any order and case.
bool ParseNewForm(std::string_view s, DCB& d) {
  FlowOff(d);
  bool stopGiven = false;
  while (true) {
    s = Trim(s);
    if (s.empty()) break;
    size_t end = 0;
    while (end < s.size() && !std::isspace(static_cast<unsigned char>(s[end]))) ++end;
    std::string_view token = s.substr(0, end);
    s.remove_prefix(end);
    size_t eq = token.find('=');
    if (eq == std::string_view::npos) return false;
    std::string key = Lower(token.substr(0, eq));
    std::string_view value = token.substr(eq + 1);
    if (key == "baud") {
      auto v = ModeBaud(value);
      if (!v) return false;
      d.BaudRate = *v;
    } else if (key == "parity") {
      auto v = ModeParity(value);
      if (!v) return false;
      d.Parity = *v;
    } else if (key == "data") {
      auto v = ModeData(value);
      if (!v) return false;
      d.ByteSize = *v;
    } else if (key == "stop") {
      auto v = ModeStop(value);
      if (!v) return false;
      d.StopBits = *v;
      stopGiven = true;
    } else if (key == "to") {
      if (!OnOff(value)) return false;  // a time-out choice; the DCB has no member for it
    } else if (key == "xon") {
      auto v = OnOff(value);
      if (!v) return false;
      d.fInX = d.fOutX = *v;
    } else if (key == "odsr") {
      auto v = OnOff(value);
      if (!v) return false;
      d.fOutxDsrFlow = *v;
    } else if (key == "octs") {
      auto v = OnOff(value);
      if (!v) return false;
      d.fOutxCtsFlow = *v;
    } else if (key == "idsr") {
      auto v = OnOff(value);
      if (!v) return false;
      d.fDsrSensitivity = *v;
    } else if (key == "dtr") {
      std::string v = Lower(value);
      if (v == "on") d.fDtrControl = DTR_CONTROL_ENABLE;
      else if (v == "off") d.fDtrControl = DTR_CONTROL_DISABLE;
      else if (v == "hs") d.fDtrControl = DTR_CONTROL_HANDSHAKE;
      else return false;
    } else if (key == "rts") {
      std::string v = Lower(value);
      if (v == "on") d.fRtsControl = RTS_CONTROL_ENABLE;
      else if (v == "off") d.fRtsControl = RTS_CONTROL_DISABLE;
      else if (v == "hs") d.fRtsControl = RTS_CONTROL_HANDSHAKE;
      else if (v == "tg") d.fRtsControl = RTS_CONTROL_TOGGLE;
      else return false;
    } else {
      return false;
    }
  }
  if (d.BaudRate == 110 && !stopGiven) d.StopBits = TWOSTOPBITS;
  return true;
}

// "9600,n,8,1[,x|p]": rate, parity, data bits, stop bits, and a last field that
// chooses XON/XOFF (x) or hardware handshake (p). Empty fields change nothing.
bool ParseOldForm(std::string_view s, DCB& d) {
  std::vector<std::string_view> fields;
  while (true) {
    size_t comma = s.find(',');
    fields.push_back(Trim(s.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  if (fields.size() > 5) return false;
  bool stopGiven = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string_view f = fields[i];
    if (f.empty()) continue;
    switch (i) {
      case 0: {
        auto v = ModeBaud(f);
        if (!v) return false;
        d.BaudRate = *v;
        break;
      }
      case 1: {
        auto v = ModeParity(f);
        if (!v) return false;
        d.Parity = *v;
        break;
      }
      case 2: {
        auto v = ModeData(f);
        if (!v) return false;
        d.ByteSize = *v;
        break;
      }
      case 3: {
        auto v = ModeStop(f);
        if (!v) return false;
        d.StopBits = *v;
        stopGiven = true;
        break;
      }
      default: {
        std::string v = Lower(f);
        if (v != "x" && v != "p" && v != "e" && v != "b" && v != "r" && v != "n") return false;
      }
    }
  }
  FlowOff(d);
  std::string last = fields.size() == 5 ? Lower(fields[4]) : "";
  if (last == "x") {
    d.fInX = d.fOutX = 1;
  } else if (last == "p") {
    d.fOutxCtsFlow = d.fOutxDsrFlow = 1;
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
  }
  if (d.BaudRate == 110 && !stopGiven) d.StopBits = TWOSTOPBITS;
  return true;
}

}  // namespace

DWORD ParseModeString(const char* definition, DCB& dcb) {
  if (!definition) return ERROR_INVALID_PARAMETER;
  std::string_view s = Trim(definition);
  // An optional device name in front: "COMn" or "COMn:".
  if (s.size() > 3 && Lower(s.substr(0, 3)) == "com" && std::isdigit(static_cast<unsigned char>(s[3]))) {
    size_t i = 3;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    auto n = Number(s.substr(3, i - 3));
    if (!n || *n == 0 || *n > 255) return ERROR_INVALID_PARAMETER;
    if (i < s.size() && s[i] == ':') ++i;
    else if (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) return ERROR_INVALID_PARAMETER;
    s = Trim(s.substr(i));
  }
  if (s.empty()) return ERROR_INVALID_PARAMETER;
  DCB d = dcb;
  bool ok = s.find('=') != std::string_view::npos ? ParseNewForm(s, d) : ParseOldForm(s, d);
  if (!ok) return ERROR_INVALID_PARAMETER;
  d.DCBlength = sizeof(DCB);
  d.fBinary = 1;
  dcb = d;
  return ERROR_SUCCESS;
}

}  // namespace comm
