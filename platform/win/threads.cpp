// Threads on std::thread with a gate for the cooperative suspend/resume.
#include "platform/win/threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "platform/win/waitable.h"

namespace win::detail {

namespace {

// All fields but the constants and `thread` are guarded by the object's own
// mutex.
class ThreadObject final : public Waitable {
 public:
  ThreadObject(LPTHREAD_START_ROUTINE s, LPVOID p) : start(s), parameter(p) {}

  bool Signalled() const override { return ended; }

  // With `mutex` held by `lock`: waits for a permit or termination.
  void WaitAtGate(std::unique_lock<std::mutex>& lock) {
    atGate = true;
    gate.wait(lock, [&] { return permits > 0 || terminate; });
    if (permits > 0) --permits;
    atGate = false;
  }

  const LPTHREAD_START_ROUTINE start;
  const LPVOID parameter;
  std::thread thread;  // written before the handle is returned, read when closing
  std::condition_variable gate;
  std::condition_variable started;
  DWORD tid = 0;
  int priority = THREAD_PRIORITY_NORMAL;
  unsigned permits = 0;
  bool atGate = false;
  bool terminate = false;
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
};

HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

thread_local ThreadObject* t_self = nullptr;                // set on threads made here
thread_local int t_otherPriority = THREAD_PRIORITY_NORMAL;  // other threads' own setting

ThreadObject* AsThread(void* object) { return static_cast<ThreadObject*>(AsWaitable(object)); }

std::shared_ptr<ThreadObject> FindThread(HANDLE h) {
  auto object = FindHandle(h, kThreadKind);
  if (!object) return {};
  return std::shared_ptr<ThreadObject>(object, AsThread(object.get()));
}

bool ValidPriority(int p) {
  switch (p) {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL:
      return true;
    default:
      return false;
  }
}

int NiceOf(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE:
      return 19;
    case THREAD_PRIORITY_LOWEST:
      return 10;
    case THREAD_PRIORITY_BELOW_NORMAL:
      return 5;
    case THREAD_PRIORITY_ABOVE_NORMAL:
      return -5;
    case THREAD_PRIORITY_HIGHEST:
      return -10;
    case THREAD_PRIORITY_TIME_CRITICAL:
      return -20;
    default:
      return 0;
  }
}

// Best effort: refused without the privilege to raise priority, and then ignored.
void ApplyNice(DWORD tid, int priority) { (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOf(priority)); }

void Run(std::shared_ptr<ThreadObject> self, bool suspended) {
  // A Linux thread inherits its creator's nice value; a new thread starts at
  // normal priority (before CreateThread returns, so nobody has changed it yet).
  const DWORD tid = GetCurrentThreadId();
  if (getpriority(PRIO_PROCESS, static_cast<id_t>(tid)) != 0) ApplyNice(tid, THREAD_PRIORITY_NORMAL);
  t_self = self.get();
  {
    std::unique_lock lock(self->mutex);
    self->tid = tid;
    self->started.notify_one();
    if (suspended) self->WaitAtGate(lock);
  }

  DWORD code = self->start(self->parameter);
  t_self = nullptr;

  std::lock_guard lock(self->mutex);
  self->exitCode = code;
  self->ended = true;
  self->WakeWaiters();
}

BOOL CloseThread(void* object) {
  ThreadObject* t = AsThread(object);
  {
    std::lock_guard lock(t->mutex);
    t->terminate = true;
    t->gate.notify_one();
  }
  if (t->thread.joinable()) {
    if (t->thread.get_id() == std::this_thread::get_id())
      t->thread.detach();
    else
      t->thread.join();
  }
  return TRUE;
}

// A thread named by a handle or by the pseudo-handle. For the pseudo-handle the
// object is the caller's own, alive while it runs, and `owner` stays empty.
struct Target {
  std::shared_ptr<ThreadObject> owner;
  ThreadObject* thread = nullptr;
};

// nullptr thread (last error set) for a bad handle, and also for the
// pseudo-handle on a thread not made here (with `errorForOtherThreads`).
Target Resolve(HANDLE h, DWORD errorForOtherThreads) {
  if (h == kCurrentThread) {
    if (!t_self) SetLastError(errorForOtherThreads);
    return {nullptr, t_self};
  }
  auto owner = FindThread(h);
  ThreadObject* t = owner.get();
  return {std::move(owner), t};
}

}  // namespace

const HandleKind kThreadKind{"thread", &CloseThread};

}  // namespace win::detail

using namespace win::detail;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto t = std::make_shared<ThreadObject>(start, parameter);
  HANDLE h = win::NewHandle(kThreadKind, std::shared_ptr<Waitable>(t));
  if (!h) return nullptr;
  try {
    t->thread = std::thread(Run, t, (creationFlags & CREATE_SUSPENDED) != 0);
  } catch (const std::system_error&) {
    CloseHandle(h);  // nothing to join
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::unique_lock lock(t->mutex);
  t->started.wait(lock, [&] { return t->tid != 0; });
  if (threadId) *threadId = t->tid;
  return h;
}

DWORD ResumeThread(HANDLE thread) {
  Target target = Resolve(thread, ERROR_NOT_SUPPORTED);
  if (!target.thread) return static_cast<DWORD>(-1);
  ThreadObject& t = *target.thread;
  std::lock_guard lock(t.mutex);
  if (t.ended) return 0;
  DWORD wasWaiting = t.atGate ? 1 : 0;
  ++t.permits;
  t.gate.notify_one();
  return wasWaiting;
}

DWORD SuspendThread(HANDLE thread) {
  Target target = Resolve(thread, ERROR_NOT_SUPPORTED);
  if (!target.thread) return static_cast<DWORD>(-1);
  if (target.thread != t_self) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return static_cast<DWORD>(-1);
  }
  std::unique_lock lock(target.thread->mutex);
  target.thread->WaitAtGate(lock);
  return 0;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (!ValidPriority(priority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (thread == kCurrentThread && !t_self) {
    t_otherPriority = priority;
    ApplyNice(GetCurrentThreadId(), priority);
    return TRUE;
  }
  Target target = Resolve(thread, ERROR_INVALID_HANDLE);
  if (!target.thread) return FALSE;
  DWORD tid;
  bool ended;
  {
    std::lock_guard lock(target.thread->mutex);
    target.thread->priority = priority;
    tid = target.thread->tid;
    ended = target.thread->ended;
  }
  if (!ended) ApplyNice(tid, priority);  // an ended thread's id may belong to another by now
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  if (thread == kCurrentThread && !t_self) return t_otherPriority;
  Target target = Resolve(thread, ERROR_INVALID_HANDLE);
  if (!target.thread) return THREAD_PRIORITY_ERROR_RETURN;
  std::lock_guard lock(target.thread->mutex);
  return target.thread->priority;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  if (!exitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (thread == kCurrentThread) {
    *exitCode = STILL_ACTIVE;
    return TRUE;
  }
  Target target = Resolve(thread, ERROR_INVALID_HANDLE);
  if (!target.thread) return FALSE;
  std::lock_guard lock(target.thread->mutex);
  *exitCode = target.thread->exitCode;
  return TRUE;
}

HANDLE GetCurrentThread() { return kCurrentThread; }

DWORD GetCurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
  return id;
}

namespace win {

BOOL RequestThreadTermination(HANDLE thread) {
  Target target = Resolve(thread, ERROR_NOT_SUPPORTED);
  if (!target.thread) return FALSE;
  std::lock_guard lock(target.thread->mutex);
  target.thread->terminate = true;
  target.thread->gate.notify_one();
  return TRUE;
}

bool ThreadTerminationRequested(HANDLE thread) {
  Target target = Resolve(thread, ERROR_NOT_SUPPORTED);
  if (!target.thread) return false;
  std::lock_guard lock(target.thread->mutex);
  return target.thread->terminate;
}

}  // namespace win
