// The application object of the class library: which thread is the main one,
// whether the application is active, its title and main window, and one pass of
// message processing.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/win/messages.h"

namespace win {

// Sees each message of a ProcessMessages pass before it is dispatched; returns
// true when it handled the message, which is then neither translated nor
// dispatched.
using MessageHook = std::function<bool(MSG&)>;

class COM_API Application {
 public:
  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The thread that loaded the layer, unless a host says otherwise.
  DWORD MainThreadId() const { return mainThreadId_.load(); }
  void SetMainThreadId(DWORD id) { mainThreadId_.store(id); }

  // Active from the start; only the host changes it (an in-process server stays
  // active).
  bool Active() const { return active_.load(); }
  void SetActive(bool active) { active_.store(active); }

  std::string Title() const;
  void SetTitle(std::string_view title);

  // The host's main window; none (null) in an in-process server.
  HWND MainWindow() const { return mainWindow_.load(); }
  void SetMainWindow(HWND hwnd) { mainWindow_.store(hwnd); }

  // One pass of message processing on the calling thread: every message of its
  // queue, including those posted during the pass, goes to `hook` and, unless the
  // hook handled it, through TranslateMessage and DispatchMessageA. WM_QUIT ends
  // the pass and marks the application terminated.
  void ProcessMessages(const MessageHook& hook = nullptr);
  bool Terminated() const { return terminated_.load(); }

  // Gives back the heap memory the object holds (the title becomes empty); the
  // object stays usable. Runs when the layer unloads.
  void ReleaseHeldMemory();

 private:
  std::atomic<DWORD> mainThreadId_;
  std::atomic<bool> active_{true};
  std::atomic<HWND> mainWindow_{nullptr};
  std::atomic<bool> terminated_{false};
  mutable std::mutex titleMutex_;
  std::string title_;
};

// The one application object of the process, in the layer's static storage.
COM_API Application& App();

}  // namespace win
