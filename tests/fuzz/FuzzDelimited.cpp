// Fuzz target: reading a packet from its delimited text form.
#include <cstdint>
#include <string>

#include "zelvani/model/ZelvaniServer.h"

namespace {

IQAVZLVPacketLibrary* Library() {
  static IQAVZLVPacketLibrary* library = [] {
    auto l = zelvani::Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
    Bstr file = Bstr::Attach(AnsiToBstr(TEST_DATA_DIR "/full.pkd"));
    VARIANT_BOOL ok = VARIANT_FALSE;
    l->LoadFromFile(file.Get(), &ok);
    return l.Detach();
  }();
  return library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Byte 0: option bits; byte 1: the packet type; the rest: the text.
  static const LONG optionSets[] = {0, 1, 2, 4, 4096, 8192, 12294, 12295, 7};
  const LONG options = optionSets[data[0] % 9];
  static const LONG types[] = {0, 1, 2, 4, 6, 8};
  const LONG type = types[data[1] % 6];
  std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  auto packet = zelvani::Create<IQAVZLVPacket>(CLSID_QAVZLVPacket);
  packet->put_PacketLibrary(Library());
  packet->put_PacketType(type);
  Bstr str = Bstr::Attach(AnsiToBstr(text));
  Bstr delimiter(u";"), brackets(u"\"\""), newline(u"\r\n");
  LONG result = 0;
  packet->SetFromDelimitedString(str.Get(), delimiter.Get(), brackets.Get(), newline.Get(), options, &result);
  Bstr back;
  packet->GetDelimitedString(delimiter.Get(), brackets.Get(), newline.Get(), options, back.Out());
  packet->get_DataString(back.Out());
  TakeErrorDescription();
  return 0;
}
