// Fuzz target: the packet library file reader. Any file content must load or
// fail cleanly, and whatever loaded must make, pack and print packets without
// harm (the sizes a file gives decide how much these allocate).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "zelvani/model/QAVZLVPacketLibrary.h"
#include "zelvani/model/QAVZLVProtocol.h"

namespace {

// Makes, packs and prints the packet of one definition.
void Exercise(IQAVZLVProtocol* protocol, IQAVZLVPacketDef* def) {
  Bstr id;
  LONG type = 0;
  def->get_ID(id.Out());
  def->get_PacketType(&type);
  ComPtr<IQAVZLVPacket> packet;
  Variant none;
  protocol->CreatePacket(id.Get(), none, type, packet.Out());
  TakeErrorDescription();
  if (!packet) return;
  Bstr wire;
  LONG result = 0;
  protocol->PackPacket(packet.Get(), wire.Out(), &result);
  TakeErrorDescription();
  if (wire.Get()) protocol->UnpackPacket(wire.Get(), packet.Get(), &result);
  TakeErrorDescription();
  Bstr delimiter(u";"), brackets(u"[]"), newLine(u"\n"), text;
  packet->GetDelimitedString(delimiter.Get(), brackets.Get(), newLine.Get(), qzlvdsoDefault, text.Out());
  TakeErrorDescription();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/zelvani-fuzz-library-" + std::to_string(getpid()) + ".pkd";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  auto protocol = zelvani::Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
  ComPtr<IQAVZLVPacketLibrary> library;
  protocol->get_PacketLibrary(library.Out());
  Bstr name = Bstr::Attach(AnsiToBstr(path));
  VARIANT_BOOL ok = VARIANT_FALSE;
  library->LoadFromFile(name.Get(), &ok);
  TakeErrorDescription();
  // Whatever loaded, whole or in part, must also make packets without harm.
  ComPtr<IQAVZLVPacket> packet;
  Bstr id(u"A");
  Variant none;
  library->CreatePacket(id.Get(), none, 0, packet.Out());
  TakeErrorDescription();
  ComPtr<IQAVZLVPacketDefs> defs;
  library->get_PacketDefs(defs.Out());
  LONG count = 0;
  if (defs) defs->get_Count(&count);
  for (LONG i = 0; i < std::min<LONG>(count, 8); ++i) {
    ComPtr<IQAVZLVPacketDef> def;
    if (SUCCEEDED(defs->get_Items(i, def.Out())) && def) Exercise(protocol.Get(), def.Get());
  }
  return 0;
}
