// Reading 10,000 receipt items (a receipt report: ReadNextRecordType, then
// ReadReceiptItem for each record) through the cash-register control from the
// simulated register over a pseudo-terminal, with the control's default packet
// library. Reports records per second and the control's own share of each
// exchange: the CPU time the control and its device spend per record (the
// process's CPU time less the simulator's), against the time the same bytes
// take on a line at 115200 baud (10 bits a byte, counted from what the
// simulator received and sent). The readers' own part (ReadReceiptItem, which
// parses the packet already received into the record) is timed on its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "bench/ControlBench.h"

namespace {

using bench::Call;
using bench::kRecords;
using bench::ProcessCpuSeconds;
using bench::ThreadCpuSeconds;
using corvatin::ECRSimulator;

void BM_ControlReadReceiptItems(benchmark::State& state) {
  std::optional<bench::ConnectedControl> s;
  try {
    s.emplace("COM5");
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  // Articles of each kind with Polish names, quantities in thousandths.
  std::vector<ECRSimulator::Record> items;
  items.reserve(kRecords);
  for (int i = 0; i < kRecords; ++i)
    items.push_back({"O" + std::to_string(i % 4),
                     {std::to_string(5900000 + i), Utf8ToAnsi("Masło ekstra 200 g"), "A", "3",
                      std::to_string(1000 + i % 5000), "7.49", "7.49"}});
  auto item = corvatin::Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
  VARIANT empty{};
  double engineCpu = 0, readerCpu = 0, wall = 0, wireBytes = 0;
  long long records = 0;
  for (auto _ : state) {
    s->sim->Offer("O", items);
    if (!Call([&](VARIANT_BOOL* r) { return s->control->BeginRead(ecrdtReceiptReport, empty, empty, ecrrtNone,
                                                                   ecrrmNotResetting, r); })) {
      state.SkipWithError("BeginRead failed");
      return;
    }
    const std::size_t bytesBefore = s->sim->Received().size() + s->sim->Sent().size();
    const long long simBefore = s->sim->ServeCpuNanoseconds();
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    int read = 0;
    VARIANT_BOOL eof = VARIANT_FALSE;
    while (eof == VARIANT_FALSE) {
      LONG kind = -1;
      if (!Call([&](VARIANT_BOOL* r) { return s->control->ReadNextRecordType(&kind, r); }) ||
          kind != ecrnrReceiptItem) {
        state.SkipWithError("reading the record kind failed");
        return;
      }
      const double readerBefore = ThreadCpuSeconds();
      if (!Call([&](VARIANT_BOOL* r) { return s->control->ReadReceiptItem(item.Get(), r); })) {
        state.SkipWithError("reading a receipt item failed");
        return;
      }
      readerCpu += ThreadCpuSeconds() - readerBefore;
      ++read;
      s->control->get_EOF(&eof);
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engineCpu +=
        (ProcessCpuSeconds() - cpuBefore) - static_cast<double>(s->sim->ServeCpuNanoseconds() - simBefore) * 1e-9;
    wireBytes += static_cast<double>(s->sim->Received().size() + s->sim->Sent().size() - bytesBefore);
    if (read != kRecords) {
      state.SkipWithError("not every item was read");
      return;
    }
    records += read;
    Call([&](VARIANT_BOOL* r) { return s->control->ConfirmRead(r); });
  }
  const double n = static_cast<double>(records);
  const double wirePerRecord = bench::ReportFigures(state, "record", n, wall, engineCpu, wireBytes);
  state.counters["reader_cpu_us/record"] = benchmark::Counter(readerCpu / n * 1e6);
  state.counters["reader_share_%"] = benchmark::Counter(100.0 * readerCpu / n / wirePerRecord);
}
BENCHMARK(BM_ControlReadReceiptItems)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
