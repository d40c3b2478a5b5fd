// The serial port component over a pseudo-terminal: the slave is COM7 in a
// registry of the test's own, the test holds the master as the other end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/com/registry.h"
#include "platform/comm/testing.h"
#include "platform/win/win.h"
#include "zelvani/devices/NVRCommDevice.h"

namespace zelvani::nvrcomm_test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// Sends `data` from the other end after `delay`, on a thread of its own.
class DelayedSend {
 public:
  DelayedSend(const comm::testing::PseudoTerminal& pty, std::string data, milliseconds delay)
      : thread_([&pty, data = std::move(data), delay] {
          std::this_thread::sleep_for(delay);
          pty.Send(data);
        }) {}
  ~DelayedSend() { thread_.join(); }

 private:
  std::thread thread_;
};

class NVRCommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "nvrcomm-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    pty_.MapTo("COM7");
    win::ResetAsyncKeyStates();
    win::App().SetActive(true);
  }

  void TearDown() override {
    win::ResetAsyncKeyStates();
    win::App().SetActive(true);
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }

  // COM7 open with read and write time-outs of `timeoutMs`.
  void Open(TNVRCommDevice& dev, int timeoutMs = 2000) {
    dev.SetPortName("COM7");
    dev.SetRdTimeout(timeoutMs);
    dev.SetWrTimeout(timeoutMs);
    dev.SetUseRdTimeouts(true);
    dev.SetUseWrTimeouts(true);
    dev.SetActive(true);
    ASSERT_TRUE(dev.Active());
  }

  std::string dir_;
  comm::testing::PseudoTerminal pty_;
};

}  // namespace zelvani::nvrcomm_test
