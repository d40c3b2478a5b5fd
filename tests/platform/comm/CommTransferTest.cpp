// Transfers: raw bytes, counts, COMMTIMEOUTS, overlapped completion, purge with
// abort, closing and hang-up during a transfer.
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "platform/comm/comm.h"
#include "platform/comm/testing.h"
#include "platform/win/sync.h"
#include "tests/platform/comm/PortFixture.h"

namespace comm_test {
namespace {

struct Outcome {
  BOOL ok = FALSE;
  DWORD error = 0;
  DWORD bytes = 0;
  bool pending = false;  // ReadFile/WriteFile answered ERROR_IO_PENDING
  std::string data;
  Clock::time_point end;
};

// One transfer as the serial component runs it: issue with an overlapped record
// whose event is a manual-reset event, wait on the event when pending, then
// fetch the result without waiting.
Outcome Transfer(HANDLE port, bool write, std::string data, DWORD count) {
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);  // starts signalled: the transfer resets it
  OVERLAPPED ov{};
  ov.hEvent = event;
  Outcome o;
  if (!write) data.assign(count, '\0');
  BOOL ok = write ? WriteFile(port, data.data(), count, nullptr, &ov) : ReadFile(port, data.data(), count, nullptr, &ov);
  if (!ok && GetLastError() == ERROR_IO_PENDING) o.pending = true;
  else if (!ok) o.error = GetLastError();
  if (ok || o.pending) {
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    o.ok = GetOverlappedResult(port, &ov, &o.bytes, FALSE);
    if (!o.ok) o.error = GetLastError();
  }
  o.end = Clock::now();
  o.data = data.substr(0, o.bytes);
  CloseHandle(event);
  return o;
}

Outcome Read(HANDLE port, DWORD count) { return Transfer(port, false, {}, count); }
Outcome Write(HANDLE port, const std::string& data) {
  return Transfer(port, true, data, static_cast<DWORD>(data.size()));
}

std::string AllByteValues() {
  std::string s;
  for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
  return s + "\r\n\n\r\x11\x13\x11\x13";
}

using CommTransferTest = PortTest;

TEST_F(CommTransferTest, EveryByteValuePassesUnchangedBothWays) {
  Open();
  const std::string bytes = AllByteValues();
  Outcome w = Write(port_, bytes);
  EXPECT_TRUE(w.ok);
  EXPECT_EQ(w.bytes, bytes.size());
  EXPECT_EQ(pty_.Receive(bytes.size(), milliseconds(2000)), bytes);

  pty_.Send(bytes);
  Outcome r = Read(port_, static_cast<DWORD>(bytes.size()));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.data, bytes);
  // Nothing was echoed back to the device.
  EXPECT_EQ(pty_.Receive(1, milliseconds(20)), "");
}

TEST_F(CommTransferTest, ReadsTakeTheCountAskedAndWaitForTheRest) {
  Open();
  pty_.Send("ABCDEFGH");
  Outcome first = Read(port_, 5);
  EXPECT_TRUE(first.ok);
  EXPECT_FALSE(first.pending);  // all there: completed at once
  EXPECT_EQ(first.data, "ABCDE");

  std::thread sender([&] {
    std::this_thread::sleep_for(milliseconds(50));
    pty_.Send("IJ");
  });
  Outcome second = Read(port_, 5);  // no time-outs: waits for the count
  sender.join();
  EXPECT_TRUE(second.ok);
  EXPECT_TRUE(second.pending);
  EXPECT_EQ(second.data, "FGHIJ");
}

TEST_F(CommTransferTest, ReadTimeoutsEndShortKeepingWhatArrived) {
  struct Row {
    const char* what;
    DWORD interval, multiplier, constant;
    DWORD ask;
    const char* waiting;  // what the device sent before the read
    long long minMs, maxMs;
  };
  const Row rows[] = {
      {"total constant", 0, 0, 150, 10, "abc", 150, 1000},
      {"total constant, nothing there", 0, 0, 100, 4, "", 100, 1000},
      {"multiplier per byte asked", 0, 20, 50, 10, "abc", 250, 1100},
      {"interval after the last byte", 60, 0, 0, 10, "abc", 60, 1000},
      {"interval before a long total", 60, 0, 5000, 10, "abc", 60, 1000},
      {"at once, data there", MAXDWORD, 0, 0, 10, "abc", 0, 100},
      {"at once, nothing there", MAXDWORD, 0, 0, 10, "", 0, 100},
      {"first byte, data there", MAXDWORD, MAXDWORD, 2000, 10, "abc", 0, 100},
      {"first byte, nothing comes", MAXDWORD, MAXDWORD, 150, 10, "", 150, 1000},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetTimeouts(row.interval, row.multiplier, row.constant);
    pty_.Send(row.waiting);
    std::this_thread::sleep_for(milliseconds(5));  // let it reach the port's queue
    const auto start = Clock::now();
    Outcome r = Read(port_, row.ask);
    const long long ms = std::chrono::duration_cast<milliseconds>(r.end - start).count();
    EXPECT_TRUE(r.ok) << "error " << r.error;  // running out of time is not a failure
    EXPECT_EQ(r.data, row.waiting);
    EXPECT_GE(ms, row.minMs);
    EXPECT_LT(ms, row.maxMs);
  }
}

TEST_F(CommTransferTest, TheFirstByteEndsAWaitForAnyByte) {
  Open();
  SetTimeouts(MAXDWORD, MAXDWORD, 3000);
  std::thread sender([&] {
    std::this_thread::sleep_for(milliseconds(50));
    pty_.Send("z");
  });
  const auto start = Clock::now();
  Outcome r = Read(port_, 10);
  sender.join();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.data, "z");
  EXPECT_LT(std::chrono::duration_cast<milliseconds>(r.end - start).count(), 2000);
}

TEST_F(CommTransferTest, AWriteThatRunsOutOfTimeEndsShort) {
  Open();
  SetTimeouts(0, 0, 0, 0, 150);
  const std::string big(1 << 18, 'w');  // far more than the terminal buffers; the device reads nothing
  const auto start = Clock::now();
  Outcome w = Write(port_, big);
  const long long ms = std::chrono::duration_cast<milliseconds>(w.end - start).count();
  EXPECT_TRUE(w.ok);
  EXPECT_TRUE(w.pending);
  EXPECT_GT(w.bytes, 0u);
  EXPECT_LT(w.bytes, big.size());
  EXPECT_GE(ms, 150);
  EXPECT_LT(ms, 1500);
}

// A transfer under way on another thread, ended from this one.
class CommInterruptTest : public PortTest {
 protected:
  template <class Start, class Interrupt>
  void Run(Start start, Interrupt interrupt, DWORD expectedError) {
    auto result = std::async(std::launch::async, start);
    ASSERT_EQ(result.wait_for(milliseconds(50)), std::future_status::timeout) << "did not block";
    const auto stop = Clock::now();
    interrupt();
    ASSERT_EQ(result.wait_for(milliseconds(2000)), std::future_status::ready);
    Outcome o = result.get();
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.pending);
    EXPECT_EQ(o.error, expectedError);
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(o.end - stop).count(), 1000);
  }
};

TEST_F(CommInterruptTest, PurgeWithAbortEndsAPendingReadAndOnlyThatRead) {
  Open();
  ASSERT_TRUE(PurgeComm(port_, PURGE_RXABORT));  // nothing under way: no effect on later reads
  pty_.Send("x");
  EXPECT_EQ(Read(port_, 1).data, "x");

  Run([&] { return Read(port_, 10); }, [&] { EXPECT_TRUE(PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR)); },
      ERROR_OPERATION_ABORTED);

  pty_.Send("ok");
  Outcome after = Read(port_, 2);
  EXPECT_TRUE(after.ok);
  EXPECT_EQ(after.data, "ok");
}

TEST_F(CommInterruptTest, PurgeWithAbortEndsABlockedWrite) {
  Open();
  const std::string big(1 << 18, 'w');
  Run([&] { return Write(port_, big); }, [&] { EXPECT_TRUE(PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR)); },
      ERROR_OPERATION_ABORTED);
}

TEST_F(CommInterruptTest, AReceiveAbortLeavesAWriteAlone) {
  Open();
  SetTimeouts(0, 0, 0, 0, 100);
  const std::string big(1 << 18, 'w');
  auto write = std::async(std::launch::async, [&] { return Write(port_, big); });
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_TRUE(PurgeComm(port_, PURGE_RXABORT));
  Outcome w = write.get();
  EXPECT_TRUE(w.ok);  // ended by its time-out, not aborted
}

TEST_F(CommInterruptTest, ClosingTheHandleEndsAPendingReadAndFreesThePort) {
  Open();
  HANDLE h = port_;
  Run([&] { return Read(h, 10); }, [&] { EXPECT_TRUE(CloseHandle(h)); }, ERROR_OPERATION_ABORTED);
  port_ = INVALID_HANDLE_VALUE;
  Open();
}

TEST_F(CommInterruptTest, AHangUpOfTheDeviceIsASystemError) {
  Open();
  Run([&] { return Read(port_, 10); }, [&] { pty_.HangUp(); }, ERROR_DEVICE_NOT_CONNECTED);
  Outcome r = Read(port_, 1);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, ERROR_DEVICE_NOT_CONNECTED);
  Outcome w = Write(port_, "x");
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.error, ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(CommTransferTest, TheResultOfATransferUnderWayIsIncompleteUntilItEnds) {
  Open();
  constexpr ULONG_PTR kStatusPending = 0x103;  // what a record holds once its transfer is issued
  OVERLAPPED ov{};
  ov.Internal = kStatusPending;
  char buf[3];
  std::thread reader([&] { ReadFile(port_, buf, sizeof buf, nullptr, &ov); });
  DWORD n = 0;
  SetLastError(0);
  EXPECT_FALSE(GetOverlappedResult(port_, &ov, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  pty_.Send("123");
  EXPECT_TRUE(GetOverlappedResult(port_, &ov, &n, TRUE));
  EXPECT_EQ(n, 3u);
  reader.join();
  EXPECT_EQ(std::string(buf, 3), "123");
}

// A waiter and the end of the transfer it waits for, racing round after round:
// no wake-up is lost (a lost one would leave the waiter asleep).
TEST_F(CommTransferTest, AWaitForTheResultIsAlwaysWokenByTheTransfersEnd) {
  Open();
  constexpr ULONG_PTR kStatusPending = 0x103;
  for (int round = 0; round < 300; ++round) {
    OVERLAPPED ov{};
    ov.Internal = kStatusPending;
    char c = 0;
    std::thread reader([&] { ReadFile(port_, &c, 1, nullptr, &ov); });
    auto waited = std::async(std::launch::async, [&] {
      DWORD n = 0;
      return GetOverlappedResult(port_, &ov, &n, TRUE) && n == 1;
    });
    pty_.Send(std::string(1, static_cast<char>('a' + round % 26)));
    if (waited.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "round " << round << ": the waiter was never woken";
      std::_Exit(1);  // the waiter cannot be got out of its wait
    }
    EXPECT_TRUE(waited.get());
    reader.join();
    EXPECT_EQ(c, static_cast<char>('a' + round % 26));
  }
}

TEST_F(CommTransferTest, PlainHandlesTransferWithoutARecord) {
  Open();
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(port_, "hello", 5, &n, nullptr));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(pty_.Receive(5, milliseconds(1000)), "hello");
  EXPECT_TRUE(FlushFileBuffers(port_));
  pty_.Send("hi");
  char buf[2];
  EXPECT_TRUE(ReadFile(port_, buf, 2, &n, nullptr));
  EXPECT_EQ(n, 2u);
  // The discarded input is gone; a read that may not wait finds nothing.
  pty_.Send("gone");
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_TRUE(PurgeComm(port_, PURGE_RXCLEAR));
  SetTimeouts(MAXDWORD, 0, 0);
  EXPECT_TRUE(ReadFile(port_, buf, 2, &n, nullptr));
  EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace comm_test
