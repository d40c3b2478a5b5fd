// A thread that runs its own transfers and keeps other duties while the line is
// silent: when the hook's work runs, and what a purge, a close or an exception
// inside that work does to the transfer under way.
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/comm/comm.h"
#include "platform/comm/waithook.h"
#include "tests/platform/comm/PortFixture.h"

namespace comm_test {
namespace {

struct Read1 {
  BOOL ok = FALSE;
  DWORD error = 0;
  DWORD bytes = 0;
  std::string data;
};

// A plain read of `count` bytes on this thread.
Read1 ReadNow(HANDLE port, DWORD count) {
  Read1 r;
  r.data.assign(count, '\0');
  r.ok = ReadFile(port, r.data.data(), count, &r.bytes, nullptr);
  if (!r.ok) r.error = GetLastError();
  r.data.resize(r.bytes);
  return r;
}

using CommWaitHookTest = PortTest;

TEST_F(CommWaitHookTest, TheWorkRunsBetweenSlicesOnlyWhileTheLineKeepsTheThreadWaiting) {
  struct Row {
    const char* what;
    const char* sentBefore;  // already on the line when the read starts
    DWORD timeoutMs;         // read total time-out
    int minRuns, maxRuns;
  };
  const Row rows[] = {
      {"data there at once", "abcd", 1000, 0, 0},
      {"silent line, 60 ms in 10 ms slices", "", 60, 2, 7},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetTimeouts(0, 0, row.timeoutMs);
    pty_.Send(row.sentBefore);
    int runs = 0;
    Read1 r;
    {
      comm::WaitHook hook([&] { ++runs; }, milliseconds(10));
      EXPECT_EQ(comm::CurrentWaitHook(), &hook);
      r = ReadNow(port_, 4);
    }
    EXPECT_EQ(comm::CurrentWaitHook(), nullptr);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.data, row.sentBefore);
    EXPECT_GE(runs, row.minRuns);
    EXPECT_LE(runs, row.maxRuns);
  }
}

TEST_F(CommWaitHookTest, AHookOfAnotherThreadDoesNotCutThisThreadsWait) {
  Open();
  SetTimeouts(0, 0, 40);
  int runs = 0;
  comm::WaitHook hook([&] { ++runs; }, milliseconds(5));
  std::thread other([&] { EXPECT_EQ(ReadNow(port_, 1).bytes, 0u); });
  other.join();
  EXPECT_EQ(runs, 0);
}

TEST_F(CommWaitHookTest, WhatTheWorkDoesToThePortEndsTheTransferUnderWay) {
  struct Row {
    const char* what;
    bool close;  // else purge with abort
  };
  const Row rows[] = {{"purge with abort", false}, {"close of the handle", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Open();  // no time-outs: only the work can end the read
    HANDLE h = port_;
    int runs = 0;
    const auto start = Clock::now();
    Read1 r;
    {
      comm::WaitHook hook(
          [&] {
            if (++runs < 3) return;
            if (row.close) {
              EXPECT_TRUE(CloseHandle(h));
              port_ = INVALID_HANDLE_VALUE;
            } else {
              EXPECT_TRUE(PurgeComm(h, PURGE_RXABORT));
            }
          },
          milliseconds(5));
      r = ReadNow(h, 10);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(runs, 3);
    EXPECT_LT(MillisecondsSince(start), 2000);
    if (!row.close) {
      pty_.Send("z");  // the port goes on working after the abort
      EXPECT_EQ(ReadNow(h, 1).data, "z");
      CloseHandle(h);
      port_ = INVALID_HANDLE_VALUE;
    }
  }
}

TEST_F(CommWaitHookTest, AnExceptionOfTheWorkIsKeptAndTheWorkIsNotRunAgain) {
  Open();
  SetTimeouts(0, 0, 50);
  int runs = 0;
  comm::WaitHook hook(
      [&] {
        ++runs;
        throw std::runtime_error("window procedure failed");
      },
      milliseconds(5));
  Read1 r = ReadNow(port_, 1);
  EXPECT_TRUE(r.ok);  // the read still ends at its time-out
  EXPECT_EQ(r.bytes, 0u);
  EXPECT_EQ(runs, 1);
  ASSERT_TRUE(hook.Failure());
  EXPECT_THROW(std::rethrow_exception(hook.Failure()), std::runtime_error);
}

}  // namespace
}  // namespace comm_test
