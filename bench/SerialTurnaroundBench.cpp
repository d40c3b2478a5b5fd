// Turnaround of the serial port component: a 64-byte WriteString and then the
// ReadString of the reply, over a pseudo-terminal pair whose other end echoes
// every byte back from a thread of its own. Reports the median and the 99th
// percentile of one turnaround in microseconds.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/registry.h"
#include "platform/comm/testing.h"
#include "zelvani/devices/NVRCommDevice.h"

namespace {

using Clock = std::chrono::steady_clock;

// A registry of its own with COM7 mapped to a pseudo-terminal whose master
// echoes what it receives.
class EchoLine {
 public:
  EchoLine() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nvrcomm-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary directory");
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    pty_.MapTo("COM7");
    echo_ = std::thread([this] { Echo(); });
  }
  ~EchoLine() {
    stop_ = true;
    echo_.join();
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }

 private:
  void Echo() {
    char buf[4096];
    while (!stop_) {
      pollfd p{pty_.master(), POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::read(pty_.master(), buf, sizeof buf);
      if (n > 0) pty_.Send(std::string_view(buf, static_cast<size_t>(n)));
    }
  }

  std::string dir_;
  comm::testing::PseudoTerminal pty_;
  std::atomic<bool> stop_{false};
  std::thread echo_;
};

void Turnaround(benchmark::State& state, const std::string& terminator) {
  EchoLine line;
  zelvani::TNVRCommDevice dev;
  dev.SetPortName("COM7");
  dev.SetDCBFlags(zelvani::DCBFlagBit(zelvani::dcbBinary));
  dev.SetRdTimeout(2000);
  dev.SetWrTimeout(2000);
  dev.SetUseRdTimeouts(true);
  dev.SetUseWrTimeouts(true);
  dev.SetActive(true);

  std::string message(63, 'm');
  message += terminator.empty() ? "!" : terminator;
  std::string reply;
  std::vector<double> micros;
  micros.reserve(100000);
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!dev.WriteString(message) || !dev.ReadString(reply, 64, terminator) || reply != message) {
      state.SkipWithError("turnaround failed");
      break;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<size_t>(q * static_cast<double>(micros.size() - 1))]; };
  state.counters["median_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = micros.back();
}

void BM_Turnaround64(benchmark::State& state) { Turnaround(state, ""); }
void BM_Turnaround64Terminated(benchmark::State& state) { Turnaround(state, "\r"); }

}  // namespace

BENCHMARK(BM_Turnaround64)->Unit(benchmark::kMicrosecond)->Iterations(20000);
BENCHMARK(BM_Turnaround64Terminated)->Unit(benchmark::kMicrosecond)->Iterations(5000);

BENCHMARK_MAIN();
