// Events and the waits on events and threads.
#include "platform/win/sync.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/win/waitable.h"

namespace win::detail {

std::mutex& SyncMutex() {
  static auto* mutex = new std::mutex;  // never destroyed: used by threads at exit
  return *mutex;
}

namespace {

class Event final : public Waitable {
 public:
  Event(bool manual, bool signalled) : manual_(manual), signalled_(signalled) {}
  bool Signalled() const override { return signalled_; }
  void Acquire() override {
    if (!manual_) signalled_ = false;
  }
  void Set(bool on) {
    signalled_ = on;
    if (on) WakeWaiters();
  }

 private:
  const bool manual_;
  bool signalled_;
};

std::shared_ptr<Event> FindEvent(HANDLE h) {
  auto object = FindHandle(h, kEventKind);
  if (!object) return {};
  return std::shared_ptr<Event>(object, static_cast<Event*>(AsWaitable(object.get())));
}

std::shared_ptr<Waitable> FindWaitable(HANDLE h) {
  const HandleKind* kind = KindOfHandle(h);
  if (kind != &kEventKind && kind != &kThreadKind) {
    SetLastError(ERROR_INVALID_HANDLE);
    return {};
  }
  auto object = FindHandle(h, *kind);
  if (!object) return {};
  return std::shared_ptr<Waitable>(object, AsWaitable(object.get()));
}

// The index of the object that satisfies the wait, acquiring it (or all of them
// for waitAll); nullopt when the wait is not satisfied yet. SyncMutex held.
std::optional<DWORD> TryAcquire(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll) {
  if (waitAll) {
    for (const auto& o : objects)
      if (!o->Signalled()) return std::nullopt;
    for (const auto& o : objects) o->Acquire();
    return 0;
  }
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i]->Signalled()) {
      objects[i]->Acquire();
      return static_cast<DWORD>(i);
    }
  }
  return std::nullopt;
}

DWORD Wait(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll, DWORD milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock lock(SyncMutex());
  if (auto index = TryAcquire(objects, waitAll)) return WAIT_OBJECT_0 + *index;
  if (milliseconds == 0) return WAIT_TIMEOUT;

  std::condition_variable cv;
  for (const auto& o : objects) o->waiters.push_back(&cv);
  std::optional<DWORD> index;
  for (;;) {
    if (milliseconds == INFINITE) {
      cv.wait(lock);
    } else if (cv.wait_until(lock, deadline) == std::cv_status::timeout) {
      index = TryAcquire(objects, waitAll);
      break;
    }
    if ((index = TryAcquire(objects, waitAll))) break;
  }
  for (const auto& o : objects) std::erase(o->waiters, &cv);
  return index ? WAIT_OBJECT_0 + *index : WAIT_TIMEOUT;
}

}  // namespace

const HandleKind kEventKind{"event", nullptr};

}  // namespace win::detail

using namespace win::detail;

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  if (name) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  std::shared_ptr<Waitable> event = std::make_shared<Event>(manualReset != FALSE, initialState != FALSE);
  return win::NewHandle(kEventKind, std::move(event));
}

BOOL SetEvent(HANDLE event) {
  auto e = FindEvent(event);
  if (!e) return FALSE;
  std::lock_guard lock(SyncMutex());
  e->Set(true);
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto e = FindEvent(event);
  if (!e) return FALSE;
  std::lock_guard lock(SyncMutex());
  e->Set(false);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto object = FindWaitable(handle);
  if (!object) return WAIT_FAILED;
  return Wait({std::move(object)}, false, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<Waitable>> objects;
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto object = FindWaitable(handles[i]);
    if (!object) return WAIT_FAILED;
    if (waitAll && std::find(objects.begin(), objects.end(), object) != objects.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  return Wait(objects, waitAll != FALSE, milliseconds);
}
