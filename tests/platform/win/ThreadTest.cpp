// Threads: the suspend/resume gate, termination, joining on close, priorities.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win/clock.h"
#include "platform/win/sync.h"
#include "platform/win/threads.h"

namespace {

// A request shared by a starter and a worker, as the serial transfers use it:
// the starter fills it, clears `done` and resumes the worker; the worker does the
// work, sets `done` and suspends itself until the next start or termination.
struct Request {
  std::atomic<bool> done{true};
  int input = 0;
  int output = 0;
  std::atomic<int> passes{0};
  std::atomic<bool> ended{false};
};

DWORD Worker(LPVOID p) {
  auto* r = static_cast<Request*>(p);
  for (;;) {
    r->passes++;
    if (!r->done.load()) {
      // Every other request, give the starter time to start the next one
      // before this worker reaches its suspend.
      const bool linger = r->input % 2 != 0;
      r->output = r->input * 2;
      r->done.store(true);
      if (linger) {
        for (int i = 0; i < 3; ++i) std::this_thread::yield();
      }
    }
    if (win::ThreadTerminationRequested()) break;
    SuspendThread(GetCurrentThread());
    if (win::ThreadTerminationRequested()) break;
  }
  r->ended = true;
  return 7;
}

// Closes a thread handle when a test ends early; closing asks the worker to end
// and joins it, so it never outlives the request it works on.
struct ThreadGuard {
  HANDLE h;
  ~ThreadGuard() {
    if (h) CloseHandle(h);
  }
};

// Waits for `flag` with a generous bound; false when it never came.
bool Eventually(const std::atomic<bool>& flag, int ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!flag.load()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(0);
  }
  return true;
}

TEST(Threads, GateNeverLosesAResumeThatComesBeforeTheSuspend) {
  // The starter resumes as soon as it sees `done`, often before the worker has
  // reached its suspend; a lost permit would leave the request pending forever.
  Request r;
  HANDLE h = CreateThread(nullptr, 0, Worker, &r, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(h, nullptr);
  ThreadGuard guard{h};
  SetThreadPriority(h, THREAD_PRIORITY_TIME_CRITICAL);
  constexpr int kCycles = 3000;
  for (int i = 1; i <= kCycles; ++i) {
    r.input = i;
    r.done.store(false);
    ResumeThread(h);
    ASSERT_TRUE(Eventually(r.done)) << "request " << i << " was never taken up";
    ASSERT_EQ(r.output, 2 * i);
  }
  guard.h = nullptr;
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_TRUE(r.ended.load()) << "closing joins the worker";
}

TEST(Threads, ResumeBeforeSuspendLeavesAPermitAndReportsRunning) {
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> suspendResult{99};
  struct Args {
    HANDLE go;
    std::atomic<DWORD>* result;
  } args{go, &suspendResult};
  HANDLE h = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* a = static_cast<Args*>(p);
        WaitForSingleObject(a->go, INFINITE);
        *a->result = SuspendThread(GetCurrentThread());  // finds the permit
        return 0;
      },
      &args, 0, nullptr);
  EXPECT_EQ(ResumeThread(h), 0u) << "the thread was running, not at its gate";
  SetEvent(go);
  EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(suspendResult.load(), 0u);
  CloseHandle(h);
  CloseHandle(go);
}

TEST(Threads, ResumeReportsAThreadWaitingAtItsGate) {
  std::atomic<bool> ran{false};
  HANDLE h = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        static_cast<std::atomic<bool>*>(p)->store(true);
        return 0;
      },
      &ran, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(WaitForSingleObject(h, 30), WAIT_TIMEOUT);
  EXPECT_FALSE(ran.load()) << "a suspended thread must not start";
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(h, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(ResumeThread(h), 1u);
  EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(ResumeThread(h), 0u) << "an ended thread";
  CloseHandle(h);
}

TEST(Threads, TerminationOpensTheGate) {
  // Asked to end while suspended (also: created suspended and never resumed), the
  // worker goes on, sees the request and leaves.
  for (bool resumedOnce : {true, false}) {
    SCOPED_TRACE(resumedOnce ? "suspended after a pass" : "never resumed");
    Request r;
    HANDLE h = CreateThread(nullptr, 0, Worker, &r, CREATE_SUSPENDED, nullptr);
    if (resumedOnce) {
      ResumeThread(h);
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (r.passes.load() == 0 && std::chrono::steady_clock::now() < deadline) Sleep(1);
    }
    EXPECT_FALSE(win::ThreadTerminationRequested(h));
    EXPECT_TRUE(win::RequestThreadTermination(h));
    EXPECT_TRUE(win::ThreadTerminationRequested(h));
    EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(r.ended.load());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(h);
  }
}

TEST(Threads, CloseWaitsForTheRoutineToReturn) {
  std::atomic<bool> finished{false};
  HANDLE h = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        Sleep(50);
        static_cast<std::atomic<bool>*>(p)->store(true);
        return 0;
      },
      &finished, 0, nullptr);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_TRUE(finished.load());
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
}

TEST(Threads, AThreadMayCloseItsOwnHandle) {
  static HANDLE self;
  static std::atomic<BOOL> result{FALSE};
  HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> done{false};
  struct Args {
    HANDLE started;
    std::atomic<bool>* done;
  } args{started, &done};
  self = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* a = static_cast<Args*>(p);
        WaitForSingleObject(a->started, INFINITE);
        result = CloseHandle(self);  // must not join itself
        a->done->store(true);
        return 0;
      },
      &args, 0, nullptr);
  SetEvent(started);
  EXPECT_TRUE(Eventually(done));
  EXPECT_TRUE(result.load());
  CloseHandle(started);
}

TEST(Threads, ThreadIdIsReportedToCreatorAndThread) {
  std::atomic<DWORD> seen{0};
  DWORD id = 0;
  HANDLE h = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        static_cast<std::atomic<DWORD>*>(p)->store(GetCurrentThreadId());
        return 0;
      },
      &seen, 0, &id);
  WaitForSingleObject(h, 5000);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(seen.load(), id);
  EXPECT_NE(id, GetCurrentThreadId());
  CloseHandle(h);
}

TEST(Threads, SuspendingAnotherThreadIsRefused) {
  Request r;
  HANDLE h = CreateThread(nullptr, 0, Worker, &r, CREATE_SUSPENDED, nullptr);
  SetLastError(0);
  EXPECT_EQ(SuspendThread(h), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(SuspendThread(GetCurrentThread()), static_cast<DWORD>(-1)) << "the test's own thread has no gate";
  EXPECT_EQ(ResumeThread(INVALID_HANDLE_VALUE), static_cast<DWORD>(-1));
  CloseHandle(h);
}

TEST(Threads, PrioritiesAreRememberedAndLowerOnesApplied) {
  Request r;
  HANDLE h = CreateThread(nullptr, 0, Worker, &r, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(GetThreadPriority(h), THREAD_PRIORITY_NORMAL);
  for (int p : {THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_ABOVE_NORMAL,
                THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_IDLE}) {
    EXPECT_TRUE(SetThreadPriority(h, p));
    EXPECT_EQ(GetThreadPriority(h), p);
  }
  SetLastError(0);
  EXPECT_FALSE(SetThreadPriority(h, 7));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetThreadPriority(h), THREAD_PRIORITY_IDLE);
  CloseHandle(h);

  // Lowering needs no privilege, so it must reach the scheduler.
  std::atomic<int> nice{-100};
  HANDLE low = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        SuspendThread(GetCurrentThread());
        static_cast<std::atomic<int>*>(p)->store(getpriority(PRIO_PROCESS, static_cast<id_t>(GetCurrentThreadId())));
        return 0;
      },
      &nice, 0, nullptr);
  EXPECT_TRUE(SetThreadPriority(low, THREAD_PRIORITY_BELOW_NORMAL));
  ResumeThread(low);
  WaitForSingleObject(low, 5000);
  EXPECT_GT(nice.load(), 0);
  EXPECT_EQ(GetThreadPriority(INVALID_HANDLE_VALUE), THREAD_PRIORITY_ERROR_RETURN);
  CloseHandle(low);
}

}  // namespace
