// The batch driver over a pseudo-terminal: an input file of article lines sent
// by one Execute to a register at the other end that answers every packet at
// once. Reports lines per second and sets the time the driver takes per line
// against the time the same bytes would take on a 115200 Bd line.
//
// BENCH_LINES=n sets the number of lines (10000 by default).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/com/registry.h"
#include "platform/comm/testing.h"
#include "zelvani/devices/QAVZLVFileDriver.h"

namespace {

using namespace zelvani;

constexpr char kEot = 0x04, kEnq = 0x05, kAck = 0x06, kEtx = 0x03;
constexpr int kChecksumDigits = 4;
constexpr double kBitsPerByte = 10;  // start, 8 data, stop
constexpr double kBaud = 115200;

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

// The register: ACK for ENQ, for EOT and for every packet once the four
// checksum digits after its end mark have arrived. Counts the bytes both ways.
class AckingRegister {
 public:
  explicit AckingRegister(const comm::testing::PseudoTerminal& pty) : fd_(pty.master()), thread_([this] { Run(); }) {}
  ~AckingRegister() {
    stop_ = true;
    thread_.join();
  }
  std::size_t Bytes() const { return bytes_; }

 private:
  void Run() {
    int afterEnd = -1;  // checksum digits still to come, -1 outside a packet's tail
    char buf[512];
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) continue;
      bytes_ += static_cast<std::size_t>(n);
      for (ssize_t i = 0; i < n; ++i) {
        const char c = buf[i];
        if (afterEnd > 0) {
          if (--afterEnd == 0) {
            afterEnd = -1;
            Ack();
          }
        } else if (c == kEtx) {
          afterEnd = kChecksumDigits;
        } else if (c == kEnq || c == kEot) {
          Ack();
        }
      }
    }
  }
  void Ack() {
    const char a = kAck;
    if (write(fd_, &a, 1) != 1) std::perror("register write");
    ++bytes_;
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> bytes_{0};
  std::thread thread_;
};

struct Batch {
  std::string dir;
  comm::testing::PseudoTerminal pty;
  std::unique_ptr<AckingRegister> reg;
  ComPtr<IQAVZLVFileDriver> driver = Create<IQAVZLVFileDriver>(CLSID_QAVZLVFileDriver);

  explicit Batch(long lines) {
    std::string pattern = (std::filesystem::temp_directory_path() / "filedriver-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    dir = pattern;
    setenv("PLATFORM_REGISTRY", (dir + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    pty.MapTo("COM5");
    reg = std::make_unique<AckingRegister>(pty);
    std::ofstream in(dir + "/data_in.txt", std::ios::binary);
    for (long i = 0; i < lines; ++i) in << "D;I;ARTICLE " << i % 1000 << ";" << 100 + i % 9000 << ";A;" << i % 100 << ";\r\n";
    in.close();
    driver->put_PacketDefFile(B(TEST_DATA_DIR "/register.pkd").Get());
    driver->put_DataPath(B(dir).Get());
    driver->put_PortName(B("COM5").Get());
    driver->put_PortParams(B("Speed=115200;Parity=N;DataBits=8;StopBits=1;Timeout=2000").Get());
  }
  ~Batch() {
    driver = nullptr;
    reg.reset();
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir);
  }
  LONG Execute() {
    LONG r = -1;
    driver->Execute(&r);
    return r;
  }
};

long Lines() {
  const char* n = std::getenv("BENCH_LINES");
  return n ? std::max(1L, std::atol(n)) : 10000;
}

void BM_BatchOfArticleLines(benchmark::State& state) {
  const long lines = Lines();
  double seconds = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    Batch batch(lines);
    const auto start = std::chrono::steady_clock::now();
    const LONG r = batch.Execute();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r != qzlvpeOK) {
      state.SkipWithError(("Execute gave " + std::to_string(r)).c_str());
      break;
    }
    bytes += batch.reg->Bytes();
  }
  const double runs = static_cast<double>(state.iterations());
  if (runs == 0 || seconds == 0) return;
  const double wire = static_cast<double>(bytes) * kBitsPerByte / kBaud;
  state.counters["lines/s"] = lines * runs / seconds;
  state.counters["driver_us/line"] = seconds * 1e6 / (lines * runs);
  state.counters["wire_us/line"] = wire * 1e6 / (lines * runs);
  // Above 1 the driver is slower than the line it drives would be.
  state.counters["driver/wire"] = seconds / wire;
}
BENCHMARK(BM_BatchOfArticleLines)->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
