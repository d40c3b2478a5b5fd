// An open serial port: a terminal device in raw mode with the shadow DCB, the
// time-outs and the transfer machinery behind one handle.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "platform/comm/comm.h"
#include "platform/comm/lines.h"

struct serial_icounter_struct;

namespace comm {

struct TransferResult {
  DWORD error = 0;      // 0 on success, else the Windows error code
  DWORD bytes = 0;      // bytes moved, also when the transfer failed
  bool waited = false;  // the transfer had to wait for the device
};

// The Windows error code for an errno value of a device call.
DWORD ErrorFromErrno(int err);

class Port {
 public:
  // Opens the device at `path` exclusively, raw, with the default DCB applied
  // and both queues purged. 0 or the Windows error code.
  static DWORD Open(const std::string& path, std::shared_ptr<Port>& out);
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // Ends every transfer under way (ERROR_OPERATION_ABORTED), waits until they
  // have left, drops the output lines of virtual ports and releases the device.
  // Later calls fail with ERROR_INVALID_HANDLE.
  void Close();

  DWORD GetState(DCB& dcb);
  DWORD SetState(const DCB& dcb);
  DWORD GetTimeouts(COMMTIMEOUTS& t);
  DWORD SetTimeouts(const COMMTIMEOUTS& t);
  DWORD Setup(DWORD inQueue, DWORD outQueue);
  DWORD GetMask(DWORD& mask);
  DWORD SetMask(DWORD mask);
  DWORD ClearError(DWORD& errors, COMSTAT* stat);
  DWORD Purge(DWORD flags);
  DWORD Escape(DWORD function);
  DWORD ModemStatus(DWORD& status);
  DWORD Drain();

  TransferResult Read(void* buffer, DWORD count);
  TransferResult Write(const void* buffer, DWORD count);

  // The descriptor (-1 once closed) and the device key of the per-port state.
  int descriptor();
  const std::string& key() const { return key_; }
  bool virtualLines() const { return virtualLines_; }

 private:
  struct Direction {
    std::uint64_t generation = 0;  // advanced by every abort
    bool busy = false;             // a transfer is under way
    bool woken = false;            // `wake` was written and not yet drained
    std::condition_variable idle;
    int waiting = 0;  // transfers waiting on `idle`
    int wake = -1;  // eventfd that interrupts the poll of the transfer under way
  };
  using FdLock = std::shared_lock<std::shared_mutex>;
  enum class Wake { ready, timeout, aborted, failed };

  Port() = default;
  bool Begin(Direction& d, std::uint64_t& generation, COMMTIMEOUTS& timeouts);
  void End(Direction& d);
  bool Aborted(Direction& d, std::uint64_t generation);
  void Abort(Direction& d);
  // Whether a transfer loop goes on after waking: false at the deadline, and
  // with the error recorded after an abort or a failed wait.
  static bool GoesOn(Wake w, int err, TransferResult& res) {
    if (w == Wake::aborted) res.error = ERROR_OPERATION_ABORTED;
    if (w == Wake::failed) res.error = ErrorFromErrno(err);
    return w == Wake::ready;
  }
  Wake WaitFor(FdLock& fdl, short events, Direction& d, std::uint64_t generation,
               const std::chrono::steady_clock::time_point* deadline, short& revents, int& err);
  TransferResult ReadLoop(FdLock& fdl, char* buffer, DWORD count, const COMMTIMEOUTS& t, std::uint64_t generation);
  TransferResult WriteLoop(FdLock& fdl, const char* buffer, DWORD count, const COMMTIMEOUTS& t,
                           std::uint64_t generation);
  void DrainWakeLocked(Direction& d);
  DWORD SetLine(int bit, bool on);
  DWORD CountedErrors();

  // fd_ changes only under the exclusive lock; every call that uses it holds the
  // shared lock, so Close waits for calls under way.
  std::shared_mutex fdLock_;
  int fd_ = -1;
  std::string key_;
  bool virtualLines_ = false;
  std::shared_ptr<lines::State> lines_;  // this device's line state

  std::mutex mu_;  // guards what follows
  bool closing_ = false;
  bool closed_ = false;             // the close that set closing_ has finished
  std::condition_variable closeDone_;  // signalled when closed_ is set
  DCB dcb_{};
  COMMTIMEOUTS timeouts_{};
  DWORD mask_ = 0;
  DWORD inQueue_ = 0;
  DWORD outQueue_ = 0;
  std::unique_ptr<serial_icounter_struct> counters_;  // last error counts of a real port
  Direction rx_;
  Direction tx_;
};

// The port behind a handle of this layer; empty, with ERROR_INVALID_HANDLE as the
// last error, for any other handle.
std::shared_ptr<Port> FindPort(HANDLE h);

}  // namespace comm
