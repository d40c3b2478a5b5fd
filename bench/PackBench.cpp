// Packing and unpacking a packet of twenty fields, through the protocol's
// interface as a device calls it and through its C++ members; and the cost of
// creating a packet through the library.
#include <benchmark/benchmark.h>

#include "zelvani/model/QAVZLVPacket.h"
#include "zelvani/model/QAVZLVProtocol.h"

namespace {

using namespace zelvani;

Bstr B(std::string_view ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

struct Setup {
  ComPtr<IQAVZLVProtocol> protocol = Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacket> sent;
  ComPtr<IQAVZLVPacket> received;

  Setup() {
    ComPtr<IQAVZLVPacketLibrary> library;
    protocol->get_PacketLibrary(library.Out());
    VARIANT_BOOL ok = VARIANT_FALSE;
    library->LoadFromFile(B(TEST_DATA_DIR "/protocol_bench.pkd").Get(), &ok);
    if (!ok) throw std::runtime_error("Cannot load the benchmark's packet library");
    protocol->CreatePacket(B("W").Get(), Variant(), qzlvptWrite, sent.Out());
    protocol->CreatePacket(B("W").Get(), Variant(), qzlvptWrite, received.Out());
    if (!sent || !received) throw std::runtime_error("Cannot create the benchmark's packets");
    SYSTEMTIME st{2024, 5, 0, 17, 13, 45, 0, 0};
    DATE when = 0;
    SystemTimeToVariantTime(&st, &when);
    const Variant values[20] = {
        Variant::I4(123456),        Variant::Ansi("Mleko \xB3\xB9kowe 3,2%"),
        Variant::Cy(CY{129900}),    Variant::Cy(CY{15000}),
        Variant::Cy(CY{-25000}),    Variant::I4(200),
        Variant::Ansi("B"),         Variant::Ansi("5901234123457"),
        Variant::Bool(true),        Variant::I4(17),
        Variant::Ansi("Promocja"),  Variant::Date(when),
        Variant::Date(when),        Variant::Date(when),
        Variant::I4(4711),          Variant::Ansi("szt"),
        Variant::Cy(CY{12345}),     Variant::Ansi("\xA3\xF3" "d\x9F"),
        Variant::I4(0x3F),          Variant::I4(12),
    };
    for (LONG i = 0; i < 20; ++i) sent->put_FieldValues(Variant::I4(i + 1), values[i]);
  }
};

void BM_PackUnpackInterface(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    Bstr wire;
    LONG code = -1;
    s.protocol->PackPacket(s.sent.Get(), wire.Out(), &code);
    s.protocol->UnpackPacket(wire.Get(), s.received.Get(), &code);
    if (code != qzlvpeOK) state.SkipWithError("the round trip failed");
    benchmark::DoNotOptimize(code);
  }
}
BENCHMARK(BM_PackUnpackInterface);

void BM_PackUnpackCpp(benchmark::State& state) {
  Setup s;
  auto* protocol = dynamic_cast<TQAVZLVProtocol*>(s.protocol.Get());
  std::string wire;
  for (auto _ : state) {
    protocol->Pack(s.sent.Get(), wire);
    LONG code = protocol->Unpack(wire, s.received.Get());
    if (code != qzlvpeOK) state.SkipWithError("the round trip failed");
    benchmark::DoNotOptimize(code);
  }
}
BENCHMARK(BM_PackUnpackCpp);

void BM_Pack(benchmark::State& state) {
  Setup s;
  auto* protocol = dynamic_cast<TQAVZLVProtocol*>(s.protocol.Get());
  std::string wire;
  for (auto _ : state) {
    benchmark::DoNotOptimize(protocol->Pack(s.sent.Get(), wire));
  }
}
BENCHMARK(BM_Pack);

void BM_Unpack(benchmark::State& state) {
  Setup s;
  auto* protocol = dynamic_cast<TQAVZLVProtocol*>(s.protocol.Get());
  std::string wire;
  protocol->Pack(s.sent.Get(), wire);
  for (auto _ : state) {
    benchmark::DoNotOptimize(protocol->Unpack(wire, s.received.Get()));
  }
}
BENCHMARK(BM_Unpack);

void BM_CreatePacket(benchmark::State& state) {
  Setup s;
  for (auto _ : state) {
    ComPtr<IQAVZLVPacket> packet;
    s.protocol->CreatePacket(B("W").Get(), Variant(), qzlvptWrite, packet.Out());
    benchmark::DoNotOptimize(packet.Get());
  }
}
BENCHMARK(BM_CreatePacket);

}  // namespace

BENCHMARK_MAIN();
