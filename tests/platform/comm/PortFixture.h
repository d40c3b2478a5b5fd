// A serial port on a pseudo-terminal: the slave is mapped to COM7 in a registry of
// the test's own, the test holds the master as the device at the other end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/com/registry.h"
#include "platform/comm/comm.h"
#include "platform/comm/testing.h"

namespace comm_test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

class PortTest : public ::testing::Test {
 protected:
  static constexpr const char* kPort = "\\\\.\\COM7";

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "comm-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    pty_.MapTo("COM7");
  }

  void TearDown() override {
    if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }

  static HANDLE OpenPort(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
  }

  // Opens COM7 into port_.
  void Open() {
    port_ = OpenPort(kPort);
    ASSERT_NE(port_, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  }

  void SetTimeouts(DWORD interval, DWORD multiplier, DWORD constant, DWORD writeMultiplier = 0,
                   DWORD writeConstant = 0) {
    COMMTIMEOUTS t{interval, multiplier, constant, writeMultiplier, writeConstant};
    ASSERT_TRUE(SetCommTimeouts(port_, &t));
  }

  std::string dir_;
  comm::testing::PseudoTerminal pty_;
  HANDLE port_ = INVALID_HANDLE_VALUE;
};

}  // namespace comm_test
