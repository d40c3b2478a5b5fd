#include "platform/comm/testing.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "platform/com/registry.h"
#include "platform/comm/lines.h"
#include "platform/comm/names.h"
#include "platform/comm/port.h"
#include "platform/comm/settings.h"

namespace comm::testing {

namespace {

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

std::string KeyOf(const std::string& port) {
  std::string path;
  if (ResolvePortName(port.c_str(), path) != 0) throw std::invalid_argument("not a port name: " + port);
  return DeviceKey(path);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) ThrowErrno("posix_openpt");
  char name[128];
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
    int err = errno;
    ::close(master_);
    throw std::system_error(err, std::generic_category(), "pseudo-terminal set-up");
  }
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    int err = errno;
    ::close(master_);
    throw std::system_error(err, std::generic_category(), "open of the slave");
  }
  termios t{};
  tcgetattr(master_, &t);
  MakeRaw(t);
  tcsetattr(master_, TCSANOW, &t);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  lines::Reset(DeviceKey(slavePath_));
  lines::SetPeer(DeviceKey(slavePath_), master_);
}

PseudoTerminal::~PseudoTerminal() {
  HangUp();
  if (slave_ >= 0) ::close(slave_);
}

void PseudoTerminal::MapTo(const std::string& comName) const {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create the port map in the registry");
  for (const auto& [device, port] : registry::Values(kSerialCommKey))
    if (port == comName && device != slavePath_) RegDeleteValueA(key, device.c_str());
  LSTATUS s = RegSetValueExA(key, slavePath_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(comName.c_str()),
                             static_cast<DWORD>(comName.size() + 1));
  RegCloseKey(key);
  if (s != ERROR_SUCCESS) throw std::runtime_error("cannot map " + comName + " in the registry");
}

void PseudoTerminal::Send(std::string_view data) const {
  while (!data.empty()) {
    ssize_t n = ::write(master_, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      poll(&p, 1, 100);
    } else if (n < 0 && errno != EINTR) {
      ThrowErrno("write to the master");
    }
  }
}

std::string PseudoTerminal::Receive(std::size_t count, std::chrono::milliseconds timeout) const {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  std::string out;
  char buf[4096];
  while (out.size() < count) {
    ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - out.size()));
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || errno != EAGAIN) break;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{master_, POLLIN, 0};
    poll(&p, 1, static_cast<int>(left));
  }
  return out;
}

void PseudoTerminal::HangUp() {
  // The port stops looking at the master before it closes, so that it never
  // looks at a descriptor reused for something else.
  if (master_ >= 0) {
    lines::SetPeer(DeviceKey(slavePath_), -1);
    ::close(master_);
  }
  master_ = -1;
}

OutputLines GetOutputLines(const std::string& port) {
  lines::Outputs o = lines::GetOutputs(KeyOf(port));
  return {o.dtr, o.rts, o.brk};
}

void SetModemStatus(const std::string& port, DWORD status) { lines::SetModemStatus(KeyOf(port), status); }

void InjectLineErrors(const std::string& port, DWORD errors) { lines::InjectErrors(KeyOf(port), errors); }

int PortDescriptor(HANDLE port) {
  auto p = FindPort(port);
  return p ? p->descriptor() : -1;
}

std::uint32_t PortSpeed(HANDLE port) {
  auto p = FindPort(port);
  if (!p) return 0;
  int fd = p->descriptor();
  return fd < 0 ? 0 : ReadSpeed(fd);
}

}  // namespace comm::testing
