// Handles, events and waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win/sync.h"
#include "platform/win/threads.h"

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Closes the handles of a test, whatever happens.
struct Handles {
  std::vector<HANDLE> list;
  HANDLE Add(HANDLE h) {
    list.push_back(h);
    return h;
  }
  ~Handles() {
    for (HANDLE h : list) CloseHandle(h);
  }
};

TEST(Events, SignalledStateAfterEachCall) {
  // What a zero-time-out wait reports after each step, for both kinds of event.
  struct Case {
    const char* name;
    BOOL manual;
    BOOL initial;
    std::vector<DWORD> expected;  // wait right away, wait again, Set+wait, wait, Set+Reset+wait
  };
  const Case cases[] = {
      {"manual, initially set", TRUE, TRUE, {WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_TIMEOUT}},
      {"manual, initially clear",
       TRUE,
       FALSE,
       {WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_TIMEOUT}},
      {"automatic, initially set",
       FALSE,
       TRUE,
       {WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_TIMEOUT}},
      {"automatic, initially clear",
       FALSE,
       FALSE,
       {WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_TIMEOUT}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Handles hs;
    HANDLE e = hs.Add(CreateEvent(nullptr, c.manual, c.initial, nullptr));
    ASSERT_NE(e, nullptr);
    std::vector<DWORD> got;
    got.push_back(WaitForSingleObject(e, 0));
    got.push_back(WaitForSingleObject(e, 0));
    EXPECT_TRUE(SetEvent(e));
    got.push_back(WaitForSingleObject(e, 0));
    got.push_back(WaitForSingleObject(e, 0));
    SetEvent(e);
    EXPECT_TRUE(ResetEvent(e));
    got.push_back(WaitForSingleObject(e, 0));
    EXPECT_EQ(got, c.expected);
  }
}

TEST(Events, TimeOutWaitsAtLeastTheTimeAndNotMuchLonger) {
  Handles hs;
  HANDLE e = hs.Add(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  auto start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 60), WAIT_TIMEOUT);
  long ms = ElapsedMs(start);
  EXPECT_GE(ms, 60);
  EXPECT_LT(ms, 2000);
}

TEST(Events, SetFromAnotherThreadEndsTheWait) {
  Handles hs;
  HANDLE e = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  auto start = Clock::now();
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(e);
  });
  EXPECT_EQ(WaitForSingleObject(e, 5000), WAIT_OBJECT_0);
  EXPECT_LT(ElapsedMs(start), 4000);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);  // taken by the wait
}

TEST(Events, AutomaticResetReleasesOneWaiterManualReleasesAll) {
  for (BOOL manual : {FALSE, TRUE}) {
    SCOPED_TRACE(manual ? "manual" : "automatic");
    Handles hs;
    HANDLE e = hs.Add(CreateEventA(nullptr, manual, FALSE, nullptr));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
      waiters.emplace_back([&] {
        if (WaitForSingleObject(e, 300) == WAIT_OBJECT_0) ++released;
      });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    SetEvent(e);
    for (auto& t : waiters) t.join();
    EXPECT_EQ(released.load(), manual ? 3 : 1);
  }
}

TEST(Waits, AnyReportsTheLowestSignalledIndexAndTakesOnlyIt) {
  Handles hs;
  HANDLE a = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  HANDLE b = hs.Add(CreateEventA(nullptr, FALSE, TRUE, nullptr));
  HANDLE c = hs.Add(CreateEventA(nullptr, FALSE, TRUE, nullptr));
  HANDLE list[] = {a, b, c};
  EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 20), WAIT_TIMEOUT);
  SetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, INFINITE), WAIT_OBJECT_0);
}

TEST(Waits, AllTakesNothingUntilEveryObjectIsSignalled) {
  Handles hs;
  HANDLE a = hs.Add(CreateEventA(nullptr, FALSE, TRUE, nullptr));
  HANDLE b = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  HANDLE list[] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, list, TRUE, 20), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0) << "a partial wait-all must not reset a";
  SetEvent(a);
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetEvent(b);
  });
  EXPECT_EQ(WaitForMultipleObjects(2, list, TRUE, 5000), WAIT_OBJECT_0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
}

TEST(Waits, BadArgumentsFail) {
  Handles hs;
  HANDLE e = hs.Add(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  CloseHandle(closed);
  struct Case {
    const char* name;
    std::vector<HANDLE> handles;
    BOOL all;
    DWORD error;
  };
  const Case cases[] = {
      {"none", {}, FALSE, ERROR_INVALID_PARAMETER},
      {"closed handle", {e, closed}, FALSE, ERROR_INVALID_HANDLE},
      {"invalid value", {INVALID_HANDLE_VALUE}, FALSE, ERROR_INVALID_HANDLE},
      {"pseudo-handle", {GetCurrentThread()}, FALSE, ERROR_INVALID_HANDLE},
      {"same handle twice, all", {e, e}, TRUE, ERROR_INVALID_PARAMETER},
      {"too many", std::vector<HANDLE>(MAXIMUM_WAIT_OBJECTS + 1, e), FALSE, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(c.handles.size()), c.handles.data(), c.all, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), c.error);
  }
  HANDLE twice[] = {e, e};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), WAIT_OBJECT_0) << "wait-any accepts a repeated handle";
  EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(closed));
  EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "named"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST(Handles, CloseRunsTheKindsCloseOnceAndFindChecksTheKind) {
  // What another layer (the serial ports) does with the table.
  static std::atomic<int> closed{0};
  static const win::HandleKind port{"test port", [](void* object) -> BOOL {
                                      closed += *static_cast<int*>(object);
                                      return TRUE;
                                    }};
  static const win::HandleKind other{"other", nullptr};
  closed = 0;
  HANDLE h = win::NewHandle(port, std::make_shared<int>(7));
  ASSERT_NE(h, nullptr);
  auto value = reinterpret_cast<std::uintptr_t>(h);
  EXPECT_EQ(value % 4, 0u);
  EXPECT_LT(value, 0x80000000u) << "handles must survive being stored in 32 bits";
  ASSERT_NE(win::FindHandleAs<int>(h, port), nullptr);
  EXPECT_EQ(*win::FindHandleAs<int>(h, port), 7);
  EXPECT_EQ(win::FindHandle(h, other), nullptr);
  EXPECT_EQ(win::KindOfHandle(h), &port);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED) << "a port is not waitable";

  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(closed.load(), 7);
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(closed.load(), 7);
  EXPECT_EQ(win::FindHandle(h, port), nullptr);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_EQ(win::NewHandle(port, nullptr), nullptr);
}

TEST(Handles, ClosingAnEventWhileAnotherThreadWaitsOnItIsSafe) {
  HANDLE e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> result{0};
  std::thread waiter([&] { result = WaitForSingleObject(e, 100); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(CloseHandle(e));
  waiter.join();
  EXPECT_EQ(result.load(), WAIT_TIMEOUT);
}

// ---- many objects and threads at once ---------------------------------------

// Pairs of threads hand a token back and forth through two automatic events of
// their own; a lost wake-up leaves a wait to run out its time.
TEST(Waits, PingPongOnManyPairsAtOnceLosesNoWakeUp) {
  constexpr int kPairs = 8;
  constexpr int kRounds = 2000;
  std::atomic<int> timeouts{0};
  std::vector<std::thread> threads;
  Handles hs;
  for (int p = 0; p < kPairs; ++p) {
    HANDLE ping = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    HANDLE pong = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    threads.emplace_back([=, &timeouts] {
      for (int i = 0; i < kRounds; ++i) {
        SetEvent(ping);
        if (WaitForSingleObject(pong, 5000) != WAIT_OBJECT_0) ++timeouts;
      }
    });
    threads.emplace_back([=, &timeouts] {
      for (int i = 0; i < kRounds; ++i) {
        if (WaitForSingleObject(ping, 5000) != WAIT_OBJECT_0) ++timeouts;
        SetEvent(pong);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(timeouts.load(), 0);
}

// Two threads wait for all of the same two events, listed in opposite orders,
// while a third keeps setting both: each round is taken whole by one waiter,
// and neither ever holds the other up for good.
TEST(Waits, WaitsForAllOfOverlappingSetsInOppositeOrdersAllEnd) {
  constexpr int kRounds = 1000;
  Handles hs;
  HANDLE a = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  HANDLE b = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  HANDLE taken = hs.Add(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  std::atomic<int> rounds{0};
  std::atomic<bool> stop{false};
  auto waiter = [&](HANDLE first, HANDLE second) {
    HANDLE list[] = {first, second};
    while (!stop) {
      if (WaitForMultipleObjects(2, list, TRUE, 20) == WAIT_OBJECT_0) {
        ++rounds;
        SetEvent(taken);
      }
    }
  };
  std::thread w1(waiter, a, b), w2(waiter, b, a);
  int timeouts = 0;
  for (int i = 0; i < kRounds; ++i) {
    SetEvent(a);
    SetEvent(b);
    if (WaitForSingleObject(taken, 5000) != WAIT_OBJECT_0) ++timeouts;
  }
  stop = true;
  w1.join();
  w2.join();
  EXPECT_EQ(timeouts, 0);
  EXPECT_EQ(rounds.load(), kRounds);  // no round taken twice, none lost
}

TEST(Handles, ThreadsMakingAndClosingHandlesAtOnceGetDistinctWorkingHandles) {
  constexpr int kThreads = 8;
  constexpr int kEach = 500;
  std::vector<std::vector<HANDLE>> made(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        HANDLE e = CreateEventA(nullptr, TRUE, i % 2 == 0, nullptr);
        made[t].push_back(e);
        if (i % 3 == 0) {  // some go again at once, while the others make theirs
          CloseHandle(e);
          made[t].back() = nullptr;
        }
      }
    });
  for (auto& t : threads) t.join();
  std::vector<HANDLE> all;
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kEach; ++i) {
      HANDLE e = made[t][i];
      if (!e) continue;
      all.push_back(e);
      EXPECT_EQ(WaitForSingleObject(e, 0), i % 2 == 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT) << "thread " << t << " #" << i;
    }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a handle was handed out twice";
  for (HANDLE e : all) EXPECT_TRUE(CloseHandle(e));
}

}  // namespace
