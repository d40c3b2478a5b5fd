// Asynchronous transfers of the serial port component: requests, workers,
// completion delivery, aborts, and the ends of workers on close and destruction.
#include <atomic>
#include <vector>

#include "platform/comm/comm.h"
#include "tests/zelvani/devices/NVRCommFixture.h"

namespace zelvani::nvrcomm_test {
namespace {

using NVRCommAsyncTest = NVRCommTest;

// Runs the own thread's completions until `done` or two seconds have passed.
template <class Pred>
bool PumpUntil(TNVRCommDevice& dev, Pred done) {
  const auto start = Clock::now();
  while (!done()) {
    if (MillisecondsSince(start) > 2000) return false;
    win::App().ProcessMessages();  // the component's window runs them
    dev.ProcessCompletions();
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

TEST_F(NVRCommAsyncTest, TemporaryRequestsCompleteOnTheOwnThreadAndAreFreed) {
  TNVRCommDevice dev;
  Open(dev);
  const DWORD own = GetCurrentThreadId();
  std::vector<std::string> seen;
  dev.OnWriteCompleted = [&](TNVRCommDevice&, TNVRCommOperation& op) {
    EXPECT_EQ(GetCurrentThreadId(), own);
    EXPECT_TRUE(op.Temporary());
    EXPECT_EQ(op.Kind(), kNVRKindStartedWrite);
    seen.push_back("write " + op.WriteData());
  };
  dev.OnReadCompleted = [&](TNVRCommDevice&, TNVRCommOperation& op) {
    EXPECT_EQ(GetCurrentThreadId(), own);
    EXPECT_EQ(op.Kind(), kNVRKindStartedRead);
    seen.push_back("read " + op.ReadData());
  };
  dev.OnCompleted = [&](TNVRCommDevice&, TNVRCommOperation& op) { seen.push_back(op.ErrorType() ? "failed" : "ok"); };

  ASSERT_TRUE(dev.StartWrite("ping"));
  EXPECT_EQ(dev.PendingWrites(), 1);
  EXPECT_EQ(pty_.Receive(4, milliseconds(1000)), "ping");
  ASSERT_TRUE(PumpUntil(dev, [&] { return seen.size() == 2; }));

  {
    // The caller's string is only sized; the bytes come with the completion,
    // so the string may be gone by then.
    std::string data = "x";
    ASSERT_TRUE(dev.StartRead(data, 4, ""));
    EXPECT_EQ(data.size(), 4u);
  }
  pty_.Send("pong");
  ASSERT_TRUE(PumpUntil(dev, [&] { return seen.size() == 4; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"write ping", "ok", "read pong", "ok"}));
  EXPECT_EQ(dev.PendingWrites(), 0);
  EXPECT_EQ(dev.PendingReads(), 0);
  EXPECT_EQ(dev.WorkerCount(), 0u);  // the temporary requests' workers were joined
  EXPECT_EQ(dev.LastErrorType(), cetNone);
}

TEST_F(NVRCommAsyncTest, ACallersRequestCompletesOnItsWorkerOrOnTheOwnThreadBySyncMode) {
  for (TNVRCommThreadSyncMode mode : {ctsmNone, ctsmThread, ctsmVCLThread}) {
    SCOPED_TRACE(int(mode));
    TNVRCommDevice dev;
    Open(dev);
    dev.SetSyncMode(mode);
    TNVRCommOperation op(&dev);
    op.SetKind(kNVRKindStartedRead);
    std::atomic<DWORD> completedOn{0};
    dev.OnReadCompleted = [&](TNVRCommDevice&, TNVRCommOperation& o) {
      EXPECT_EQ(&o, &op);
      completedOn = GetCurrentThreadId();
    };
    std::string data;
    ASSERT_TRUE(dev.StartRead(data, 3, "", &op));
    EXPECT_FALSE(dev.StartRead(data, 3, "", &op));  // one transfer per request
    pty_.Send("xyz");
    ASSERT_TRUE(PumpUntil(dev, [&] { return op.Done(); }));
    EXPECT_EQ(op.ReadData(), "xyz");
    EXPECT_EQ(op.ErrorType(), cetNone);
    EXPECT_EQ(completedOn == GetCurrentThreadId(), mode == ctsmVCLThread);
    EXPECT_EQ(dev.WorkerCount(), 1u);  // kept for the next transfer
    EXPECT_EQ(dev.PendingReads(), 0);
  }
}

TEST_F(NVRCommAsyncTest, APurgeFromAnotherThreadAbortsAPendingRead) {
  TNVRCommDevice dev;
  dev.SetPortName("COM7");
  dev.SetActive(true);  // no time-outs: only a purge ends the read
  TNVRCommOperation op(&dev);
  op.SetKind(kNVRKindStartedRead);
  std::string data;
  ASSERT_TRUE(dev.StartRead(data, 10, "", &op));
  std::thread purger([&] {
    std::this_thread::sleep_for(milliseconds(50));
    PurgeComm(dev.PortHandle(), PURGE_RXABORT);
  });
  EXPECT_TRUE(op.WaitDone(std::chrono::seconds(3)));
  purger.join();
  EXPECT_EQ(op.ErrorType(), cetUserBreak);
  EXPECT_EQ(op.ErrorCode(), int(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(dev.LastErrorType(), cetUserBreak);
}

// A transfer started right after the previous one completed, while the worker
// has yet to suspend, is still picked up.
TEST_F(NVRCommAsyncTest, BackToBackTransfersAreNeverLost) {
  TNVRCommDevice dev;
  Open(dev);
  TNVRCommOperation op(&dev);
  op.SetKind(kNVRKindStartedWrite);
  std::atomic<bool> stop{false};
  std::thread drain([&] {
    while (!stop) pty_.Receive(4096, milliseconds(10));
  });
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(dev.StartWrite("w", &op)) << i;
    ASSERT_TRUE(op.WaitDone(std::chrono::seconds(2))) << "transfer " << i << " never picked up";
    ASSERT_EQ(op.ErrorType(), cetNone);
  }
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(dev.WriteString("s")) << i;
  stop = true;
  drain.join();
  EXPECT_EQ(dev.PendingWrites(), 0);
}

TEST_F(NVRCommAsyncTest, ClosingAbortsPendingTransfersAndJoinsTheirWorkers) {
  TNVRCommDevice dev;
  dev.SetPortName("COM7");
  dev.SetActive(true);  // no time-outs
  TNVRCommOperation op(&dev);
  op.SetKind(kNVRKindStartedRead);
  std::vector<TNVRCommErrorType> results;
  dev.OnReadCompleted = [&](TNVRCommDevice&, TNVRCommOperation& o) { results.push_back(o.ErrorType()); };
  std::string a, b;
  ASSERT_TRUE(dev.StartRead(a, 10, "", &op));
  ASSERT_TRUE(dev.StartRead(b, 10, ""));  // temporary
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(dev.WorkerCount(), 2u);

  const auto start = Clock::now();
  dev.SetActive(false);
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_TRUE(op.Done());
  EXPECT_EQ(op.ErrorType(), cetUserBreak);
  EXPECT_FALSE(op.HasWorker());
  EXPECT_EQ(dev.WorkerCount(), 0u);
  EXPECT_EQ(dev.PendingReads(), 0);
  EXPECT_EQ(results, (std::vector<TNVRCommErrorType>{cetUserBreak, cetUserBreak}));

  // The request gets a new worker when used again.
  dev.SetActive(true);
  ASSERT_TRUE(dev.StartRead(a, 2, "", &op));
  pty_.Send("ok");
  ASSERT_TRUE(op.WaitDone(std::chrono::seconds(2)));
  EXPECT_EQ(op.ReadData(), "ok");
}

TEST_F(NVRCommAsyncTest, DestroyingTheComponentEndsEveryWorkerEvenWithTransfersPending) {
  auto op = std::make_unique<TNVRCommOperation>(nullptr);
  {
    auto dev = std::make_unique<TNVRCommDevice>();
    dev->SetPortName("COM7");
    dev->SetActive(true);  // no time-outs
    op = std::make_unique<TNVRCommOperation>(dev.get());
    op->SetKind(kNVRKindStartedWrite);
    int events = 0;
    dev->OnCompleted = [&](TNVRCommDevice&, TNVRCommOperation&) { ++events; };
    std::string data;
    ASSERT_TRUE(dev->StartWrite(std::string(1 << 20, 'd'), op.get()));  // the line is not read
    ASSERT_TRUE(dev->StartRead(data, 10, ""));
    std::this_thread::sleep_for(milliseconds(30));
    const auto start = Clock::now();
    dev.reset();
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(events, 0);  // no events from a component being destroyed
  }
  EXPECT_TRUE(op->Done());
  EXPECT_FALSE(op->HasWorker());
  EXPECT_EQ(op->OwnerDevice(), nullptr);
  op.reset();  // after the component: nothing left to touch

  // An idle component ends its own worker at once.
  const auto start = Clock::now();
  { TNVRCommDevice idle; }
  EXPECT_LT(MillisecondsSince(start), 500);
}

TEST_F(NVRCommAsyncTest, DestroyingAPendingRequestAbortsItsTransfer) {
  TNVRCommDevice dev;
  dev.SetPortName("COM7");
  dev.SetActive(true);
  int completions = 0;
  dev.OnReadCompleted = [&](TNVRCommDevice&, TNVRCommOperation& op) {
    ++completions;
    EXPECT_EQ(op.ErrorType(), cetUserBreak);
  };
  {
    TNVRCommOperation op(&dev);
    op.SetKind(kNVRKindStartedRead);
    std::string data;
    ASSERT_TRUE(dev.StartRead(data, 10, "", &op));
    std::this_thread::sleep_for(milliseconds(20));
  }
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(dev.WorkerCount(), 0u);
  EXPECT_EQ(dev.PendingReads(), 0);
  // The port is still usable.
  dev.OnReadCompleted = nullptr;
  dev.SetRdTimeout(500);
  dev.SetUseRdTimeouts(true);
  pty_.Send("fine");
  std::string data;
  EXPECT_TRUE(dev.ReadString(data, 4, ""));
}

}  // namespace
}  // namespace zelvani::nvrcomm_test
