// Work for a thread that waits inside a transfer.
//
// A thread that moves data through a port itself, rather than handing the
// transfer to another thread, still has to keep its own duties while the line is
// silent (a user interface thread pumps its messages and looks at a cancel key).
// While a WaitHook lives on a thread, every wait of a ReadFile or WriteFile made
// on that thread is cut into slices of at most `slice`, and between two slices
// the hook's work runs. It runs with no lock of the port held, so it may purge
// the port (the transfer then ends as aborted, as a purge from another thread
// would end it) or close it. A transfer whose data is there at once never runs
// the work. Hooks nest: the innermost one of the thread is used.
#pragma once

#include <chrono>
#include <exception>
#include <functional>

#include "platform/com/types.h"

namespace comm {

class COM_API WaitHook {
 public:
  WaitHook(std::function<void()> work, std::chrono::milliseconds slice);
  ~WaitHook();
  WaitHook(const WaitHook&) = delete;
  WaitHook& operator=(const WaitHook&) = delete;

  std::chrono::milliseconds slice() const { return slice_; }

  // Runs the work once. An exception it raises is kept (see Failure) and the
  // work is not run again.
  void Run();
  // The first exception the work raised, if any.
  std::exception_ptr Failure() const { return failure_; }

 private:
  std::function<void()> work_;
  std::chrono::milliseconds slice_;
  std::exception_ptr failure_;
  WaitHook* outer_;
};

// The innermost hook of the calling thread, or nullptr.
COM_API WaitHook* CurrentWaitHook();

}  // namespace comm
