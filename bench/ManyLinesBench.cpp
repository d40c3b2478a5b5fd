// Many lines at once in one process, side by side with libmodbus.
//
// For 1, 4, 16 and 32 ports: every port has a pseudo-terminal of its own, a
// responder thread at the master side and a calling thread. The engine's side
// writes a 40-character article packet with the serial device's WritePacket and
// the responder ACKs it; libmodbus's side writes 16 holding registers per
// exchange in RTU mode and the responder answers as a Modbus slave. Both run in
// the same binary and the same run, and for each count print the exchanges per
// second of all ports together, the processor time of the whole process per
// 1,000 exchanges (getrusage, responders included on both sides) and the median
// and 99th percentile of one exchange.
//
// On a shared machine the load changes from one second to the next, so each
// count runs in rounds that alternate the two sides (which side goes first
// changes every round), and each side's round with the median rate is reported
// (BENCH_ROUNDS, default 3).
//
// BENCH_SECONDS=s sets the measured time of one round of one side (default 1);
// BENCH_PORTS=n runs that one count only, BENCH_SIDE=engine or modbus one side
// only (for profiling one of them).
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/registry.h"
#include "platform/comm/testing.h"
#include "zelvani/devices/QAVZLVComDevice.h"

// Last: it defines TRUE and FALSE as macros, which the platform headers define
// as constants.
#include <modbus.h>

namespace {

using namespace zelvani;
using Clock = std::chrono::steady_clock;

constexpr char kEnq = 0x05, kAck = 0x06;
constexpr std::size_t kPacketSize = 40;  // the article packet of register.pkd on the line
constexpr int kRegisters = 16;
constexpr std::size_t kModbusRequest = 9 + 2 * kRegisters;  // slave, 0x10, address, count, bytes, data, CRC
constexpr int kFirstCom = 10;

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

double Ms(const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + t.tv_usec / 1000.0; }

// Processor time of the whole process so far, and the part of it in the kernel.
double CpuMs(double* kernelMs = nullptr) {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  if (kernelMs) *kernelMs = Ms(u.ru_stime);
  return Ms(u.ru_utime) + Ms(u.ru_stime);
}

// The other end of one line: reads what the caller sends and answers each
// complete request at once. `answer` gets the bytes read so far and returns
// how many of them it consumed (0: wait for more).
class Responder {
 public:
  using Answer = std::function<std::size_t(const std::string& in, std::string& out)>;
  Responder(int fd, Answer answer) : fd_(fd), answer_(std::move(answer)), thread_([this] { Run(); }) {}
  ~Responder() {
    stop_ = true;
    thread_.join();
  }

 private:
  void Run() {
    std::string in, out;
    char buf[512];
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) continue;
      in.append(buf, static_cast<std::size_t>(n));
      for (;;) {
        out.clear();
        const std::size_t used = answer_(in, out);
        if (used == 0) break;
        in.erase(0, used);
        if (!out.empty() && write(fd_, out.data(), out.size()) != static_cast<ssize_t>(out.size()))
          std::perror("responder write");
      }
    }
  }

  int fd_;
  Answer answer_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// ACK for the opening ENQ and for every complete packet.
std::size_t AckPackets(const std::string& in, std::string& out) {
  if (in.empty()) return 0;
  if (in[0] == kEnq) {
    out = std::string(1, kAck);
    return 1;
  }
  if (in.size() < kPacketSize) return 0;
  out = std::string(1, kAck);
  return kPacketSize;
}

std::uint16_t Crc16(const std::uint8_t* p, std::size_t n) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

// A Modbus RTU slave that accepts "write multiple registers" requests.
std::size_t ModbusSlave(const std::string& in, std::string& out) {
  if (in.size() < kModbusRequest) return 0;
  const auto* p = reinterpret_cast<const std::uint8_t*>(in.data());
  const std::uint16_t crc = Crc16(p, kModbusRequest - 2);
  if (p[1] != 0x10 || p[kModbusRequest - 2] != (crc & 0xFF) || p[kModbusRequest - 1] != (crc >> 8)) {
    std::fprintf(stderr, "modbus slave: bad request\n");
    return in.size();  // dropped: the master times out
  }
  std::uint8_t reply[8] = {p[0], 0x10, p[2], p[3], p[4], p[5], 0, 0};
  const std::uint16_t rc = Crc16(reply, 6);
  reply[6] = static_cast<std::uint8_t>(rc & 0xFF);
  reply[7] = static_cast<std::uint8_t>(rc >> 8);
  out.assign(reinterpret_cast<const char*>(reply), sizeof reply);
  return kModbusRequest;
}

// One calling thread's exchange: set up on that thread, then run until told.
class Caller {
 public:
  virtual ~Caller() = default;
  virtual bool Exchange() = 0;
};

class EngineCaller : public Caller {
 public:
  explicit EngineCaller(const std::string& port) {
    ComPtr<IQAVZLVPacketLibrary> library;
    protocol_->get_PacketLibrary(library.Out());
    VARIANT_BOOL ok = VARIANT_FALSE;
    library->LoadFromFile(B(TEST_DATA_DIR "/register.pkd").Get(), &ok);
    if (!ok) throw std::runtime_error("Cannot load register.pkd");
    protocol_->CreatePacket(B("I").Get(), Variant(), 0, packet_.Out());
    if (!packet_) throw std::runtime_error("No article packet");
    packet_->put_FieldValues(Variant::I4(1), Variant::Ansi("COFFEE"));
    device_->put_Protocol(protocol_.Get());
    device_->put_Port(B(port).Get());
    device_->put_Address(B("Speed=115200;Timeout=2000").Get());
    ok = VARIANT_FALSE;
    device_->Connect(&ok);
    if (!ok) throw std::runtime_error("Cannot connect " + port);
  }
  bool Exchange() override {
    LONG r = -1;
    device_->WritePacket(packet_.Get(), &r);
    return r == qzlvpeOK;
  }

 private:
  ComPtr<IQAVZLVProtocol> protocol_ = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVDevice> device_ = Create<IQAVZLVDevice>(CLSID_QAVZLVComDevice);
  ComPtr<IQAVZLVPacket> packet_;
};

class ModbusCaller : public Caller {
 public:
  explicit ModbusCaller(const std::string& path) : ctx_(modbus_new_rtu(path.c_str(), 115200, 'N', 8, 1)) {
    if (!ctx_ || modbus_set_slave(ctx_, 1) != 0 || modbus_connect(ctx_) != 0)
      throw std::runtime_error("libmodbus cannot open " + path);
    modbus_set_response_timeout(ctx_, 2, 0);
    for (int i = 0; i < kRegisters; ++i) registers_[i] = static_cast<std::uint16_t>(0x1000 + i);
  }
  ~ModbusCaller() override {
    if (!ctx_) return;
    modbus_close(ctx_);
    modbus_free(ctx_);
  }
  bool Exchange() override { return modbus_write_registers(ctx_, 0, kRegisters, registers_) == kRegisters; }

 private:
  modbus_t* ctx_;
  std::uint16_t registers_[kRegisters];
};

struct Figures {
  double perSecond = 0;
  double cpuPer1000 = 0;
  double kernelPer1000 = 0;  // the kernel's part of it
  double medianUs = 0;
  double p99Us = 0;
  long failures = 0;
};

// Runs `ports` calling threads, each with the caller `make` builds on it, for
// `seconds`; the clock and the processor time run only while all exchange.
Figures Run(int ports, double seconds, const std::function<std::unique_ptr<Caller>(int)>& make) {
  std::mutex mu;
  std::condition_variable cv;
  int ready = 0, finished = 0;
  bool go = false, setupFailed = false;
  std::atomic<bool> stop{false};
  std::atomic<long> exchanges{0}, failures{0};
  std::vector<std::vector<double>> micros(static_cast<std::size_t>(ports));
  std::vector<std::thread> threads;
  for (int i = 0; i < ports; ++i) {
    threads.emplace_back([&, i] {
      std::unique_ptr<Caller> caller;
      try {
        caller = make(i);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
      }
      {
        std::unique_lock lock(mu);
        if (!caller) setupFailed = true;
        ++ready;
        cv.notify_all();
        cv.wait(lock, [&] { return go; });
      }
      auto& mine = micros[static_cast<std::size_t>(i)];
      mine.reserve(200000);
      long done = 0;
      while (caller && !stop.load(std::memory_order_relaxed)) {
        const auto start = Clock::now();
        if (!caller->Exchange()) {
          failures.fetch_add(1);
          continue;
        }
        mine.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        ++done;
      }
      exchanges.fetch_add(done);
      {
        std::lock_guard lock(mu);
        ++finished;
        cv.notify_all();
      }
      std::unique_lock lock(mu);
      cv.wait(lock, [&] { return finished < 0; });  // torn down after the measurement
      caller.reset();
    });
  }
  Figures f;
  double cpu0 = 0, cpu1 = 0, kernel0 = 0, kernel1 = 0;
  Clock::time_point t0, t1;
  {
    std::unique_lock lock(mu);
    cv.wait(lock, [&] { return ready == ports; });
    cpu0 = CpuMs(&kernel0);
    t0 = Clock::now();
    go = true;
    cv.notify_all();
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  stop = true;
  {
    std::unique_lock lock(mu);
    cv.wait(lock, [&] { return finished == ports; });
    t1 = Clock::now();
    cpu1 = CpuMs(&kernel1);
    finished = -1;
    cv.notify_all();
  }
  for (auto& t : threads) t.join();
  if (setupFailed) throw std::runtime_error("set-up failed");

  const double wall = std::chrono::duration<double>(t1 - t0).count();
  const long n = exchanges.load();
  f.perSecond = static_cast<double>(n) / wall;
  f.cpuPer1000 = n ? (cpu1 - cpu0) / (static_cast<double>(n) / 1000.0) : 0;
  f.kernelPer1000 = n ? (kernel1 - kernel0) / (static_cast<double>(n) / 1000.0) : 0;
  f.failures = failures.load();
  std::vector<double> all;
  for (auto& m : micros) all.insert(all.end(), m.begin(), m.end());
  if (!all.empty()) {
    std::sort(all.begin(), all.end());
    auto at = [&](double q) { return all[static_cast<std::size_t>(q * static_cast<double>(all.size() - 1))]; };
    f.medianUs = at(0.50);
    f.p99Us = at(0.99);
  }
  return f;
}

// The round with the median rate; its failures are those of all rounds.
Figures MedianRound(std::vector<Figures> rounds) {
  if (rounds.empty()) return {};
  long failures = 0;
  for (const Figures& f : rounds) failures += f.failures;
  std::sort(rounds.begin(), rounds.end(), [](const Figures& a, const Figures& b) { return a.perSecond < b.perSecond; });
  Figures median = rounds[rounds.size() / 2];
  median.failures = failures;
  return median;
}

// A registry of the run's own, removed at the end.
class TemporaryRegistry {
 public:
  TemporaryRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "many-lines-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary directory");
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
  }
  ~TemporaryRegistry() {
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }

 private:
  std::string dir_;
};

}  // namespace

int main() {
  double seconds = 1.0;
  int rounds = 3;
  if (const char* s = std::getenv("BENCH_ROUNDS")) rounds = std::max(1, std::atoi(s));
  if (const char* s = std::getenv("BENCH_SECONDS")) seconds = std::max(0.2, std::atof(s));
  std::vector<int> counts = {1, 4, 16, 32};
  if (const char* s = std::getenv("BENCH_PORTS")) counts = {std::max(1, std::min(80, std::atoi(s)))};
  const std::string side = std::getenv("BENCH_SIDE") ? std::getenv("BENCH_SIDE") : "";
  try {
    TemporaryRegistry registry;
    std::printf("%5s | %12s %12s | %10s %10s | %18s %18s | %s\n", "ports", "engine ex/s", "modbus ex/s",
                "engine CPU", "modbus CPU", "engine med/p99 us", "modbus med/p99 us", "failures");
    std::printf("%5s | %12s %12s | %10s %10s | %18s %18s |\n", "", "", "", "ms/1000", "ms/1000", "", "");
    for (int ports : counts) {
      std::vector<std::unique_ptr<comm::testing::PseudoTerminal>> engineLines, modbusLines;
      std::vector<std::unique_ptr<Responder>> responders;
      for (int i = 0; i < ports; ++i) {
        engineLines.push_back(std::make_unique<comm::testing::PseudoTerminal>());
        engineLines.back()->MapTo("COM" + std::to_string(kFirstCom + i));
        responders.push_back(std::make_unique<Responder>(engineLines.back()->master(), AckPackets));
        modbusLines.push_back(std::make_unique<comm::testing::PseudoTerminal>());
        responders.push_back(std::make_unique<Responder>(modbusLines.back()->master(), ModbusSlave));
      }
      std::vector<Figures> engineRounds, modbusRounds;
      auto engineRound = [&] {
        if (side == "modbus") return;
        engineRounds.push_back(Run(ports, seconds, [](int i) -> std::unique_ptr<Caller> {
          return std::make_unique<EngineCaller>("COM" + std::to_string(kFirstCom + i));
        }));
      };
      auto modbusRound = [&] {
        if (side == "engine") return;
        modbusRounds.push_back(Run(ports, seconds, [&](int i) -> std::unique_ptr<Caller> {
          return std::make_unique<ModbusCaller>(modbusLines[static_cast<std::size_t>(i)]->slavePath());
        }));
      };
      // The side that goes first changes from round to round, so that a machine
      // getting busier or quieter during the run favours neither.
      for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
          engineRound();
          modbusRound();
        } else {
          modbusRound();
          engineRound();
        }
      }
      const Figures engine = MedianRound(engineRounds);
      const Figures modbus = MedianRound(modbusRounds);
      std::printf("%5d | %12.0f %12.0f | %10.1f %10.1f | %8.0f /%8.0f %8.0f /%8.0f | %ld / %ld\n", ports,
                  engine.perSecond, modbus.perSecond, engine.cpuPer1000, modbus.cpuPer1000, engine.medianUs,
                  engine.p99Us, modbus.medianUs, modbus.p99Us, engine.failures, modbus.failures);
      if (std::getenv("BENCH_VERBOSE"))
        std::printf("      | kernel part of the CPU ms/1000: engine %.1f, modbus %.1f\n", engine.kernelPer1000,
                    modbus.kernelPer1000);
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ManyLinesBench: %s\n", e.what());
    return 1;
  }
  return 0;
}
