// The two checksum variants of a frame's checksum item over a 1 KiB wire text,
// through the item as the protocol calls it and through the CalculateChecksum
// member with its BSTR conversion.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/com/ansi.h"
#include "zelvani/model/QAVZLVFrame.h"

namespace {

using namespace zelvani;

constexpr std::size_t kTextSize = 1024;

// 8-bit text with every byte value, control characters and code 852 letters
// included.
std::string WireText() {
  std::string s(kTextSize, '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  return s;
}

ComPtr<IQAVZLVFrameItem> ChecksumItem(LONG variant, LONG size) {
  auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  item->put_ItemType(qzlvpstChecksum);
  item->put_Size(size);
  item->put_Flags(variant | qzlvpsfRightJustify | qzlvpsfZeroPadded);
  return item;
}

void RunDirect(benchmark::State& state, LONG variant, LONG size) {
  const std::string text = WireText();
  auto item = ChecksumItem(variant, size);
  auto* obj = dynamic_cast<TQAVZLVFrameItem*>(item.Get());
  for (auto _ : state) {
    std::string sum = obj->Checksum(text);
    benchmark::DoNotOptimize(sum.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void RunInterface(benchmark::State& state, LONG variant, LONG size) {
  Bstr text = Bstr::Attach(AnsiToBstr(WireText()));
  auto item = ChecksumItem(variant, size);
  for (auto _ : state) {
    BSTR sum = nullptr;
    item->CalculateChecksum(text.Get(), &sum);
    benchmark::DoNotOptimize(sum);
    SysFreeString(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kTextSize));
}

void BM_ChecksumECR(benchmark::State& state) { RunDirect(state, qzlvcrcECR, 4); }
void BM_ChecksumTRX810(benchmark::State& state) { RunDirect(state, qzlvcrcTRX810, 2); }
void BM_CalculateChecksumECR(benchmark::State& state) { RunInterface(state, qzlvcrcECR, 4); }
void BM_CalculateChecksumTRX810(benchmark::State& state) { RunInterface(state, qzlvcrcTRX810, 2); }

BENCHMARK(BM_ChecksumECR);
BENCHMARK(BM_ChecksumTRX810);
BENCHMARK(BM_CalculateChecksumECR);
BENCHMARK(BM_CalculateChecksumTRX810);

}  // namespace

BENCHMARK_MAIN();
