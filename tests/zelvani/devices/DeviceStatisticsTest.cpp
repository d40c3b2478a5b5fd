// Device statistics: counters, the average speed over an injected tick clock
// (including the 32-bit wrap and the reset of the time base), and exact counts
// under concurrent increments.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win/clock.h"
#include "zelvani/devices/QAVZLVDeviceStatistics.h"

namespace zelvani {
namespace {

std::atomic<ULONGLONG> g_ticks{0};
ULONGLONG FakeTicks() { return g_ticks.load(); }

class StatisticsTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = win::SetTickSource(&FakeTicks); }
  void TearDown() override { win::SetTickSource(previous_); }

  // A statistics object made through its class factory at tick START.
  static ComPtr<IQAVZLVDeviceStatistics> NewAt(ULONGLONG start, TQAVZLVDeviceStatistics** cls) {
    g_ticks = start;
    auto s = Create<IQAVZLVDeviceStatistics>(CLSID_QAVZLVDeviceStatistics);
    *cls = dynamic_cast<TQAVZLVDeviceStatistics*>(s.Get());
    return s;
  }

  static double Speed(IQAVZLVDeviceStatistics* s) {
    double v = -1;
    EXPECT_EQ(s->get_AverageSpeed(&v), S_OK);
    return v;
  }

 private:
  win::TickSource previous_ = nullptr;
};

struct Counts {
  LONG sent, received, retransmissions;
};

Counts Read(IQAVZLVDeviceStatistics* s) {
  Counts c{-1, -1, -1};
  EXPECT_EQ(s->get_PacketsSent(&c.sent), S_OK);
  EXPECT_EQ(s->get_PacketsReceived(&c.received), S_OK);
  EXPECT_EQ(s->get_Retransmissions(&c.retransmissions), S_OK);
  return c;
}

void Add(TQAVZLVDeviceStatistics& s, int sent, int received, int retransmissions) {
  for (int i = 0; i < sent; ++i) s.IncPacketsSent();
  for (int i = 0; i < received; ++i) s.IncPacketsReceived();
  for (int i = 0; i < retransmissions; ++i) s.IncRetransmissions();
}

TEST_F(StatisticsTest, NewObjectCountsNothing) {
  TQAVZLVDeviceStatistics* cls = nullptr;
  auto s = NewAt(5000, &cls);
  ASSERT_NE(cls, nullptr);
  Counts c = Read(s.Get());
  EXPECT_EQ(c.sent, 0);
  EXPECT_EQ(c.received, 0);
  EXPECT_EQ(c.retransmissions, 0);
  g_ticks = 65000;
  EXPECT_EQ(Speed(s.Get()), 0.0);
}

TEST_F(StatisticsTest, AverageSpeedIsPacketsPerMinuteSinceTheReset) {
  constexpr ULONGLONG kNearWrap = 0xFFFFFFFFull - 9999;  // the tick counter wraps 10 s later
  struct Row {
    const char* name;
    ULONGLONG start;
    int sent, received, retransmissions;
    ULONGLONG elapsed;
    double expected;
  } rows[] = {
      {"three sent two received in 30 s", 1000, 3, 2, 0, 30000, 10.0},
      {"retransmissions do not count", 1000, 1, 0, 7, 60000, 1.0},
      {"idle time counts", 0, 6, 0, 0, 600000, 0.6},
      {"one millisecond", 42, 1, 1, 0, 1, 120000.0},
      {"nothing moved", 1000, 0, 0, 3, 5000, 0.0},
      {"across the 32-bit wrap", kNearWrap, 3, 2, 0, 30000, 10.0},
      {"started after a wrap", 0x100000000ull + 500, 3, 2, 0, 30000, 10.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TQAVZLVDeviceStatistics* cls = nullptr;
    auto s = NewAt(r.start, &cls);
    Add(*cls, r.sent, r.received, r.retransmissions);
    g_ticks = r.start + r.elapsed;
    EXPECT_DOUBLE_EQ(Speed(s.Get()), r.expected);
  }
}

TEST_F(StatisticsTest, ResetZeroesCountersAndRestartsTheTimeBase) {
  TQAVZLVDeviceStatistics* cls = nullptr;
  auto s = NewAt(1000, &cls);
  Add(*cls, 10, 10, 4);
  g_ticks = 61000;
  EXPECT_DOUBLE_EQ(Speed(s.Get()), 20.0);

  g_ticks = 100000;
  ASSERT_EQ(s->ResetStatistics(), S_OK);
  Counts c = Read(s.Get());
  EXPECT_EQ(c.sent, 0);
  EXPECT_EQ(c.received, 0);
  EXPECT_EQ(c.retransmissions, 0);

  Add(*cls, 3, 2, 0);
  g_ticks = 130000;  // 30 s after the reset, not 129 s after creation
  EXPECT_DOUBLE_EQ(Speed(s.Get()), 10.0);
}

TEST_F(StatisticsTest, ElapsedZeroKeepsThePreviousValue) {
  TQAVZLVDeviceStatistics* cls = nullptr;
  auto s = NewAt(7000, &cls);
  Add(*cls, 3, 2, 0);
  EXPECT_EQ(Speed(s.Get()), 0.0);  // same millisecond as the reset: no division
  g_ticks = 37000;
  EXPECT_DOUBLE_EQ(Speed(s.Get()), 10.0);
  g_ticks = 7000;  // the counter came round to the start tick again
  EXPECT_DOUBLE_EQ(Speed(s.Get()), 10.0);
}

TEST_F(StatisticsTest, ConcurrentIncrementsStayExact) {
  TQAVZLVDeviceStatistics* cls = nullptr;
  auto s = NewAt(0, &cls);
  constexpr int kThreads = 4;
  constexpr int kEach = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        cls->IncPacketsSent();
        cls->IncPacketsReceived();
        cls->IncRetransmissions();
      }
    });
  }
  for (int i = 0; i < 200; ++i) {
    g_ticks = 1 + static_cast<ULONGLONG>(i);
    EXPECT_GE(cls->AverageSpeed(), 0.0);
  }
  for (auto& t : threads) t.join();
  Counts c = Read(s.Get());
  EXPECT_EQ(c.sent, kThreads * kEach);
  EXPECT_EQ(c.received, kThreads * kEach);
  EXPECT_EQ(c.retransmissions, kThreads * kEach);
}

}  // namespace
}  // namespace zelvani
