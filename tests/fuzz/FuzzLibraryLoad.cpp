// Fuzz target: the packet library file reader. Any file content must load or
// fail cleanly.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "zelvani/model/QAVZLVPacketLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/zelvani-fuzz-library-" + std::to_string(getpid()) + ".pkd";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  auto library = zelvani::Create<IQAVZLVPacketLibrary>(CLSID_QAVZLVPacketLibrary);
  Bstr name = Bstr::Attach(AnsiToBstr(path));
  VARIANT_BOOL ok = VARIANT_FALSE;
  library->LoadFromFile(name.Get(), &ok);
  TakeErrorDescription();
  // Whatever loaded must also make packets without harm.
  ComPtr<IQAVZLVPacket> packet;
  Bstr id(u"A");
  Variant none;
  library->CreatePacket(id.Get(), none, 0, packet.Out());
  TakeErrorDescription();
  return 0;
}
