// WritePacket exchanges of the serial device over a pseudo-terminal: a
// 40-character article packet out, and a peer thread at the other end that
// answers each packet with ACK at once. Reports exchanges per second.
//
// BENCH_EXCHANGES=n runs n exchanges outside the benchmark library and exits
// (a short, fixed run for callgrind).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/com/registry.h"
#include "platform/comm/testing.h"
#include "zelvani/devices/QAVZLVComDevice.h"

namespace {

using namespace zelvani;

constexpr char kEnq = 0x05, kAck = 0x06;
constexpr std::size_t kPacketSize = 40;

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

// The register: ACK for the opening ENQ and for every complete packet.
class AckingPeer {
 public:
  explicit AckingPeer(const comm::testing::PseudoTerminal& pty) : fd_(pty.master()), thread_([this] { Run(); }) {}
  ~AckingPeer() {
    stop_ = true;
    thread_.join();
  }

 private:
  void Run() {
    std::size_t inPacket = 0;
    char buf[256];
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) continue;
      for (ssize_t i = 0; i < n; ++i) {
        if (inPacket == 0 && buf[i] == kEnq) {
          Ack();
        } else if (++inPacket == kPacketSize) {
          inPacket = 0;
          Ack();
        }
      }
    }
  }
  void Ack() {
    const char a = kAck;
    if (write(fd_, &a, 1) != 1) std::perror("peer write");
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Line {
  std::string dir;
  comm::testing::PseudoTerminal pty;

  Line() {
    std::string pattern = (std::filesystem::temp_directory_path() / "comdevice-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    dir = pattern;
    setenv("PLATFORM_REGISTRY", (dir + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    pty.MapTo("COM5");
  }
  ~Line() {
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir);
  }
};

struct Exchange {
  Line line;
  AckingPeer peer{line.pty};
  ComPtr<IQAVZLVProtocol> protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVDevice> device = Create<IQAVZLVDevice>(CLSID_QAVZLVComDevice);
  ComPtr<IQAVZLVPacket> packet;

  Exchange() {
    ComPtr<IQAVZLVPacketLibrary> library;
    protocol->get_PacketLibrary(library.Out());
    VARIANT_BOOL ok = VARIANT_FALSE;
    library->LoadFromFile(B(TEST_DATA_DIR "/register.pkd").Get(), &ok);
    if (!ok) throw std::runtime_error("Cannot load register.pkd");
    protocol->CreatePacket(B("I").Get(), Variant(), 0, packet.Out());
    if (!packet) throw std::runtime_error("No article packet");
    packet->put_FieldValues(Variant::I4(1), Variant::Ansi("COFFEE"));
    device->put_Protocol(protocol.Get());
    device->put_Port(B("COM5").Get());
    device->put_Address(B("Speed=115200;Timeout=2000").Get());
    ok = VARIANT_FALSE;
    device->Connect(&ok);
    if (!ok) throw std::runtime_error("Cannot connect");
  }
  bool Write() {
    LONG r = -1;
    device->WritePacket(packet.Get(), &r);
    return r == qzlvpeOK;
  }
};

void BM_WritePacketExchange(benchmark::State& state) {
  Exchange x;
  for (auto _ : state) {
    if (!x.Write()) {
      state.SkipWithError("WritePacket failed");
      break;
    }
  }
  state.counters["exchanges/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WritePacketExchange)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (const char* n = std::getenv("BENCH_EXCHANGES")) {
    Exchange x;
    const long count = std::atol(n);
    for (long i = 0; i < count; ++i)
      if (!x.Write()) return 1;
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
