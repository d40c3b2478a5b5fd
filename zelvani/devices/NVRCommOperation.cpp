// Requests, their worker threads and the deadline watch of the serial port
// component.
#include "zelvani/devices/NVRCommOperation.h"

#include <algorithm>

#include "platform/win/win.h"
#include "zelvani/devices/NVRCommDevice.h"

namespace zelvani {

// ---------------------------------------------------------------------------
// TNVRCommOperation

TNVRCommOperation::TNVRCommOperation(TNVRCommDevice* owner, bool registered)
    : owner_(owner), registered_(registered && owner) {
  if (registered_) owner_->RegisterOperation(*this);
}

TNVRCommOperation::~TNVRCommOperation() {
  if (registered_ && owner_) owner_->ForgetOperation(*this);
  worker_.reset();
}

bool TNVRCommOperation::WaitDone(std::chrono::microseconds limit) const {
  if (Done()) return true;
  std::unique_lock lock(doneMutex_);
  doneWaiters_.fetch_add(1);
  const bool done = doneChanged_.wait_for(lock, limit, [this] { return done_.load(); });
  doneWaiters_.fetch_sub(1);
  return done;
}

void TNVRCommOperation::MarkDone() {
  // A waiter counts itself before it looks at Done, and Done is set before the
  // count is read: either the waiter sees Done or it is counted and woken. A
  // request nobody waits for (the synchronous transfers) costs no wake-up.
  done_.store(true);
  if (doneWaiters_.load() == 0) return;
  std::lock_guard lock(doneMutex_);
  doneChanged_.notify_all();
}

// ---------------------------------------------------------------------------
// TNVRCommWaitThread

TNVRCommWaitThread::TNVRCommWaitThread(TNVRCommDevice& owner, TNVRCommOperation& operation, int priority)
    : owner_(owner), operation_(operation), transfer_(owner, operation) {
  thread_ = CreateThread(nullptr, 0, &TNVRCommWaitThread::Main, this, CREATE_SUSPENDED, &threadId_);
  if (!thread_) throw ENVRCommError("Can't create the transfer thread");
  SetThreadPriority(thread_, priority);  // best effort
}

TNVRCommWaitThread::~TNVRCommWaitThread() {
  Terminate();
  CloseHandle(thread_);  // joins (detaches when called on the thread itself)
}

void TNVRCommWaitThread::Resume() { ResumeThread(thread_); }

void TNVRCommWaitThread::Terminate() { win::RequestThreadTermination(thread_); }

bool TNVRCommWaitThread::WaitEnded(DWORD ms) { return WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0; }

bool TNVRCommWaitThread::IsCurrentThread() const { return GetCurrentThreadId() == threadId_; }

DWORD TNVRCommWaitThread::Main(LPVOID self) {
  static_cast<TNVRCommWaitThread*>(self)->Execute();
  return 0;
}

void TNVRCommWaitThread::Execute() {
  // Each start adds one permit to the gate, so a start that comes between the
  // end of a transfer and the suspend below is found at the next pass.
  for (;;) {
    if (!operation_.Done()) {
      inTransfer_.store(true, std::memory_order_release);
      if (win::ThreadTerminationRequested())
        transfer_.Abandon();
      else
        transfer_.Run();
      inTransfer_.store(false, std::memory_order_release);
      const bool temporary = operation_.temporary_;
      // A temporary request's completion runs on the component's own thread,
      // which frees the request and joins this thread: the loop ends here.
      owner_.TransferEnded(operation_);
      if (temporary) break;
    }
    if (win::ThreadTerminationRequested()) break;
    SuspendThread(GetCurrentThread());
  }
  operation_.workerEnded_.store(true, std::memory_order_release);
}

// ---------------------------------------------------------------------------
// TNVRCommTransfer

TNVRCommTransfer::TNVRCommTransfer(TNVRCommDevice& owner, TNVRCommOperation& operation)
    : owner_(owner), operation_(operation) {
  event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!event_) throw ENVRCommError("Can't create the transfer event");
}

TNVRCommTransfer::~TNVRCommTransfer() { CloseHandle(event_); }

void TNVRCommTransfer::Abandon() {
  operation_.readData_.clear();
  operation_.transferred_ = 0;
  Fail(cetUserBreak, static_cast<int>(ERROR_OPERATION_ABORTED));
}

namespace {

// Whether the port's time-outs end a call of `count` bytes within `limit` ms;
// `known` holds them when the start of the transfer has just put them.
bool PortEndsCallWithin(HANDLE port, const COMMTIMEOUTS* known, bool write, DWORD count, DWORD limit) {
  COMMTIMEOUTS t{};
  if (known)
    t = *known;
  else if (!GetCommTimeouts(port, &t))
    return true;  // the call itself will fail
  std::uint64_t bound = 0;
  if (write) {
    if (!t.WriteTotalTimeoutMultiplier && !t.WriteTotalTimeoutConstant) return false;
    bound = std::uint64_t{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant;
  } else if (t.ReadIntervalTimeout == MAXDWORD && !t.ReadTotalTimeoutMultiplier && !t.ReadTotalTimeoutConstant) {
    return true;  // returns at once
  } else if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
             t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD) {
    bound = t.ReadTotalTimeoutConstant;
  } else if (!t.ReadTotalTimeoutMultiplier && !t.ReadTotalTimeoutConstant) {
    return false;
  } else {
    bound = std::uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant;
  }
  return bound <= limit;
}

}  // namespace

bool TNVRCommTransfer::Run() {
  TNVRCommOperation& op = operation_;
  waited_ = false;
  handle_ = op.handle_;
  waitLimit_ = op.timeLimit_ < 0 ? INFINITE : static_cast<DWORD>(op.timeLimit_) + 20;
  const BYTE kind = op.kind_;
  const COMMTIMEOUTS* known = op.timeoutsKnown_ ? &op.timeouts_ : nullptr;
  DWORD transferred = 0;

  if (kind == kNVRKindWrite || kind == kNVRKindStartedWrite) {
    watched_ = waitLimit_ != INFINITE &&
               !PortEndsCallWithin(handle_, known, true, static_cast<DWORD>(op.writeData_.size()), waitLimit_);
    OneCall(true, op.writeData_.data(), static_cast<DWORD>(op.writeData_.size()), transferred);
    op.transferred_ = transferred;
    return waited_;
  }
  if (kind != kNVRKindRead && kind != kNVRKindStartedRead) return false;  // nothing to transfer

  const DWORD count = static_cast<DWORD>(std::max(op.byteCount_, 0));
  const std::string& terminator = op.terminator_;
  std::string collected;
  // The port's time-outs stay as they are while the transfer is pending.
  watched_ = waitLimit_ != INFINITE &&
             !PortEndsCallWithin(handle_, known, false, terminator.empty() ? count : 1, waitLimit_);
  if (terminator.empty()) {
    // The whole count in one call.
    collected.resize(count);
    OneCall(false, collected.data(), count, transferred);
    collected.resize(std::min<DWORD>(transferred, count));
  } else {
    // One byte per call until the terminator has arrived or the count is
    // reached; every byte gets the full wait limit.
    for (;;) {
      char c = 0;
      DWORD got = 0;
      if (!OneCall(false, &c, 1, got)) break;
      if (got == 0) {  // the port returned at once with nothing
        Fail(cetTimeout, -1);
        break;
      }
      collected.push_back(c);
      if (collected.size() >= terminator.size() &&
          collected.compare(collected.size() - terminator.size(), terminator.size(), terminator) == 0)
        break;
      if (collected.size() >= count) break;
    }
  }
  op.transferred_ = static_cast<DWORD>(collected.size());
  op.readData_ = std::move(collected);
  return waited_;
}

bool TNVRCommTransfer::OneCall(bool write, void* buffer, DWORD count, DWORD& transferred) {
  TNVRCommOperation& op = operation_;
  const DWORD purge = write ? PURGE_TXABORT : PURGE_RXABORT;
  // A break asked for by the caller: a read reports -1, a write the abort code,
  // as a purge during the call would.
  const int breakCode = write ? static_cast<int>(ERROR_OPERATION_ABORTED) : -1;
  transferred = 0;
  if (op.breakRequested_.load(std::memory_order_acquire)) {
    Fail(cetUserBreak, breakCode);
    return false;
  }

  // The event is reset by ReadFile/WriteFile as the call begins.
  DWORD flags = 0;
  ClearCommError(handle_, &flags, nullptr);  // what earlier transfers left is not ours
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_;

  std::shared_ptr<TNVRCommDeadlineWatch::Entry> watch;
  if (watched_) watch = owner_.Watch().Arm(handle_, purge, waitLimit_);
  DWORD got = 0;
  const BOOL ok = write ? WriteFile(handle_, buffer, count, &got, &overlapped_)
                        : ReadFile(handle_, buffer, count, &got, &overlapped_);
  const DWORD error = ok ? 0 : GetLastError();
  const bool expired = watch && owner_.Watch().Disarm(watch);

  if (ok) {  // completed at once
    transferred = got;
    return true;
  }
  if (error != ERROR_IO_PENDING) {
    Fail(cetSystem, static_cast<int>(error));
    return false;
  }
  waited_ = true;

  const DWORD wait = WaitForSingleObject(event_, waitLimit_);
  if (wait == WAIT_OBJECT_0) {
    if (GetOverlappedResult(handle_, &overlapped_, &got, FALSE)) {
      transferred = got;
      if (got == count) return true;
      // Short: a line error if the port reports one, else the time ran out.
      DWORD lineErrors = 0;
      ClearCommError(handle_, &lineErrors, nullptr);
      if (lineErrors)
        Fail(cetDevice, static_cast<int>(lineErrors));
      else
        Fail(cetTimeout, -1);
      return false;
    }
    const DWORD fetchError = GetLastError();
    transferred = got;
    if (fetchError == ERROR_OPERATION_ABORTED) {
      if (expired) {  // the watch purged it: the wait limit ran out
        transferred = 0;
        Fail(cetTimeout, -1);
      } else if (op.breakRequested_.load(std::memory_order_acquire)) {
        Fail(cetUserBreak, breakCode);
      } else {
        Fail(cetUserBreak, static_cast<int>(fetchError));
      }
    } else {
      Fail(cetSystem, static_cast<int>(fetchError));
      PurgeComm(handle_, purge);
    }
    return false;
  }
  if (wait == WAIT_TIMEOUT) {
    PurgeComm(handle_, purge);
    Fail(cetTimeout, -1);
    transferred = 0;
    return false;
  }
  Fail(cetSystem, static_cast<int>(GetLastError()));
  return false;
}

// ---------------------------------------------------------------------------
// TNVRCommDeadlineWatch

struct TNVRCommDeadlineWatch::Entry {
  HANDLE port;
  DWORD purge;
  std::chrono::steady_clock::time_point deadline;
  bool fired = false;
};

TNVRCommDeadlineWatch::~TNVRCommDeadlineWatch() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::shared_ptr<TNVRCommDeadlineWatch::Entry> TNVRCommDeadlineWatch::Arm(HANDLE port, DWORD purgeFlags,
                                                                         DWORD milliseconds) {
  auto entry = std::make_shared<Entry>(
      Entry{port, purgeFlags, std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)});
  {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    if (!thread_.joinable()) thread_ = std::thread(&TNVRCommDeadlineWatch::Run, this);
  }
  changed_.notify_all();
  return entry;
}

bool TNVRCommDeadlineWatch::Disarm(const std::shared_ptr<Entry>& entry) {
  std::lock_guard lock(mutex_);
  std::erase(entries_, entry);
  return entry->fired;
}

void TNVRCommDeadlineWatch::Run() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (entries_.empty()) {
      changed_.wait(lock);
      continue;
    }
    const auto now = Clock::now();
    auto next = Clock::time_point::max();
    std::vector<std::pair<HANDLE, DWORD>> due;
    for (auto& e : entries_) {
      if (e->deadline <= now) {
        e->fired = true;
        e->deadline = now + std::chrono::milliseconds(20);  // again, should the call not have begun yet
        due.emplace_back(e->port, e->purge);
      }
      next = std::min(next, e->deadline);
    }
    if (!due.empty()) {
      lock.unlock();
      for (auto& [port, flags] : due) PurgeComm(port, flags);
      lock.lock();
      continue;
    }
    changed_.wait_until(lock, next);
  }
}

}  // namespace zelvani
