// What a host meets after the README's set-up on a new machine: this program
// links no module and sets no registry or system directory of its own, so the
// control comes from the registry that the set-up wrote under HOME, and its
// default packet library from the system directory the set-up filled. It runs
// after tools/setup.sh (see .ci/run), not under CTest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "corvatin/Corvatin.h"
#include "corvatin/activation/ControlFromRegistry.h"
#include "platform/com/activation.h"
#include "platform/com/ansi.h"
#include "platform/com/typeinfo.h"
#include "platform/sys/sysdir.h"
#include "platform/ui/RecordingPresenter.h"
#include "zelvani/Zelvani.h"

namespace {

TEST(SetupCheck, TheEnvironmentLeavesEveryPathToItsDefault) {
  for (const char* name : {"PLATFORM_REGISTRY", "PLATFORM_SYSTEM_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
    EXPECT_EQ(std::getenv(name), nullptr) << name << " is set: the defaults would not be what is checked";
  }
}

TEST(SetupCheck, TheControlLoadsTheDefaultLibraryFromTheSystemDirectory) {
  auto presenter = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scoped(presenter);

  ComPtr<IQAVECR> control;
  ASSERT_NO_FATAL_FAILURE(corvatin::CreateControlWithDefaultLibrary(control));
  for (const auto& message : presenter->Messages()) ADD_FAILURE() << "message box: " << message.text;
}

TEST(SetupCheck, TheSystemDirectoryHoldsTheDefaultLibraryWithItsDefinitions) {
  char buffer[260];
  const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, sizeof buffer);
  const std::string expected = std::string(std::getenv("HOME")) + "/.local/share/platform/system";
  EXPECT_EQ(std::string(buffer, length), expected);

  ComPtr<IQAVZLVPacketLibrary> library;
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Zelvani.QAVZLVPacketLibrary", &clsid), S_OK) << "the packet engine is not registered";
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVPacketLibrary::Iid,
                             library.OutVoid()),
            S_OK);
  Bstr path = Bstr::Attach(AnsiToBstr(std::string(buffer, length) + "/Quelm.pkd"));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  ASSERT_EQ(library->LoadFromFile(path.Get(), &loaded), S_OK);
  ASSERT_EQ(loaded, VARIANT_TRUE);
  ComPtr<IQAVZLVPacketDefs> definitions;
  ASSERT_EQ(library->get_PacketDefs(definitions.Out()), S_OK);
  LONG count = 0;
  ASSERT_EQ(definitions->get_Count(&count), S_OK);
  EXPECT_GT(count, 40) << "the control's library defines a packet for every record kind";
}

// Script hosts and object browsers find both type libraries by LIBID in the
// registry the set-up wrote.
TEST(SetupCheck, BothTypeLibrariesLoadByTheirIdentifiers) {
  for (const GUID& libid : {LIBID_Zelvani, LIBID_Corvatin}) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(libid, 1, 0, 0x409, library.Out()), S_OK) << GuidToString(libid);
    EXPECT_GT(library->GetTypeInfoCount(), 0u);
  }
}

}  // namespace
