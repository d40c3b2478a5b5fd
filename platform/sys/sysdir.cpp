#include "platform/sys/sysdir.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string SystemDirectory() {
  std::string dir;
  if (const char* p = std::getenv("PLATFORM_SYSTEM_DIR"); p && *p) {
    dir = p;
  } else if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') {
    dir = std::string(x) + "/platform/system";
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    dir = std::string(h) + "/.local/share/platform/system";
  }
  // "/a/b/" and "/a/b" name the same directory; the answer never ends in '/'
  // (a file name is appended after a separator), except the root itself.
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace

extern "C" UINT GetSystemDirectoryA(char* buffer, UINT size) {
  const std::string dir = SystemDirectory();
  if (dir.empty()) return 0;
  if (!buffer || size <= dir.size()) return static_cast<UINT>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}
