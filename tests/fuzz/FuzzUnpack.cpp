// Fuzz target: unpacking a received wire string with the test library.
#include <cstdint>
#include <string>

#include "zelvani/model/ZelvaniServer.h"

namespace {

IQAVZLVProtocol* Protocol() {
  static IQAVZLVProtocol* protocol = [] {
    auto p = zelvani::Create<IQAVZLVProtocol>(CLSID_QAVZLVProtocol);
    ComPtr<IQAVZLVPacketLibrary> library;
    p->get_PacketLibrary(library.Out());
    Bstr file = Bstr::Attach(AnsiToBstr(TEST_DATA_DIR "/full.pkd"));
    VARIANT_BOOL ok = VARIANT_FALSE;
    library->LoadFromFile(file.Get(), &ok);
    return p.Detach();
  }();
  return protocol;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  IQAVZLVProtocol* protocol = Protocol();
  // The first byte picks the packet type the receiver expects.
  static const LONG types[] = {0, 1, 2, 4, 6, 8};
  const LONG type = types[data[0] % 6];
  std::string wire(reinterpret_cast<const char*>(data + 1), size - 1);
  ComPtr<IQAVZLVPacket> packet;
  Bstr none;
  Variant noDef;
  protocol->CreatePacket(none.Get(), noDef, type, packet.Out());
  if (!packet) packet = zelvani::Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  Bstr text = Bstr::Attach(AnsiToBstr(wire));
  LONG result = 0;
  protocol->UnpackPacket(text.Get(), packet.Get(), &result);
  Bstr back;
  packet->get_DataString(back.Out());
  TakeErrorDescription();
  return 0;
}
