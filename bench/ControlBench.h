// What the control's benchmarks share: the process and thread CPU clocks, a
// Boolean member run to its answer, and the control connected to the
// simulated register over a pseudo-terminal at 115200 baud with its default
// packet library, in a registry and system directory of the benchmark's own.
#pragma once

#include <time.h>

#include <benchmark/benchmark.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "corvatin/control/CorvatinServer.h"
#include "platform/com/ansi.h"
#include "tests/corvatin/control/ECRSimulator.h"

namespace bench {

constexpr int kRecords = 10000;
constexpr double kBaud = 115200.0;

inline double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
inline double ProcessCpuSeconds() { return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID); }
inline double ThreadCpuSeconds() { return CpuSeconds(CLOCK_THREAD_CPUTIME_ID); }

// The figures of a run of RECORDS records, each UNIT ("exchange", "record")
// timed per record: records per second, bytes on the line, the wire time of
// those bytes at 115200 baud (10 bits a byte), the control's CPU time (ENGINE
// seconds in all) and the wall time, and the control's share of the wire time.
// Answers the wire time of one record, in seconds.
inline double ReportFigures(benchmark::State& state, const std::string& unit, double records, double wall,
                            double engineCpu, double wireBytes) {
  const double wirePerRecord = wireBytes * 10.0 / kBaud / records;
  const double enginePerRecord = engineCpu / records;
  state.counters["records/s"] = benchmark::Counter(records / wall);
  state.counters["bytes/" + unit] = benchmark::Counter(wireBytes / records);
  state.counters["wire_us/" + unit] = benchmark::Counter(wirePerRecord * 1e6);
  state.counters["engine_cpu_us/" + unit] = benchmark::Counter(enginePerRecord * 1e6);
  state.counters["wall_us/" + unit] = benchmark::Counter(wall / records * 1e6);
  state.counters["engine_share_%"] = benchmark::Counter(100.0 * enginePerRecord / wirePerRecord);
  return wirePerRecord;
}

// Runs a Boolean member: true when it succeeded and answered True.
template <class F>
bool Call(F&& member) {
  VARIANT_BOOL r = VARIANT_FALSE;
  const HRESULT hr = member(&r);
  return hr == S_OK && r == VARIANT_TRUE;
}

// The control connected to a serving register on PORT; throws when it does
// not connect. Disconnects and stops the register when it goes.
struct ConnectedControl {
  zelvani::ScopedTestRegistry registry;
  corvatin::ScopedSystemDirectory system;
  std::optional<corvatin::ECRSimulator> sim;
  ComPtr<IQAVECR> control;

  explicit ConnectedControl(const char* port) {
    sim.emplace(port);
    sim->Serve();
    sim->Start();
    control = corvatin::Create<IQAVECR>(CLSID_QAVECR);
    Bstr empty;
    control->put_PacketLibraryFile(empty.Get());
    ComPtr<IQAVECRCommOptions> options;
    control->get_CommOptions(options.Out());
    Bstr name = Bstr::Attach(AnsiToBstr(port));
    options->put_Port(name.Get());
    options->put_Speed(115200);
    options->put_FlowControl(ecrfcNone);
    options->put_TimeOut(2000);
    if (!Call([&](VARIANT_BOOL* r) { return control->Connect(r); })) throw std::runtime_error("Connect failed");
  }
  ~ConnectedControl() {
    VARIANT_BOOL ignored;
    control->Disconnect(&ignored);
    sim->Stop();
    control = nullptr;
  }
  ConnectedControl(const ConnectedControl&) = delete;
  ConnectedControl& operator=(const ConnectedControl&) = delete;
};

}  // namespace bench
