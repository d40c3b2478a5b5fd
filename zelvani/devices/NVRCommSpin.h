// A short busy wait for something another thread is about to do, used where
// a thread hand-over would cost more than the wait.
#pragma once

#include <chrono>

namespace zelvani {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// Looks at `ready` for up to `limit`; true when it became true.
template <class Ready>
bool SpinBriefly(Ready ready, std::chrono::microseconds limit = std::chrono::microseconds(50)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    for (int i = 0; i < 64; ++i) {
      if (ready()) return true;
      CpuRelax();
    }
  } while (std::chrono::steady_clock::now() < end);
  return ready();
}

}  // namespace zelvani
