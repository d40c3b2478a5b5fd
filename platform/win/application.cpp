// The application object.
#include "platform/win/application.h"

#include <new>

#include "platform/win/threads.h"

namespace win {

Application::Application() : mainThreadId_(GetCurrentThreadId()) {}

std::string Application::Title() const {
  std::lock_guard lock(titleMutex_);
  return title_;
}

void Application::SetTitle(std::string_view title) {
  std::lock_guard lock(titleMutex_);
  title_ = title;
}

void Application::ProcessMessages(const MessageHook& hook) {
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_.store(true);
      return;
    }
    if (hook && hook(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Application::ReleaseHeldMemory() {
  std::lock_guard lock(titleMutex_);
  std::string().swap(title_);
}

namespace {

// The application object lives in the layer's own static storage, not on the
// heap: nothing of it is left for a host to find when the layer unloads. It is
// never destroyed, since threads may still ask for it while the process exits;
// what it holds on the heap (a long title) is given back at unload instead, and
// the object stays usable after that.
alignas(Application) unsigned char g_storage[sizeof(Application)];

struct ReleaseAtUnload {
  ~ReleaseAtUnload() { App().ReleaseHeldMemory(); }
};

}  // namespace

Application& App() {
  static Application* const app = new (g_storage) Application;
  return *app;
}

namespace {
// Made while the layer loads, so the main thread is the loading thread; the
// releaser is made after it and so runs before the layer's other statics go.
[[maybe_unused]] const bool g_madeAtLoad = (App(), true);
[[maybe_unused]] const ReleaseAtUnload g_releaseAtUnload;
}  // namespace

}  // namespace win
