// Key-state table, cursor, tick count, local time and the application object.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/win/application.h"
#include "platform/win/clock.h"
#include "platform/win/input.h"
#include "platform/win/threads.h"

namespace {

bool Down(int vk) { return GetAsyncKeyState(vk) < 0; }

TEST(Keys, TableDrivesTheAsyncState) {
  struct Case {
    const char* name;
    std::vector<int> pressed;
    int query;
    bool down;
  };
  const Case cases[] = {
      {"nothing pressed", {}, VK_ESCAPE, false},
      {"the key itself", {VK_ESCAPE}, VK_ESCAPE, true},
      {"another key", {VK_F1}, VK_ESCAPE, false},
      {"left shift counts as shift", {VK_LSHIFT}, VK_SHIFT, true},
      {"right control counts as control", {VK_RCONTROL}, VK_CONTROL, true},
      {"left alt counts as menu", {VK_LMENU}, VK_MENU, true},
      {"generic shift is not the left key", {VK_SHIFT}, VK_LSHIFT, false},
      {"right shift is not left shift", {VK_RSHIFT}, VK_LSHIFT, false},
      {"code outside the table", {VK_ESCAPE}, 256, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    win::ResetAsyncKeyStates();
    for (int k : c.pressed) win::SetAsyncKeyState(k, true);
    EXPECT_EQ(Down(c.query), c.down);
  }
  win::ResetAsyncKeyStates();
}

TEST(Keys, LowBitTellsOfAPressSinceTheLastQuery) {
  win::ResetAsyncKeyStates();
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  win::SetAsyncKeyState(VK_ESCAPE, true);
  win::SetAsyncKeyState(VK_ESCAPE, false);
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 1) << "pressed and released between two queries";
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
  win::SetAsyncKeyState(VK_ESCAPE, true);
  EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState(VK_ESCAPE)), 0x8001u);
  EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState(VK_ESCAPE)), 0x8000u);
  win::ResetAsyncKeyStates();
  EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), 0);
}

TEST(Cursor, ProcessWideValueWithStableSystemCursors) {
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  ASSERT_NE(arrow, nullptr);
  ASSERT_NE(wait, nullptr);
  EXPECT_NE(arrow, wait);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), wait);
  EXPECT_EQ(GetCursor(), arrow) << "the arrow at start";
  EXPECT_EQ(SetCursor(wait), arrow);
  std::thread other([&] { EXPECT_EQ(GetCursor(), wait); });
  other.join();
  EXPECT_EQ(SetCursor(arrow), wait);
  SetLastError(0);
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadCursorA(reinterpret_cast<HINSTANCE>(0x1000), IDC_ARROW), nullptr);
}

std::atomic<ULONGLONG> g_fakeTicks{0};
ULONGLONG FakeTicks() { return g_fakeTicks.load(); }

struct FakeClock {
  FakeClock() { win::SetTickSource(FakeTicks); }
  ~FakeClock() { win::SetTickSource(nullptr); }
};

TEST(Clock, InjectedTickCountWrapsPast32Bits) {
  FakeClock fake;
  g_fakeTicks = 0xFFFFFFF0ull;
  DWORD before = GetTickCount();
  EXPECT_EQ(before, 0xFFFFFFF0u);
  g_fakeTicks += 0x20;
  DWORD after = GetTickCount();
  EXPECT_EQ(after, 0x10u);
  EXPECT_EQ(static_cast<DWORD>(after - before), 0x20u) << "differences survive the wrap";
  EXPECT_EQ(GetTickCount64(), 0x100000010ull);
}

TEST(Clock, RealTickCountFollowsSleep) {
  ULONGLONG start = GetTickCount64();
  Sleep(30);
  ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_GE(elapsed, 29u);  // millisecond truncation of both readings
  EXPECT_LT(elapsed, 2000u);
  // GetTickCount is the low 32 bits of the same count: read between two
  // readings of the 64-bit count, it lies between them (a millisecond may
  // pass between the calls).
  const ULONGLONG before = GetTickCount64();
  const DWORD low = GetTickCount();
  const ULONGLONG after = GetTickCount64();
  EXPECT_LE(static_cast<DWORD>(low - static_cast<DWORD>(before)), static_cast<DWORD>(after - before));
}

TEST(Clock, LocalTimeAgreesWithTheCLibrary) {
  SYSTEMTIME st{};
  std::time_t now = std::time(nullptr);
  GetLocalTime(&st);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(st.wYear, local.tm_year + 1900);
  EXPECT_EQ(st.wMonth, local.tm_mon + 1);
  EXPECT_EQ(st.wDayOfWeek, local.tm_wday);
  EXPECT_LT(st.wMilliseconds, 1000);
  int a = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  int b = st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  EXPECT_TRUE(b - a <= 2 && b - a >= 0) << "or a midnight between the two readings";
}

TEST(Application, MainThreadIsTheLoadingThreadAndTheApplicationIsActive) {
  EXPECT_EQ(win::App().MainThreadId(), GetCurrentThreadId());
  EXPECT_TRUE(win::App().Active());
  EXPECT_EQ(win::App().MainWindow(), nullptr);
}

}  // namespace
