// One transfer request of the serial port component and the worker thread that
// carries it out.
//
// A request (TNVRCommOperation) is idle (Done) or pending. Whoever starts a
// transfer writes the request's input fields while it is idle and then resumes
// its worker; the worker alone writes the result (ErrorType, ErrorCode, the bytes
// read) and the completion routine marks the request Done as its last act. The
// caller may ask for a break at any time; the worker decides how the transfer
// ended, so a break that comes too late never spoils a completed result.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/comm/comm.h"
#include "platform/win/sync.h"

namespace zelvani {

class TNVRCommDevice;
class TNVRCommTransfer;
class TNVRCommWaitThread;
class TNVRCommDeadlineWatch;

// How the end of a transfer is delivered: on the worker thread (ctsmNone,
// ctsmThread) or on the component's own thread (ctsmVCLThread).
enum TNVRCommThreadSyncMode : BYTE { ctsmNone = 0, ctsmVCLThread = 1, ctsmThread = 2 };

// The class of a transfer's result.
enum TNVRCommErrorType : BYTE {
  cetNone = 0,       // no error
  cetUserBreak = 1,  // broken by the user (or aborted by a purge)
  cetTimeout = 2,    // time-out or short transfer
  cetSystem = 3,     // a system call failed
  cetDevice = 4,     // line error reported by the port
};

// What a request's worker does (its Kind); any other value transfers nothing.
inline constexpr BYTE kNVRKindRead = 0;          // read of ReadString
inline constexpr BYTE kNVRKindWrite = 1;         // write of WriteString
inline constexpr BYTE kNVRKindStartedRead = 2;   // read of StartRead
inline constexpr BYTE kNVRKindStartedWrite = 3;  // write of StartWrite

class TNVRCommOperation {
 public:
  // A request of `owner`; only that component may start it. It must not be
  // destroyed from one of its own completion events.
  explicit TNVRCommOperation(TNVRCommDevice* owner) : TNVRCommOperation(owner, true) {}
  // Ends the request's worker; a transfer still under way is aborted first.
  ~TNVRCommOperation();
  TNVRCommOperation(const TNVRCommOperation&) = delete;
  TNVRCommOperation& operator=(const TNVRCommOperation&) = delete;

  TNVRCommDevice* OwnerDevice() const { return owner_; }
  bool Temporary() const { return temporary_; }
  bool HasWorker() const { return worker_ != nullptr; }

  // The transfer the worker makes (kNVRKind...); a request made by the caller
  // starts with 0 and its kind is the caller's to set.
  BYTE Kind() const { return kind_; }
  void SetKind(BYTE kind) { kind_ = kind; }

  // Input of the transfer, set when it is started.
  const std::string& StatusText() const { return statusText_; }
  const std::string& WriteData() const { return writeData_; }
  int ByteCount() const { return byteCount_; }
  const std::string& Terminator() const { return terminator_; }
  TNVRCommThreadSyncMode SyncMode() const { return syncMode_; }
  int TimeLimit() const { return timeLimit_; }  // ms; -1 = none

  // Result. Read it once Done is true (or in a completion event).
  TNVRCommErrorType ErrorType() const { return errorType_.load(std::memory_order_acquire); }
  // The system error, the port's error flags (cetDevice), or -1.
  int ErrorCode() const { return errorCode_.load(std::memory_order_acquire); }
  // What a read received: all of it on success, what arrived on a short read.
  const std::string& ReadData() const { return readData_; }
  DWORD BytesTransferred() const { return transferred_; }

  bool Done() const { return done_.load(std::memory_order_acquire); }
  bool WorkerEnded() const { return workerEnded_.load(std::memory_order_acquire); }

  // Waits until the request is Done or `limit` has passed; true when Done.
  bool WaitDone(std::chrono::microseconds limit) const;

 private:
  friend class TNVRCommDevice;
  friend class TNVRCommTransfer;
  friend class TNVRCommWaitThread;

  enum class Direction : BYTE { write, read };

  // `registered`: known to the owner's list of requests (all but the owner's own).
  TNVRCommOperation(TNVRCommDevice* owner, bool registered);

  void MarkDone();
  void SetResult(TNVRCommErrorType type, int code) {
    errorCode_.store(code, std::memory_order_release);
    errorType_.store(type, std::memory_order_release);
  }

  TNVRCommDevice* owner_;
  bool registered_;
  bool temporary_ = false;
  BYTE kind_ = kNVRKindRead;
  Direction direction_ = Direction::read;  // of the Start call: picks the completion routine
  HANDLE handle_ = INVALID_HANDLE_VALUE;   // the port when the transfer was started
  std::string statusText_;
  std::string writeData_;
  int byteCount_ = 0;
  std::string terminator_;
  TNVRCommThreadSyncMode syncMode_ = ctsmNone;
  int timeLimit_ = -1;
  // The port's time-outs as the start of the transfer put them, when it did
  // (the transfer then need not ask the port again).
  COMMTIMEOUTS timeouts_{};
  bool timeoutsKnown_ = false;

  std::atomic<TNVRCommErrorType> errorType_{cetNone};
  std::atomic<int> errorCode_{0};
  std::string readData_;
  DWORD transferred_ = 0;
  std::atomic<bool> breakRequested_{false};

  mutable std::mutex doneMutex_;
  mutable std::condition_variable doneChanged_;
  mutable std::atomic<int> doneWaiters_{0};  // threads in WaitDone
  std::atomic<bool> done_{true};
  std::atomic<bool> workerEnded_{false};

  // Last member: destroyed (and so joined) while everything it uses still lives.
  std::unique_ptr<TNVRCommWaitThread> worker_;
};

// Carries out the transfers of one request on the thread that calls Run: the
// request's worker for started transfers, the caller's own thread for the
// synchronous ones. The port calls of a transfer and the classification of how
// it ended are the same on either thread.
class TNVRCommTransfer {
 public:
  TNVRCommTransfer(TNVRCommDevice& owner, TNVRCommOperation& operation);
  ~TNVRCommTransfer();
  TNVRCommTransfer(const TNVRCommTransfer&) = delete;
  TNVRCommTransfer& operator=(const TNVRCommTransfer&) = delete;

  // One transfer as the request's input fields say; the result goes into the
  // request. True when a call of it had to wait for the line.
  bool Run();
  // Ends a pending transfer that has not begun as aborted.
  void Abandon();

 private:
  // One ReadFile/WriteFile with its classification; true on success.
  bool OneCall(bool write, void* buffer, DWORD count, DWORD& transferred);
  void Fail(TNVRCommErrorType type, int code) { operation_.SetResult(type, code); }

  TNVRCommDevice& owner_;
  TNVRCommOperation& operation_;
  HANDLE event_ = nullptr;  // manual reset, the overlapped record's event

  // Per transfer, copied from the request.
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD waitLimit_ = INFINITE;
  bool watched_ = false;  // the deadline watch must end the calls of this transfer
  bool waited_ = false;   // a call had to wait for the line
  OVERLAPPED overlapped_{};
};

// The worker of one request: made suspended, resumed by each start, suspended
// between transfers. A counting gate (platform/win's ResumeThread/SuspendThread)
// keeps a resume that comes before the worker suspends: a transfer started at any
// moment is picked up.
class TNVRCommWaitThread {
 public:
  TNVRCommWaitThread(TNVRCommDevice& owner, TNVRCommOperation& operation, int priority);
  // Asks the thread to end, wakes it and joins it. A transfer under way must have
  // been aborted by then (the owner does this).
  ~TNVRCommWaitThread();
  TNVRCommWaitThread(const TNVRCommWaitThread&) = delete;
  TNVRCommWaitThread& operator=(const TNVRCommWaitThread&) = delete;

  void Resume();
  // Sets the termination flag and opens the gate; a pending transfer that has
  // not begun is then ended as aborted.
  void Terminate();
  // True once the thread's loop has been left (waits up to `ms`).
  bool WaitEnded(DWORD ms);
  bool InTransfer() const { return inTransfer_.load(std::memory_order_acquire); }
  bool IsCurrentThread() const;

 private:
  static DWORD Main(LPVOID self);
  void Execute();

  TNVRCommDevice& owner_;
  TNVRCommOperation& operation_;
  TNVRCommTransfer transfer_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  std::atomic<bool> inTransfer_{false};
};

}  // namespace zelvani

namespace zelvani {

// Ends a transfer whose wait limit has run out while the port's own time-outs
// would let the call wait longer (the port's time-outs are all zero, or set for
// another transfer): the direction is purged, and again every 20 ms until the
// transfer has left its call.
class TNVRCommDeadlineWatch {
 public:
  struct Entry;
  TNVRCommDeadlineWatch() = default;
  ~TNVRCommDeadlineWatch();
  TNVRCommDeadlineWatch(const TNVRCommDeadlineWatch&) = delete;
  TNVRCommDeadlineWatch& operator=(const TNVRCommDeadlineWatch&) = delete;

  std::shared_ptr<Entry> Arm(HANDLE port, DWORD purgeFlags, DWORD milliseconds);
  // Removes the entry; true when it fired.
  bool Disarm(const std::shared_ptr<Entry>& entry);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::shared_ptr<Entry>> entries_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace zelvani
