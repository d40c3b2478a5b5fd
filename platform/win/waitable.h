// Inside the layer: the objects that waits can wait on (events and threads).
//
// All their state is guarded by one process-wide mutex, so a wait on several
// objects checks and acquires them atomically. Each waiting call registers its
// own condition variable with the objects it waits on; a state change wakes
// exactly those waiters.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/handles.h"

namespace win::detail {

std::mutex& SyncMutex();

class Waitable {
 public:
  virtual ~Waitable() = default;
  // Both run with SyncMutex held.
  virtual bool Signalled() const = 0;
  virtual void Acquire() {}  // a wait was satisfied by this object

  // With SyncMutex held: wakes every wait registered on this object.
  void WakeWaiters() {
    for (auto* cv : waiters) cv->notify_one();
  }

  std::vector<std::condition_variable*> waiters;
};

extern const HandleKind kEventKind;
extern const HandleKind kThreadKind;

// Waitables are entered in the handle table as shared_ptr<Waitable> (converted to
// shared_ptr<void>), so the stored pointer is always the Waitable subobject.
inline Waitable* AsWaitable(void* object) { return static_cast<Waitable*>(object); }

}  // namespace win::detail
