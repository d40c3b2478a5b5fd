// Sixteen ports driven at once from one process, each by a calling thread of its
// own against a peer thread at the other end of its pseudo-terminal: every
// message must reach its peer and come back whole, once and in order, whatever
// the other ports are doing meanwhile.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/registry.h"
#include "platform/comm/testing.h"
#include "platform/win/win.h"
#include "zelvani/devices/NVRCommDevice.h"

namespace zelvani {
namespace {

constexpr int kPorts = 16;
constexpr int kExchanges = 1000;
constexpr int kFirstCom = 20;
constexpr char kEnd = '\r';

// The message of exchange `seq` on port `port`: its numbers, then bytes of
// every value but the end mark in an order that moves with the number, so a
// lost, doubled or swapped byte shows.
std::string Message(int port, int seq) {
  std::string m = std::to_string(port) + ":" + std::to_string(seq) + ":";
  for (int k = 0; k < 24; ++k) {
    char c = static_cast<char>((seq * 7 + port * 13 + k * 11) & 0xFF);
    m.push_back(c == kEnd ? '.' : c);
  }
  m.push_back(kEnd);
  return m;
}

// Thread-safe list of what went wrong on any thread.
class Faults {
 public:
  void Add(std::string what) {
    std::lock_guard lock(mu_);
    if (list_.size() < 20) list_.push_back(std::move(what));
  }
  std::vector<std::string> List() {
    std::lock_guard lock(mu_);
    return list_;
  }

 private:
  std::mutex mu_;
  std::vector<std::string> list_;
};

// The other end of one line: checks that the messages come in order and sends
// each one back as it came.
class EchoPeer {
 public:
  EchoPeer(const comm::testing::PseudoTerminal& pty, int port, Faults& faults)
      : pty_(pty), port_(port), faults_(faults), thread_([this] { Run(); }) {}
  ~EchoPeer() {
    stop_ = true;
    thread_.join();
  }
  int Received() const { return next_.load(); }

 private:
  void Run() {
    std::string pending;
    char buf[256];
    while (!stop_) {
      pollfd p{pty_.master(), POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = read(pty_.master(), buf, sizeof buf);
      if (n <= 0) continue;
      pending.append(buf, static_cast<std::size_t>(n));
      std::size_t end;
      while ((end = pending.find(kEnd)) != std::string::npos) {
        const std::string message = pending.substr(0, end + 1);
        pending.erase(0, end + 1);
        const int seq = next_.load();
        if (message != Message(port_, seq))
          faults_.Add("port " + std::to_string(port_) + ": the peer expected message " + std::to_string(seq) +
                      " and got " + std::to_string(message.size()) + " other bytes");
        next_.store(seq + 1);
        pty_.Send(message);
      }
    }
  }

  const comm::testing::PseudoTerminal& pty_;
  const int port_;
  Faults& faults_;
  std::atomic<int> next_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class ManyPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "many-ports-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    win::ResetAsyncKeyStates();
    for (int i = 0; i < kPorts; ++i) {
      lines_.push_back(std::make_unique<comm::testing::PseudoTerminal>());
      lines_.back()->MapTo("COM" + std::to_string(kFirstCom + i));
    }
  }
  void TearDown() override {
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }

  std::string dir_;
  std::vector<std::unique_ptr<comm::testing::PseudoTerminal>> lines_;
};

// One port's calling thread. Reads alternate between the exact count and the
// end mark (one byte per call); every tenth exchange goes through a started
// transfer of the caller's own request, whose worker runs beside the other
// ports' calling threads.
void DrivePort(int port, Faults& faults) {
  const std::string name = "port " + std::to_string(port);
  TNVRCommDevice dev;
  dev.SetPortName("COM" + std::to_string(kFirstCom + port));
  dev.SetDCBFlags(DCBFlagBit(dcbBinary));  // no XON/XOFF: every byte value is data
  dev.SetRdTimeout(5000);
  dev.SetWrTimeout(5000);
  dev.SetUseRdTimeouts(true);
  dev.SetUseWrTimeouts(true);
  dev.SetActive(true);
  if (!dev.Active()) {
    faults.Add(name + ": not open");
    return;
  }
  TNVRCommOperation request(&dev);
  for (int seq = 0; seq < kExchanges; ++seq) {
    const std::string message = Message(port, seq);
    std::string reply;
    bool ok;
    if (seq % 10 == 9) {
      std::string unused;
      request.SetKind(kNVRKindStartedWrite);
      ok = dev.StartWrite(message, &request) && request.WaitDone(std::chrono::seconds(5)) &&
           request.ErrorType() == cetNone;
      request.SetKind(kNVRKindStartedRead);
      ok = ok && dev.StartRead(unused, 64, std::string(1, kEnd), &request) &&
           request.WaitDone(std::chrono::seconds(5)) && request.ErrorType() == cetNone;
      reply = request.ReadData();
    } else if (seq % 2 == 0) {
      ok = dev.WriteString(message) && dev.ReadString(reply, 64, std::string(1, kEnd));
    } else {
      ok = dev.WriteString(message) && dev.ReadString(reply, static_cast<int>(message.size()), "");
    }
    if (!ok || reply != message) {
      faults.Add(name + ", exchange " + std::to_string(seq) + ": " + (ok ? "a different reply" : "failed") +
                 ", error class " + std::to_string(dev.LastErrorType()));
      return;
    }
  }
}

TEST_F(ManyPortsTest, EveryMessageOfSixteenPortsAtOnceArrivesWholeOnceAndInOrderBothWays) {
  Faults faults;
  std::vector<std::unique_ptr<EchoPeer>> peers;
  for (int i = 0; i < kPorts; ++i) peers.push_back(std::make_unique<EchoPeer>(*lines_[i], i, faults));
  std::vector<std::thread> callers;
  for (int i = 0; i < kPorts; ++i) callers.emplace_back(DrivePort, i, std::ref(faults));
  for (auto& t : callers) t.join();
  for (int i = 0; i < kPorts; ++i) EXPECT_EQ(peers[i]->Received(), kExchanges) << "port " << i;
  peers.clear();
  EXPECT_EQ(faults.List(), std::vector<std::string>{});
}

}  // namespace
}  // namespace zelvani
