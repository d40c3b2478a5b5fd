// Per-thread message queues and windows.
#include "platform/win/messages.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/clock.h"
#include "platform/win/input.h"
#include "platform/win/threads.h"

namespace {

struct MessageQueue {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<MSG> messages;
  bool quit = false;  // PostQuitMessage was called
  int quitCode = 0;
};

struct Window {
  win::WindowProc proc;
  DWORD owner;
};

HWND const kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

// The queues by thread id and the windows by handle. Lookups (every post and
// dispatch) share the lock; only adding and removing take it alone.
class Directory {
 public:
  std::shared_ptr<MessageQueue> Queue(DWORD tid) {
    std::shared_lock lock(mutex_);
    auto it = queues_.find(tid);
    return it == queues_.end() ? nullptr : it->second;
  }
  void AddQueue(DWORD tid, std::shared_ptr<MessageQueue> q) {
    std::lock_guard lock(mutex_);
    queues_[tid] = std::move(q);
  }
  // The thread is ending: its queue and windows go.
  void RemoveThread(DWORD tid) {
    std::vector<std::shared_ptr<Window>> doomed;  // destroyed outside the lock
    std::lock_guard lock(mutex_);
    queues_.erase(tid);
    std::erase_if(windows_, [&](auto& entry) {
      if (entry.second->owner != tid) return false;
      doomed.push_back(std::move(entry.second));
      return true;
    });
  }

  HWND AddWindow(std::shared_ptr<Window> w) {
    std::lock_guard lock(mutex_);
    nextWindow_ += 4;
    windows_.emplace(nextWindow_, std::move(w));
    return reinterpret_cast<HWND>(nextWindow_);
  }
  std::shared_ptr<Window> FindWindow(HWND h) {
    std::shared_lock lock(mutex_);
    auto it = windows_.find(reinterpret_cast<std::uintptr_t>(h));
    return it == windows_.end() ? nullptr : it->second;
  }
  std::shared_ptr<Window> RemoveWindow(HWND h, DWORD owner) {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == windows_.end() || it->second->owner != owner) return nullptr;
    auto w = std::move(it->second);
    windows_.erase(it);
    return w;
  }

 private:
  std::shared_mutex mutex_;
  std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues_;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Window>> windows_;
  std::uintptr_t nextWindow_ = 0x10000;
};

Directory& Dir() {
  static auto* directory = new Directory;  // never destroyed: threads end after exit starts
  return *directory;
}

// The calling thread's queue, made on first use and removed when the thread ends.
class OwnQueue {
 public:
  ~OwnQueue() {
    if (queue_) Dir().RemoveThread(tid_);
  }
  MessageQueue& Get() {
    if (!queue_) {
      tid_ = GetCurrentThreadId();
      queue_ = std::make_shared<MessageQueue>();
      Dir().AddQueue(tid_, queue_);
    }
    return *queue_;
  }

 private:
  std::shared_ptr<MessageQueue> queue_;
  DWORD tid_ = 0;
};

thread_local OwnQueue t_queue;

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return MSG{hwnd, message, wParam, lParam, GetTickCount(), POINT{0, 0}};
}

void Post(MessageQueue& q, const MSG& msg, bool first = false) {
  {
    std::lock_guard lock(q.mutex);
    if (first)
      q.messages.push_front(msg);
    else
      q.messages.push_back(msg);
  }
  q.posted.notify_all();
}

bool Matches(const MSG& m, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (hwnd == kThreadMessagesOnly) {
    if (m.hwnd) return false;
  } else if (hwnd && m.hwnd != hwnd) {
    return false;
  }
  if ((filterMin == 0 && filterMax == 0) || m.message == WM_QUIT) return true;
  return m.message >= filterMin && m.message <= filterMax;
}

// With the queue locked: the first matching message, else the quit request.
bool Take(MessageQueue& q, MSG& out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
  for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
    if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
    out = *it;
    if (remove) q.messages.erase(it);
    return true;
  }
  if (q.quit && (!hwnd || hwnd == kThreadMessagesOnly)) {
    out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0);
    if (remove) q.quit = false;
    return true;
  }
  return false;
}

// The window filter must be null, -1 or a window of the calling thread.
bool ValidFilter(HWND hwnd) {
  if (!hwnd || hwnd == kThreadMessagesOnly) return true;
  auto w = Dir().FindWindow(hwnd);
  if (w && w->owner == GetCurrentThreadId()) return true;
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return false;
}

// The character of a key press, or 0 for keys that stand for none.
WPARAM CharOfKey(WPARAM vk) {
  const bool shift = GetAsyncKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetAsyncKeyState(VK_CONTROL) < 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return vk - 'A' + 1;
    return shift ? vk : vk - 'A' + 'a';
  }
  if (vk >= '0' && vk <= '9') return shift ? static_cast<WPARAM>(")!@#$%^&*("[vk - '0']) : vk;
  switch (vk) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_TAB:
      return '\t';
    case VK_BACK:
      return '\b';
    case VK_ESCAPE:
      return 0x1B;
    default:
      return 0;
  }
}

}  // namespace

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) {
    Post(t_queue.Get(), MakeMessage(nullptr, message, wParam, lParam));
    return TRUE;
  }
  auto w = Dir().FindWindow(hwnd);
  auto q = w ? Dir().Queue(w->owner) : nullptr;
  if (!q) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Post(*q, MakeMessage(hwnd, message, wParam, lParam));
  return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  auto q = Dir().Queue(threadId);
  if (!q) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  Post(*q, MakeMessage(nullptr, message, wParam, lParam));
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  MessageQueue& q = t_queue.Get();
  {
    std::lock_guard lock(q.mutex);
    q.quit = true;
    q.quitCode = exitCode;
  }
  q.posted.notify_all();
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  MessageQueue& q = t_queue.Get();
  if (!ValidFilter(hwnd)) return FALSE;
  std::lock_guard lock(q.mutex);
  return Take(q, *msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  MessageQueue& q = t_queue.Get();
  if (!ValidFilter(hwnd)) return -1;
  std::unique_lock lock(q.mutex);
  q.posted.wait(lock, [&] { return Take(q, *msg, hwnd, filterMin, filterMax, true); });
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  switch (msg->message) {
    case WM_KEYDOWN:
      if (WPARAM ch = CharOfKey(msg->wParam))
        Post(t_queue.Get(), MakeMessage(msg->hwnd, WM_CHAR, ch, msg->lParam), true);
      return TRUE;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  auto w = Dir().FindWindow(msg->hwnd);
  if (!w || w->owner != GetCurrentThreadId()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

BOOL IsWindow(HWND hwnd) { return Dir().FindWindow(hwnd) ? TRUE : FALSE; }

BOOL DestroyWindow(HWND hwnd) {
  if (!Dir().RemoveWindow(hwnd, GetCurrentThreadId())) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace win {

HWND AllocateHWnd(WindowProc proc) {
  t_queue.Get();
  if (!proc) proc = DefWindowProcA;
  return Dir().AddWindow(std::make_shared<Window>(Window{std::move(proc), GetCurrentThreadId()}));
}

void DeallocateHWnd(HWND hwnd) { DestroyWindow(hwnd); }

}  // namespace win
