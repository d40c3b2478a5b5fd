// The calling thread's wait hook.
#include "platform/comm/waithook.h"

#include <utility>

namespace comm {

namespace {
thread_local WaitHook* t_hook = nullptr;
}  // namespace

WaitHook::WaitHook(std::function<void()> work, std::chrono::milliseconds slice)
    : work_(std::move(work)), slice_(slice < std::chrono::milliseconds(1) ? std::chrono::milliseconds(1) : slice),
      outer_(t_hook) {
  t_hook = this;
}

WaitHook::~WaitHook() { t_hook = outer_; }

void WaitHook::Run() {
  if (failure_ || !work_) return;
  try {
    work_();
  } catch (...) {
    failure_ = std::current_exception();
  }
}

WaitHook* CurrentWaitHook() { return t_hook; }

}  // namespace comm
