#include "platform/comm/port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/comm/lines.h"
#include "platform/comm/names.h"
#include "platform/comm/settings.h"
#include "platform/comm/waithook.h"

namespace comm {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
      return ERROR_ACCESS_DENIED;
    case EIO:
    case EPIPE:
      return ERROR_DEVICE_NOT_CONNECTED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOTTY:
      return ERROR_NOT_SUPPORTED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

namespace {

void DrainWake(int fd) {
  eventfd_t v;
  while (eventfd_read(fd, &v) == 0) {
  }
}

// A device without modem-control ioctls (a pseudo-terminal) answers ENOTTY or
// EINVAL.
bool NoModemIoctls(int err) { return err == ENOTTY || err == EINVAL; }

}  // namespace

DWORD Port::Open(const std::string& path, std::shared_ptr<Port>& out) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  bool exclusive = false;
  auto fail = [fd, &exclusive](DWORD error) {
    if (exclusive) ioctl(fd, TIOCNXCL);
    ::close(fd);
    return error;
  };
  if (!isatty(fd)) return fail(ERROR_INVALID_NAME);
  // The advisory lock keeps out every other user of this layer, also a
  // privileged one that TIOCEXCL would let through.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(ErrorFromErrno(errno));
  if (ioctl(fd, TIOCEXCL) != 0) return fail(ErrorFromErrno(errno));
  exclusive = true;

  std::shared_ptr<Port> port(new Port);
  port->key_ = DeviceKey(path);
  port->lines_ = lines::StateOf(port->key_);
  port->dcb_ = DefaultDcb();
  std::optional<LineSettings> settings;
  SettingsFromDcb(port->dcb_, settings);
  termios t{};
  if (tcgetattr(fd, &t) != 0) return fail(ErrorFromErrno(errno));
  MakeRaw(t);
  settings->store(t);
  if (tcsetattr(fd, TCSANOW, &t) != 0) return fail(ErrorFromErrno(errno));
  tcflush(fd, TCIOFLUSH);

  int modemBits = 0;
  if (ioctl(fd, TIOCMGET, &modemBits) != 0) {
    if (!NoModemIoctls(errno)) return fail(ErrorFromErrno(errno));
    // Opening a terminal raises DTR and RTS; the virtual lines do the same.
    port->virtualLines_ = true;
    lines::SetDtr(port->key_, true);
    lines::SetRts(port->key_, true);
    lines::SetBreak(port->key_, false);
  }
  auto counters = std::make_unique<serial_icounter_struct>();
  if (ioctl(fd, TIOCGICOUNT, counters.get()) == 0) port->counters_ = std::move(counters);

  port->rx_.wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  port->tx_.wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (port->rx_.wake < 0 || port->tx_.wake < 0) return fail(ErrorFromErrno(errno));
  port->fd_ = fd;
  out = std::move(port);
  return 0;
}

Port::~Port() {
  Close();
  if (rx_.wake >= 0) ::close(rx_.wake);
  if (tx_.wake >= 0) ::close(tx_.wake);
}

void Port::Close() {
  {
    // A close while another is under way returns once that one has let the
    // descriptor go, so the port can be opened again as soon as any close
    // returns.
    std::unique_lock lock(mu_);
    if (closing_) {
      closeDone_.wait(lock, [this] { return closed_; });
      return;
    }
    closing_ = true;
  }
  struct Done {
    Port& port;
    ~Done() {
      {
        std::lock_guard lock(port.mu_);
        port.closed_ = true;
      }
      port.closeDone_.notify_all();
    }
  } done{*this};
  Abort(rx_);
  Abort(tx_);
  std::unique_lock fdl(fdLock_);
  if (fd_ < 0) return;
  if (virtualLines_) {
    // Closing a terminal drops DTR and RTS (HUPCL).
    lines::SetDtr(key_, false);
    lines::SetRts(key_, false);
    lines::SetBreak(key_, false);
  }
  // The exclusive mark stays on the terminal while anyone else holds it open,
  // so it is taken off before the close.
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

int Port::descriptor() {
  std::shared_lock fdl(fdLock_);
  return fd_;
}

// ---------------------------------------------------------------------------
// Settings

DWORD Port::GetState(DCB& dcb) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  dcb = dcb_;
  return 0;
}

DWORD Port::SetState(const DCB& dcb) {
  std::optional<LineSettings> settings;
  if (DWORD e = SettingsFromDcb(dcb, settings)) return e;
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return ErrorFromErrno(errno);
  MakeRaw(t);
  settings->store(t);
  if (tcsetattr(fd_, TCSANOW, &t) != 0) return ErrorFromErrno(errno);
  if (!settings->baud.code())
    if (int err = SetCustomSpeed(fd_, settings->baud.value())) return ErrorFromErrno(err);
  // DTR and RTS follow their control modes when these change: on when enabled
  // or under handshake, off when disabled. A line set by EscapeCommFunction
  // stays as it is while the mode stays the same.
  const DCB old = dcb_;
  dcb_ = dcb;
  if (old.fDtrControl != dcb.fDtrControl) SetLine(TIOCM_DTR, dcb.fDtrControl != DTR_CONTROL_DISABLE);
  if (old.fRtsControl != dcb.fRtsControl) SetLine(TIOCM_RTS, dcb.fRtsControl != RTS_CONTROL_DISABLE);
  return 0;
}

DWORD Port::GetTimeouts(COMMTIMEOUTS& t) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  t = timeouts_;
  return 0;
}

DWORD Port::SetTimeouts(const COMMTIMEOUTS& t) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  timeouts_ = t;
  return 0;
}

DWORD Port::Setup(DWORD inQueue, DWORD outQueue) {
  // The terminal's queues have fixed sizes; the request is only remembered.
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  inQueue_ = inQueue;
  outQueue_ = outQueue;
  return 0;
}

DWORD Port::GetMask(DWORD& mask) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  mask = mask_;
  return 0;
}

DWORD Port::SetMask(DWORD mask) {
  constexpr DWORD kKnownEvents = 0x1FFF;
  if (mask & ~kKnownEvents) return ERROR_INVALID_PARAMETER;
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(mu_);
  mask_ = mask;
  return 0;
}

// ---------------------------------------------------------------------------
// Lines and errors

DWORD Port::SetLine(int bit, bool on) {
  if (virtualLines_) {
    (bit == TIOCM_DTR ? lines::SetDtr : lines::SetRts)(key_, on);
    return 0;
  }
  if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0) return ErrorFromErrno(errno);
  return 0;
}

DWORD Port::Escape(DWORD function) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  switch (function) {
    case SETXOFF:
      return tcflow(fd_, TCOOFF) == 0 ? 0 : ErrorFromErrno(errno);
    case SETXON:
      return tcflow(fd_, TCOON) == 0 ? 0 : ErrorFromErrno(errno);
    case SETRTS:
    case CLRRTS:
      return SetLine(TIOCM_RTS, function == SETRTS);
    case SETDTR:
    case CLRDTR:
      return SetLine(TIOCM_DTR, function == SETDTR);
    case SETBREAK:
    case CLRBREAK:
      if (virtualLines_) {
        lines::SetBreak(key_, function == SETBREAK);
        return 0;
      }
      return ioctl(fd_, function == SETBREAK ? TIOCSBRK : TIOCCBRK) == 0 ? 0 : ErrorFromErrno(errno);
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

DWORD Port::ModemStatus(DWORD& status) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  if (virtualLines_) {
    status = lines::GetModemStatus(key_);
    return 0;
  }
  int bits = 0;
  if (ioctl(fd_, TIOCMGET, &bits) != 0) return ErrorFromErrno(errno);
  status = (bits & TIOCM_CTS ? MS_CTS_ON : 0) | (bits & TIOCM_DSR ? MS_DSR_ON : 0) |
           (bits & TIOCM_RNG ? MS_RING_ON : 0) | (bits & TIOCM_CAR ? MS_RLSD_ON : 0);
  return 0;
}

// Error flags from the growth of a real port's error counters since the last
// look. Called with mu_ held.
DWORD Port::CountedErrors() {
  if (!counters_) return 0;
  serial_icounter_struct now{};
  if (ioctl(fd_, TIOCGICOUNT, &now) != 0) return 0;
  const serial_icounter_struct& was = *counters_;
  DWORD e = (now.frame != was.frame ? CE_FRAME : 0) | (now.overrun != was.overrun ? CE_OVERRUN : 0) |
            (now.parity != was.parity ? CE_RXPARITY : 0) | (now.brk != was.brk ? CE_BREAK : 0) |
            (now.buf_overrun != was.buf_overrun ? CE_RXOVER : 0);
  *counters_ = now;
  return e;
}

DWORD Port::ClearError(DWORD& errors, COMSTAT* stat) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  errors = lines::TakeErrors(*lines_);
  if (counters_) {
    std::lock_guard lock(mu_);
    errors |= CountedErrors();
  }
  if (stat) {
    *stat = COMSTAT{};
    int in = 0, out = 0;
    // A device that has gone (hung up, unplugged) says so here too.
    if (ioctl(fd_, FIONREAD, &in) != 0) return ErrorFromErrno(errno);
    stat->cbInQue = static_cast<DWORD>(std::max(in, 0));
    if (ioctl(fd_, TIOCOUTQ, &out) == 0) stat->cbOutQue = static_cast<DWORD>(std::max(out, 0));
    // A pseudo-terminal sends at once; what its other side has not read yet
    // stands for what a real line has not sent yet.
    if (virtualLines_) stat->cbOutQue += lines::PeerUnread(*lines_);
  }
  return 0;
}

DWORD Port::Purge(DWORD flags) {
  if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) return ERROR_INVALID_PARAMETER;
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  if (flags & PURGE_TXABORT) Abort(tx_);
  if (flags & PURGE_RXABORT) Abort(rx_);
  const bool tx = flags & PURGE_TXCLEAR, rx = flags & PURGE_RXCLEAR;
  if ((tx || rx) && tcflush(fd_, tx && rx ? TCIOFLUSH : tx ? TCOFLUSH : TCIFLUSH) != 0) return ErrorFromErrno(errno);
  return 0;
}

DWORD Port::Drain() {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  return tcdrain(fd_) == 0 ? 0 : ErrorFromErrno(errno);
}

// ---------------------------------------------------------------------------
// Transfers

bool Port::Begin(Direction& d, std::uint64_t& generation, COMMTIMEOUTS& timeouts) {
  std::unique_lock lock(mu_);
  generation = d.generation;
  // Transfers of one direction run one after the other, as the device queues them.
  ++d.waiting;
  d.idle.wait(lock, [&] { return !d.busy || d.generation != generation || closing_; });
  --d.waiting;
  if (d.generation != generation || closing_) return false;
  d.busy = true;
  DrainWakeLocked(d);
  timeouts = timeouts_;
  return true;
}

void Port::End(Direction& d) {
  std::lock_guard lock(mu_);
  d.busy = false;
  if (d.waiting) d.idle.notify_all();  // mostly nobody queues behind a transfer
}

bool Port::Aborted(Direction& d, std::uint64_t generation) {
  std::lock_guard lock(mu_);
  return d.generation != generation || closing_;
}

void Port::Abort(Direction& d) {
  std::lock_guard lock(mu_);
  ++d.generation;
  if (d.busy) {
    eventfd_write(d.wake, 1);
    d.woken = true;
  }
  d.idle.notify_all();
}

// With mu_ held: empties the wake-up descriptor, and only when it was written
// (a read of an empty one is a system call for nothing).
void Port::DrainWakeLocked(Direction& d) {
  if (!d.woken) return;
  DrainWake(d.wake);
  d.woken = false;
}

Port::Wake Port::WaitFor(FdLock& fdl, short events, Direction& d, std::uint64_t generation,
                         const Clock::time_point* deadline, short& revents, int& err) {
  WaitHook* hook = CurrentWaitHook();
  while (true) {
    int timeout = -1;
    if (deadline) {
      auto now = Clock::now();
      if (now >= *deadline) return Wake::timeout;
      // Rounded up, so the wait never ends before the deadline.
      auto left = std::chrono::ceil<milliseconds>(*deadline - now).count();
      timeout = static_cast<int>(std::min<long long>(left, 1 << 30));
    }
    bool slice = false;  // the poll ends at the hook's slice, not at the deadline
    if (hook) {
      const int ms = static_cast<int>(std::max<long long>(1, hook->slice().count()));
      if (timeout < 0 || ms < timeout) {
        timeout = ms;
        slice = true;
      }
    }
    pollfd fds[2] = {{fd_, events, 0}, {d.wake, POLLIN, 0}};
    int r = poll(fds, 2, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return Wake::failed;
    }
    if (r == 0 && slice) {
      // The hook runs with no lock of the port held: it may purge the port or
      // close it, which ends this transfer as aborted.
      fdl.unlock();
      hook->Run();
      fdl.lock();
      if (fd_ < 0 || Aborted(d, generation)) return Wake::aborted;
      continue;
    }
    if (fds[1].revents) {
      if (Aborted(d, generation)) return Wake::aborted;
      std::lock_guard lock(mu_);
      DrainWakeLocked(d);
    }
    if (fds[0].revents) {
      revents = fds[0].revents;
      return Wake::ready;
    }
  }
}

TransferResult Port::Read(void* buffer, DWORD count) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return {ERROR_INVALID_HANDLE};
  if (count == 0) return {};
  std::uint64_t generation = 0;
  COMMTIMEOUTS t{};
  if (!Begin(rx_, generation, t)) return {ERROR_OPERATION_ABORTED, 0, true};
  TransferResult r = ReadLoop(fdl, static_cast<char*>(buffer), count, t, generation);
  End(rx_);
  return r;
}

TransferResult Port::Write(const void* buffer, DWORD count) {
  std::shared_lock fdl(fdLock_);
  if (fd_ < 0) return {ERROR_INVALID_HANDLE};
  if (count == 0) return {};
  std::uint64_t generation = 0;
  COMMTIMEOUTS t{};
  if (!Begin(tx_, generation, t)) return {ERROR_OPERATION_ABORTED, 0, true};
  TransferResult r = WriteLoop(fdl, static_cast<const char*>(buffer), count, t, generation);
  End(tx_);
  return r;
}

TransferResult Port::ReadLoop(FdLock& fdl, char* buffer, DWORD count, const COMMTIMEOUTS& t, std::uint64_t generation) {
  const auto start = Clock::now();
  // Interval MAXDWORD with no totals: whatever has arrived, at once.
  const bool atOnce =
      t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
  // Interval and multiplier MAXDWORD, a constant between: the first byte ends the
  // read, or the constant runs out.
  const bool firstByte = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                         t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD;
  std::optional<Clock::time_point> total;
  if (firstByte)
    total = start + milliseconds(t.ReadTotalTimeoutConstant);
  else if (t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant)
    total = start + milliseconds(std::uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant);
  const bool useInterval = !atOnce && !firstByte && t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD;
  std::optional<Clock::time_point> lastByte;

  TransferResult res;
  bool hungUp = false;
  while (res.bytes < count) {
    ssize_t n = ::read(fd_, buffer + res.bytes, count - res.bytes);
    if (n > 0) {
      res.bytes += static_cast<DWORD>(n);
      lastByte = Clock::now();
      if (firstByte) break;
      continue;
    }
    if (n == 0) {  // end of file: the other side has gone
      res.error = ERROR_DEVICE_NOT_CONNECTED;
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) {
      res.error = ErrorFromErrno(errno);
      break;
    }
    if (hungUp) {  // poll reported a hang-up and still nothing can be read
      res.error = ERROR_DEVICE_NOT_CONNECTED;
      break;
    }
    if (atOnce) break;
    std::optional<Clock::time_point> deadline = total;
    if (useInterval && lastByte) {
      auto gap = *lastByte + milliseconds(t.ReadIntervalTimeout);
      deadline = deadline ? std::min(*deadline, gap) : gap;
    }
    short revents = 0;
    int err = 0;
    Wake w = WaitFor(fdl, POLLIN, rx_, generation, deadline ? &*deadline : nullptr, revents, err);
    res.waited = true;
    if (!GoesOn(w, err, res)) break;  // running out of time is a short read, not a failure
    hungUp = (revents & (POLLHUP | POLLERR)) && !(revents & POLLIN);
  }
  return res;
}

TransferResult Port::WriteLoop(FdLock& fdl, const char* buffer, DWORD count, const COMMTIMEOUTS& t, std::uint64_t generation) {
  std::optional<Clock::time_point> total;
  if (t.WriteTotalTimeoutMultiplier || t.WriteTotalTimeoutConstant)
    total = Clock::now() +
            milliseconds(std::uint64_t{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant);
  TransferResult res;
  bool hungUp = false;
  while (res.bytes < count) {
    ssize_t n = ::write(fd_, buffer + res.bytes, count - res.bytes);
    if (n > 0) {
      res.bytes += static_cast<DWORD>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      res.error = ErrorFromErrno(errno);
      break;
    }
    if (hungUp) {
      res.error = ERROR_DEVICE_NOT_CONNECTED;
      break;
    }
    short revents = 0;
    int err = 0;
    Wake w = WaitFor(fdl, POLLOUT, tx_, generation, total ? &*total : nullptr, revents, err);
    res.waited = true;
    if (!GoesOn(w, err, res)) break;  // running out of time is a short write, not a failure
    hungUp = (revents & (POLLHUP | POLLERR)) && !(revents & POLLOUT);
  }
  return res;
}

}  // namespace comm
