// Events and the waits on events and threads.
#include "platform/win/sync.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/win/waitable.h"

namespace win::detail {

namespace {

class Event final : public Waitable {
 public:
  Event(bool manual, bool signalled) : manual_(manual), signalled_(signalled) {}
  bool Signalled() const override { return signalled_; }
  void Acquire() override {
    if (!manual_) signalled_ = false;
  }
  void Set(bool on) {
    std::lock_guard lock(mutex);
    signalled_ = on;
    if (on) WakeWaiters();
  }

 private:
  const bool manual_;
  bool signalled_;  // guarded by `mutex`
};

std::shared_ptr<Event> FindEvent(HANDLE h) {
  auto object = FindHandle(h, kEventKind);
  if (!object) return {};
  return std::shared_ptr<Event>(object, static_cast<Event*>(AsWaitable(object.get())));
}

std::shared_ptr<Waitable> FindWaitable(HANDLE h) {
  const HandleKind* kind = nullptr;
  auto object = FindAnyHandle(h, kind);
  if (!object) return {};
  if (kind != &kEventKind && kind != &kThreadKind) {
    SetLastError(ERROR_INVALID_HANDLE);
    return {};
  }
  Waitable* waitable = AsWaitable(object.get());
  return std::shared_ptr<Waitable>(std::move(object), waitable);
}

// The index of the object that satisfies the wait, acquiring it (or all of them
// for waitAll); nullopt when the wait is not satisfied yet. Every object's mutex
// is held.
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

// Locks the mutexes of a set of objects, each once and always in address order,
// so two waits on overlapping sets never hold each other up for good.
class LockedSet {
 public:
  explicit LockedSet(const std::vector<std::shared_ptr<Waitable>>& objects) {
    order_.reserve(objects.size());
    for (const auto& o : objects) order_.push_back(o.get());
    std::sort(order_.begin(), order_.end());
    order_.erase(std::unique(order_.begin(), order_.end()), order_.end());
  }
  void Lock() {
    for (Waitable* o : order_) o->mutex.lock();
  }
  void Unlock() {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) (*it)->mutex.unlock();
  }
  // With the set locked.
  void Register(WaitBlock* block) {
    for (Waitable* o : order_) o->waiters.push_back(block);
  }
  void Unregister(WaitBlock* block) {
    for (Waitable* o : order_) std::erase(o->waiters, block);
  }

 private:
  std::vector<Waitable*> order_;
};

DWORD Wait(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll, DWORD milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  LockedSet set(objects);
  set.Lock();
  std::optional<DWORD> index = TryAcquire(objects, waitAll);
  if (index || milliseconds == 0) {
    set.Unlock();
    return index ? WAIT_OBJECT_0 + *index : WAIT_TIMEOUT;
  }
  // Registered before the objects are let go: a change after the check above
  // pokes the block, so no wake-up is lost between the check and the sleep.
  WaitBlock block;
  set.Register(&block);
  set.Unlock();
  for (;;) {
    bool timedOut = false;
    {
      std::unique_lock lock(block.mutex);
      if (milliseconds == INFINITE)
        block.cv.wait(lock, [&] { return block.poked; });
      else
        timedOut = !block.cv.wait_until(lock, deadline, [&] { return block.poked; });
      block.poked = false;
    }
    set.Lock();
    index = TryAcquire(objects, waitAll);
    if (index || timedOut) {
      set.Unregister(&block);
      set.Unlock();
      break;
    }
    set.Unlock();
  }
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
  e->Set(true);
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto e = FindEvent(event);
  if (!e) return FALSE;
  e->Set(false);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto object = FindWaitable(handle);
  if (!object) return WAIT_FAILED;
  {
    // Most waits find the object signalled already: one lock, no wait block.
    std::lock_guard lock(object->mutex);
    if (object->Signalled()) {
      object->Acquire();
      return WAIT_OBJECT_0;
    }
    if (milliseconds == 0) return WAIT_TIMEOUT;
  }
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
