// Inside the layer: the objects that waits can wait on (events and threads).
//
// Each object keeps its state under a mutex of its own, so work on one object
// never waits for another. A waiting call registers a wait block with every
// object it waits on; a state change of an object pokes the blocks registered
// with it. A wait on several objects locks them all (in address order) to check
// and acquire them together, so a wait for all of them takes none of them until
// it can take every one.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/handles.h"

namespace win::detail {

// The waker of one waiting call.
struct WaitBlock {
  std::mutex mutex;
  std::condition_variable cv;
  bool poked = false;

  void Poke() {
    {
      std::lock_guard lock(mutex);
      poked = true;
    }
    cv.notify_one();
  }
};

class Waitable {
 public:
  virtual ~Waitable() = default;
  // Both run with `mutex` held.
  virtual bool Signalled() const = 0;
  virtual void Acquire() {}  // a wait was satisfied by this object

  // With `mutex` held: wakes every wait registered on this object.
  void WakeWaiters() {
    for (auto* block : waiters) block->Poke();
  }

  std::mutex mutex;
  std::vector<WaitBlock*> waiters;  // guarded by `mutex`
};

extern const HandleKind kEventKind;
extern const HandleKind kThreadKind;

// Waitables are entered in the handle table as shared_ptr<Waitable> (converted to
// shared_ptr<void>), so the stored pointer is always the Waitable subobject.
inline Waitable* AsWaitable(void* object) { return static_cast<Waitable*>(object); }

}  // namespace win::detail
