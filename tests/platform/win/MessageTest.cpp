// Message queues per thread, window procedures and the application's message pass.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win/application.h"
#include "platform/win/input.h"
#include "platform/win/sync.h"
#include "platform/win/threads.h"

namespace {

// Each test runs on a thread of its own, so it starts with an empty queue and no
// windows, and its queue goes away with it.
template <class F>
void OnFreshThread(F f) {
  std::thread t(f);
  t.join();
}

std::vector<UINT> DrainIds(HWND filter = nullptr, UINT lo = 0, UINT hi = 0) {
  std::vector<UINT> ids;
  MSG m{};
  while (PeekMessageA(&m, filter, lo, hi, PM_REMOVE)) ids.push_back(m.message);
  return ids;
}

TEST(Messages, PostedFromAnotherThreadArriveInOrder) {
  OnFreshThread([] {
    MSG m{};
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));  // makes the queue
    const DWORD me = GetCurrentThreadId();
    std::thread poster([me] {
      for (UINT i = 0; i < 50; ++i) EXPECT_TRUE(PostThreadMessageA(me, WM_USER + i, i, -static_cast<LPARAM>(i)));
      EXPECT_TRUE(PostThreadMessageA(me, WM_QUIT, 3, 0));
    });
    std::vector<UINT> ids;
    BOOL r;
    while ((r = GetMessageA(&m, nullptr, 0, 0)) > 0) {
      EXPECT_EQ(m.hwnd, nullptr);
      EXPECT_EQ(m.wParam, m.message - WM_USER);
      EXPECT_EQ(m.lParam, -static_cast<LPARAM>(m.wParam));
      ids.push_back(m.message);
    }
    poster.join();
    EXPECT_EQ(r, FALSE);
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_EQ(ids.size(), 50u);
    for (UINT i = 0; i < 50; ++i) EXPECT_EQ(ids[i], WM_USER + i);
  });
}

TEST(Messages, PeekFiltersAndRemovesOnlyWhenAsked) {
  OnFreshThread([] {
    HWND w = win::AllocateHWnd(nullptr);
    PostMessageA(w, WM_PAINT, 0, 0);
    PostMessageA(nullptr, WM_USER, 0, 0);  // a thread message to this thread
    PostMessageA(w, WM_KEYDOWN, 'A', 0);
    PostMessageA(w, WM_LBUTTONDOWN, 0, 0);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_PAINT);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_PAINT) << "PM_NOREMOVE leaves the message";
    EXPECT_EQ(m.hwnd, w);

    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(DrainIds(reinterpret_cast<HWND>(-1)), std::vector<UINT>{WM_USER}) << "thread messages only";
    EXPECT_EQ(DrainIds(w), (std::vector<UINT>{WM_PAINT, WM_LBUTTONDOWN}));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));

    // A window filter that is not a window of this thread fails.
    HWND foreign = nullptr;
    std::thread other([&] { foreign = win::AllocateHWnd(nullptr); });
    other.join();
    SetLastError(0);
    EXPECT_FALSE(PeekMessageA(&m, reinterpret_cast<HWND>(0x7777), 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(IsWindow(foreign)) << "a thread's windows end with it";
    win::DeallocateHWnd(w);
  });
}

TEST(Messages, QuitComesAfterEveryOtherMessageAndPassesAnyRange) {
  OnFreshThread([] {
    PostQuitMessage(5);
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  });
}

TEST(Messages, PostingNeedsTheTargetsQueue) {
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE finish = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> tid{0};
  std::atomic<bool> makeQueue{false};
  auto body = [&] {
    tid = GetCurrentThreadId();
    if (makeQueue) {
      MSG m;
      PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
    }
    SetEvent(ready);
    WaitForSingleObject(finish, 5000);
  };
  for (bool queue : {false, true}) {
    SCOPED_TRACE(queue ? "with a queue" : "without a queue");
    makeQueue = queue;
    ResetEvent(ready);
    ResetEvent(finish);
    std::thread t(body);
    WaitForSingleObject(ready, 5000);
    SetLastError(0);
    EXPECT_EQ(PostThreadMessageA(tid, WM_USER, 0, 0), queue ? TRUE : FALSE);
    if (!queue) {
      EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    }
    SetEvent(finish);
    t.join();
  }
  EXPECT_FALSE(PostThreadMessageA(tid, WM_USER, 0, 0)) << "the queue ends with its thread";
  CloseHandle(ready);
  CloseHandle(finish);
}

TEST(Messages, DispatchCallsTheWindowProcedureOfTheOwningThread) {
  OnFreshThread([] {
    struct Seen {
      HWND hwnd;
      UINT msg;
      WPARAM w;
      LPARAM l;
    };
    std::vector<Seen> seen;
    HWND w = win::AllocateHWnd([&](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
      seen.push_back({h, msg, wp, lp});
      return 40 + static_cast<LRESULT>(msg);
    });
    ASSERT_TRUE(IsWindow(w));
    std::thread poster([w] { EXPECT_TRUE(PostMessageA(w, WM_USER + 2, 11, 22)); });
    poster.join();
    MSG m{};
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(&m), 40 + static_cast<LRESULT>(WM_USER + 2));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].hwnd, w);
    EXPECT_EQ(seen[0].msg, WM_USER + 2);
    EXPECT_EQ(seen[0].w, 11u);
    EXPECT_EQ(seen[0].l, 22);

    // Another thread may post to the window but not dispatch to it.
    std::thread intruder([&] {
      SetLastError(0);
      EXPECT_EQ(DispatchMessageA(&m), 0);
      EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
      EXPECT_FALSE(DestroyWindow(w));
    });
    intruder.join();
    EXPECT_EQ(seen.size(), 1u);

    MSG threadMsg{nullptr, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&threadMsg), 0) << "thread messages have no procedure";

    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(DispatchMessageA(&m), 0);
  });
}

TEST(Messages, TranslateMessagePostsTheCharacterNext) {
  struct Case {
    WPARAM vk;
    std::vector<int> modifiers;
    WPARAM expected;  // 0: no WM_CHAR
  };
  const Case cases[] = {
      {'A', {}, 'a'},      {'A', {VK_LSHIFT}, 'A'}, {'C', {VK_CONTROL}, 3}, {'7', {}, '7'}, {'1', {VK_SHIFT}, '!'},
      {VK_SPACE, {}, ' '}, {VK_RETURN, {}, '\r'},   {VK_ESCAPE, {}, 0x1B},  {VK_F5, {}, 0}, {VK_LEFT, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "vk " << c.vk);
    OnFreshThread([&] {
      win::ResetAsyncKeyStates();
      for (int k : c.modifiers) win::SetAsyncKeyState(k, true);
      HWND w = win::AllocateHWnd(nullptr);
      PostMessageA(w, WM_USER, 0, 0);
      MSG key{w, WM_KEYDOWN, c.vk, 0x1234, 0, {0, 0}};
      EXPECT_TRUE(TranslateMessage(&key));
      MSG m{};
      ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
      if (c.expected) {
        EXPECT_EQ(m.message, WM_CHAR);
        EXPECT_EQ(m.wParam, c.expected);
        EXPECT_EQ(m.hwnd, w);
        EXPECT_EQ(m.lParam, 0x1234);
      } else {
        EXPECT_EQ(m.message, WM_USER);
      }
      win::ResetAsyncKeyStates();
    });
  }
  MSG up{nullptr, WM_KEYUP, 'A', 0, 0, {0, 0}};
  MSG click{nullptr, WM_LBUTTONDOWN, 0, 0, 0, {0, 0}};
  EXPECT_TRUE(TranslateMessage(&up));
  EXPECT_FALSE(TranslateMessage(&click));
}

TEST(Messages, ProcessMessagesWithAFilteringHook) {
  // The serial transfers' pump: painting and activation go through, the
  // non-client mouse move sets the hourglass, all other input is discarded.
  OnFreshThread([] {
    std::vector<UINT> dispatched;
    HWND w = win::AllocateHWnd([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
      dispatched.push_back(msg);
      return 0;
    });
    const UINT posted[] = {WM_KEYDOWN, WM_ACTIVATE, WM_LBUTTONDOWN, WM_PAINT, WM_NCMOUSEMOVE,
                           WM_NCPAINT, WM_TIMER,    WM_NCACTIVATE,  WM_CHAR,  WM_MOUSEMOVE};
    for (UINT id : posted) PostMessageA(w, id, VK_ESCAPE, 0);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR hourglass = LoadCursorA(nullptr, IDC_WAIT);
    SetCursor(arrow);
    int seen = 0;
    win::App().ProcessMessages([&](MSG& m) {
      ++seen;
      switch (m.message) {
        case WM_ACTIVATE:
        case WM_PAINT:
        case WM_NCPAINT:
        case WM_NCACTIVATE:
          return false;
        case WM_NCMOUSEMOVE:
          if (GetCursor() != hourglass) SetCursor(hourglass);
          return true;
        default:
          return true;
      }
    });
    EXPECT_EQ(seen, 10) << "a swallowed key press must not come back as WM_CHAR";
    EXPECT_EQ(dispatched, (std::vector<UINT>{WM_ACTIVATE, WM_PAINT, WM_NCPAINT, WM_NCACTIVATE}));
    EXPECT_EQ(GetCursor(), hourglass);
    EXPECT_TRUE(DrainIds().empty());
    SetCursor(arrow);

    // Without a hook, key presses are translated and everything is dispatched.
    dispatched.clear();
    PostMessageA(w, WM_KEYDOWN, 'Q', 0);
    PostMessageA(w, WM_USER, 0, 0);
    win::App().ProcessMessages();
    EXPECT_EQ(dispatched, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_USER}));
    win::DeallocateHWnd(w);
  });
}

TEST(Messages, QuitEndsThePassAndMarksTheApplication) {
  OnFreshThread([] {
    PostMessageA(nullptr, WM_USER, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    std::vector<UINT> seen;
    win::App().ProcessMessages([&](MSG& m) {
      seen.push_back(m.message);
      return true;
    });
    EXPECT_EQ(seen, std::vector<UINT>{WM_USER});
    EXPECT_TRUE(win::App().Terminated());
    EXPECT_EQ(DrainIds(), std::vector<UINT>{WM_USER + 1});
  });
}

}  // namespace
