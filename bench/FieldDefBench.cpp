// Pasting values into a data string and extracting them again, one field at a
// time, over a 20-field definition that covers every data type and conversion.
// Reports the time per field and the heap allocations per field.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/com/ansi.h"
#include "zelvani/model/QAVZLVFieldDef.h"

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

// Every heap allocation, C++ objects and BSTRs alike, goes through malloc; the
// program counts them by standing in for the C library's entry points.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);

void* malloc(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
}

namespace {

using namespace zelvani;

struct Layout {
  std::vector<ComPtr<TQAVZLVFieldDef>> fields;
  std::vector<Variant> values;
  std::string blank;  // the empty data area
};

DATE Day(WORD y, WORD m, WORD d, WORD h = 0, WORD mi = 0) {
  SYSTEMTIME st{y, m, 0, d, h, mi, 0, 0};
  DATE out = 0;
  SystemTimeToVariantTime(&st, &out);
  return out;
}

const Layout& TheLayout() {
  static const Layout layout = [] {
    struct Def {
      LONG type, conversions, size;
      const char* separator;
      Variant value;
    };
    const std::vector<Def> defs = {
        {qzlvdaString, 0, 20, "", Variant::Ansi("Kawa ziarnista 1kg")},
        {qzlvdaString, qzlvdcRightJustify, 10, "", Variant::Ansi("PLU")},
        {qzlvdaString, qzlvdcStringTerminated, 12, ";", Variant::Ansi("Opis")},
        {qzlvdaString, qzlvdcLeftJustify, 6, "", Variant::Ansi("szt.")},
        {qzlvdaChar, 0, 1, "", Variant::Ansi("A")},
        {qzlvdaBool, 0, 1, "", Variant::Bool(true)},
        {qzlvdaBool, 0, 1, "", Variant::Bool(false)},
        {qzlvdaCurrency, qzlvdcHundredths, 10, "", Variant::Cy(CY{125000})},
        {qzlvdaCurrency, qzlvdcHundredths | qzlvdcZeroPadded, 10, "", Variant::Cy(CY{12345600})},
        {qzlvdaCurrency, qzlvdcThousands, 8, "", Variant::Cy(CY{12340})},
        {qzlvdaCurrency, 0, 10, "", Variant::Cy(CY{999900})},
        {qzlvdaCurrency, qzlvdcSigned | qzlvdcHundredths, 10, "", Variant::Cy(CY{-52500})},
        {qzlvdaInteger, qzlvdcZeroPadded, 6, "", Variant::I4(42)},
        {qzlvdaInteger, qzlvdcRightJustify, 6, "", Variant::I4(1234)},
        {qzlvdaInteger, qzlvdcHex, 4, "", Variant::I4(255)},
        {qzlvdaInteger, 0, 4, "", Variant::I4(7)},
        {qzlvdaDate, 0, 8, "", Variant::Date(Day(2024, 3, 7))},
        {qzlvdaDate, qzlvdcShortDate, 6, "", Variant::Date(Day(2024, 3, 7))},
        {qzlvdaTime, 0, 4, "", Variant::Date(Day(2024, 3, 7, 13, 59))},
        {qzlvdaString, qzlvdcFitFieldToData, 8, "|", Variant::Ansi("KONIEC")},
    };
    Layout l;
    LONG offset = 1;
    for (const Def& d : defs) {
      auto f = com::MakeObject<TQAVZLVFieldDef>();
      f->SetDataType(d.type);
      f->SetConversions(d.conversions);
      f->SetSize(d.size);
      f->SetSeparator(d.separator);
      f->SetOffset(offset);
      offset += d.size;
      l.fields.push_back(f);
      l.values.push_back(d.value);
    }
    l.blank.assign(static_cast<std::size_t>(offset), ' ');  // room for the last field's separator
    return l;
  }();
  return layout;
}

// The data area with every field pasted; empty when a field fails to paste or
// to read back, which would make the figures meaningless.
std::string PackedData() {
  const Layout& l = TheLayout();
  std::string data = l.blank;
  for (std::size_t k = 0; k < l.fields.size(); ++k)
    if (!l.fields[k]->Paste(data, l.values[k])) return {};
  Variant v;
  for (const auto& f : l.fields)
    if (!f->Extract(data, v)) return {};
  return data;
}

void Report(benchmark::State& state, long long allocations) {
  const double fields = static_cast<double>(TheLayout().fields.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * fields));
  state.counters["time/field"] =
      benchmark::Counter(fields, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["allocs/field"] =
      static_cast<double>(allocations) / (static_cast<double>(state.iterations()) * fields);
}

void BM_PasteField(benchmark::State& state) {
  const Layout& l = TheLayout();
  std::string data = l.blank;
  if (PackedData().empty()) state.SkipWithError("a field does not paste and read back");
  const long long before = g_allocations.load();
  for (auto _ : state) {
    for (std::size_t k = 0; k < l.fields.size(); ++k) benchmark::DoNotOptimize(l.fields[k]->Paste(data, l.values[k]));
    benchmark::ClobberMemory();
  }
  Report(state, g_allocations.load() - before);
}
BENCHMARK(BM_PasteField);

void BM_ExtractField(benchmark::State& state) {
  const Layout& l = TheLayout();
  const std::string data = PackedData();
  if (data.empty()) state.SkipWithError("a field does not paste and read back");
  Variant value;
  const long long before = g_allocations.load();
  for (auto _ : state) {
    for (const auto& f : l.fields) benchmark::DoNotOptimize(f->Extract(data, value));
    benchmark::ClobberMemory();
  }
  Report(state, g_allocations.load() - before);
}
BENCHMARK(BM_ExtractField);

// The same pastes through the automation member, for comparison: the buffer
// crosses as a BSTR each time.
void BM_PasteValueMember(benchmark::State& state) {
  const Layout& l = TheLayout();
  BSTR data = AnsiToBstr(l.blank);
  const long long before = g_allocations.load();
  for (auto _ : state) {
    for (std::size_t k = 0; k < l.fields.size(); ++k) {
      VARIANT_BOOL ok;
      l.fields[k]->PasteValue(&data, l.values[k], -1, &ok);
      benchmark::DoNotOptimize(ok);
    }
  }
  Report(state, g_allocations.load() - before);
  SysFreeString(data);
}
BENCHMARK(BM_PasteValueMember);

}  // namespace

BENCHMARK_MAIN();
