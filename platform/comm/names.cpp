#include "platform/comm/names.h"

#include <climits>
#include <cstdlib>
#include <string_view>

#include "platform/com/registry.h"
#include "platform/comm/comm.h"

namespace comm {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// n of "COMn", 0 when the name is not of that shape.
unsigned ComNumber(std::string_view s) {
  if (s.size() < 4 || s.size() > 6 || !EqualsNoCase(s.substr(0, 3), "com") || s[3] == '0') return 0;
  unsigned n = 0;
  for (char c : s.substr(3)) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + static_cast<unsigned>(c - '0');
  }
  return n;
}

}  // namespace

DWORD ResolvePortName(const char* name, std::string& path) {
  if (!name || !*name) return ERROR_INVALID_NAME;
  std::string_view s(name);
  if (s.substr(0, 4) == "\\\\.\\") s.remove_prefix(4);
  if (s.empty()) return ERROR_INVALID_NAME;
  if (s.front() == '/') {
    path = s;
    return 0;
  }
  unsigned n = ComNumber(s);
  if (n == 0) return static_cast<DWORD>(ERROR_FILE_NOT_FOUND);
  const std::string com = "COM" + std::to_string(n);
  for (const auto& [device, port] : registry::Values(kSerialCommKey)) {
    if (EqualsNoCase(port, com) && !device.empty()) {
      path = device;
      return 0;
    }
  }
  path = "/dev/ttyS" + std::to_string(n - 1);
  return 0;
}

std::string DeviceKey(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf)) return buf;
  return path;
}

}  // namespace comm
