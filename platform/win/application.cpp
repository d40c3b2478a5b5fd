// The application object.
#include "platform/win/application.h"

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

Application& App() {
  static auto* app = new Application;  // never destroyed: read by threads at exit
  return *app;
}

namespace {
// Made while the layer loads, so the main thread is the loading thread.
[[maybe_unused]] const bool g_madeAtLoad = (App(), true);
}  // namespace

}  // namespace win
