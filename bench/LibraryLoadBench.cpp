// Loading a packet library of 2,000 packet definitions: the definitions file is
// read four times (flows, frames, packet definitions, report switch). Target:
// under 50 ms per load.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/com/ansi.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"

namespace {

using namespace zelvani;

// A definitions file in the shape of a register's library: the report switch,
// a flow per flow keyword, five frames and `definitions` packet definitions of
// eight fields each, with comments and tail comments along the way.
std::string GenerateLibrary(int definitions) {
  std::string text = "; generated packet library\nCreateCommunicationReport\n{\n1\n}\n";
  const char* keywords[] = {"OPEN",   "SWITCHMODE",   "CLOSEWRITING",   "CLOSEREADING",   "ACK",
                            "NAK",    "WRITEPACKET",  "READPACKET",     "E_OPEN",         "E_SWITCHMODE",
                            "E_CLOSEWRITING", "E_CLOSEREADING", "E_ACK", "E_NAK", "E_WRITEPACKET",
                            "E_READPACKET", "E_WRITEERRORPACKET"};
  int n = 0;
  for (const char* keyword : keywords) {
    text += "Flow" + std::to_string(n++) + ";" + keyword + ";\n{\n";
    text += "1;PC->;<ENQ>;0;;0;3;500;;0;\n2;PC<-;PACKET;R;<ETX>|<ETB>;4;3;100;;4;\n2;PC<-;<NAK>;0;;0;0;0;1;8;\n}\n";
  }
  const char* types[] = {"S", "W", "R", "B", "E"};
  for (const char* type : types) {
    text += std::string("Frame") + type + ";Frame " + type + ";" + type + ";\n{\n";
    text +=
        "1;Const;String;1;<STX>;0;\n2;Counter;Integer;2;;22;\n3;PacketID;String;1;;16;\n4;Data;String;0;;16;\n"
        "5;Const;String;1;<ETX>|<ETB>;16;\n6;Checksum;String;4;;32;   * ECR\n}\n";
  }
  for (int i = 0; i < definitions; ++i) {
    const char* type = types[i % 5];
    text += "P" + std::to_string(i) + ";Packet " + std::to_string(i) + ";" + type + ";Frame" + type + ";\n{\n";
    text +=
        "  1;Code;Integer;6;0;;80;\n  2;Name;String;20;Article;<#$3b>;256;\n  3;Price;Currency;8;12.50;;2;\n"
        "  4;Quantity;Currency;8;1.5;;4;   * thousandths\n  5;Group;Integer;2;255;;128;\n  6;Tax;Char;1;A;;0;\n"
        "  7;Flag;Bool;1;1;;0;\n  8;Barcode;String;13;;<CR>;512;\n}\n";
  }
  return text;
}

void BM_LoadLibrary2000(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("library-load-bench-" + std::to_string(::getpid()) + ".pkd"))
                               .string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << GenerateLibrary(2000);
  }
  ComPtr<IQAVZLVPacketLibrary> library = Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  Bstr name = Bstr::Attach(AnsiToBstr(path));
  for (auto _ : state) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(library->LoadFromFile(name.Get(), &ok)) || !ok) {
      state.SkipWithError("the generated library did not load");
      break;
    }
  }
  auto& lib = dynamic_cast<TQAVZLVPacketLibrary&>(*library);
  LONG count = 0;
  lib.PacketDefs()->get_Count(&count);
  state.counters["definitions"] = count;
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadLibrary2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
