// Writing 10,000 records through the cash-register control to the simulated
// register over a pseudo-terminal, with the control's default packet library:
// articles (WritePLU) and text records (header lines, WriteText). Reports
// records per second and the control's own share of each exchange: the CPU
// time the control and its device spend per record (the process's CPU time less the simulator's),
// against the time the same bytes take on a line at 115200 baud (10 bits a
// byte, counted from what the simulator received and sent).
#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>
#include <stdexcept>

#include "bench/ControlBench.h"

namespace {

using bench::Call;
using bench::kRecords;

// The connected control in a write session of DATATYPE.
struct Setup : bench::ConnectedControl {
  explicit Setup(LONG dataType) : ConnectedControl("COM6") {
    if (!Call([&](VARIANT_BOOL* r) { return control->BeginWrite(dataType, r); }))
      throw std::runtime_error("BeginWrite failed");
  }
};

// Writes kRecords records of `dataType` with `write` and reports the figures.
template <class Write>
void WriteRecords(benchmark::State& state, LONG dataType, Write&& write) {
  std::optional<Setup> s;
  try {
    s.emplace(dataType);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  double engineCpu = 0, wall = 0, wireBytes = 0;
  long long records = 0;
  for (auto _ : state) {
    const std::size_t bytesBefore = s->sim->Received().size() + s->sim->Sent().size();
    const long long simBefore = s->sim->ServeCpuNanoseconds();
    const double cpuBefore = bench::ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRecords; ++i) {
      if (!Call([&](VARIANT_BOOL* r) { return write(s->control.Get(), r); })) {
        state.SkipWithError("the write failed");
        return;
      }
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engineCpu += (bench::ProcessCpuSeconds() - cpuBefore) -
                 static_cast<double>(s->sim->ServeCpuNanoseconds() - simBefore) * 1e-9;
    wireBytes += static_cast<double>(s->sim->Received().size() + s->sim->Sent().size() - bytesBefore);
    records += kRecords;
  }
  bench::ReportFigures(state, "exchange", static_cast<double>(records), wall, engineCpu, wireBytes);
}

void BM_ControlWriteArticles(benchmark::State& state) {
  ComPtr<IQAVECRPLU> plu = corvatin::Create<IQAVECRPLU>(CLSID_QAVECRPLU);
  Bstr code = Bstr::Attach(AnsiToBstr("5901234123457"));
  Bstr name = Bstr::Attach(AnsiToBstr(Utf8ToAnsi("Kawa ziarnista żółta")));
  Bstr tax = Bstr::Attach(AnsiToBstr("A"));
  plu->put_Code(code.Get());
  plu->put_Name(name.Get());
  plu->put_Price(CY{125000});
  plu->put_TaxRateName(tax.Get());
  plu->put_DepartmentIndex(3);
  WriteRecords(state, ecrdtPLU,
               [&](IQAVECR* control, VARIANT_BOOL* r) { return control->WritePLU(plu.Get(), ecrwmInsertOrUpdate, r); });
}
BENCHMARK(BM_ControlWriteArticles)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ControlWriteTextRecords(benchmark::State& state) {
  Bstr text = Bstr::Attach(AnsiToBstr(Utf8ToAnsi("Sklep spożywczy „Pod Żabą”, ul. Długa 1")));
  WriteRecords(state, ecrdtHeader, [&](IQAVECR* control, VARIANT_BOOL* r) { return control->WriteText(text.Get(), r); });
}
BENCHMARK(BM_ControlWriteTextRecords)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
