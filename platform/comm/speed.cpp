// Rates outside the termios table go through termios2 with BOTHER. This file
// includes the kernel's termios definitions, which clash with <termios.h>, so it
// includes nothing else of the layer.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>

namespace comm {

int SetCustomSpeed(int fd, std::uint32_t bitsPerSecond) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag = (t.c_cflag & ~CBAUD) | BOTHER;
  t.c_cflag &= ~(CBAUD << IBSHIFT);  // input rate follows the output rate
  t.c_ospeed = bitsPerSecond;
  t.c_ispeed = bitsPerSecond;
  if (ioctl(fd, TCSETS2, &t) != 0) return errno;
  return 0;
}

std::uint32_t ReadSpeed(int fd) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return 0;
  return t.c_ospeed;
}

}  // namespace comm
