// Creating the control as a host does: the registration tool writes both
// modules into a registry of the test's own, and the control, its records and,
// through the control, the packet engine's protocol and devices come from the
// modules that the registry names. This program links neither module, so
// every object here is made by the object layer from a loaded module.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "corvatin/Corvatin.h"
#include "corvatin/activation/ControlFromRegistry.h"
#include "platform/com/activation.h"
#include "platform/com/ansi.h"
#include "platform/com/registry.h"

namespace corvatin {
namespace {

// A registry and a system directory of the test's own: the registry in a
// temporary folder, the system directory the control's data folder, which
// holds its default packet library.
class ActivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvatin-activation-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("PLATFORM_REGISTRY", (dir_ + "/registry.reg").c_str(), 1);
    setenv("PLATFORM_SYSTEM_DIR", CORVATIN_DATA_DIR, 1);
    registry::ResetCacheForTests();
  }
  void TearDown() override {
    unsetenv("PLATFORM_REGISTRY");
    unsetenv("PLATFORM_SYSTEM_DIR");
    registry::ResetCacheForTests();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  static void Register(const char* module) {
    const std::string cmd = std::string(COMREG_PATH) + " " + module + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << module;
    registry::ResetCacheForTests();  // the tool wrote the registry file behind this process's back
  }

  std::string dir_;
};

TEST_F(ActivationTest, TheControlMakesThePacketEnginesObjectsFromItsRegisteredModule) {
  ASSERT_NO_FATAL_FAILURE(Register(ZELVANI_MODULE_PATH));
  ASSERT_NO_FATAL_FAILURE(Register(CORVATIN_MODULE_PATH));

  // The default library loads into the engine's protocol object.
  ComPtr<IQAVECR> control;
  ASSERT_NO_FATAL_FAILURE(CreateControlWithDefaultLibrary(control));

  // Each kind of device the control offers comes from the engine's module.
  struct Row {
    LONG deviceType;
    const char* name;
  } rows[] = {
      {ecrdtCommDevice, "serial"},
      {ecrdtTAPIDevice, "telephony"},
      {ecrdtQAVTandrelDevice, "hub"},  // a new hub device, its channel not yet open
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(control->ChangeDevice(row.deviceType, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    ComPtr<IQAVZLVDeviceStatistics> statistics;
    ASSERT_EQ(control->get_Statistics(statistics.Out()), S_OK);
    EXPECT_TRUE(statistics) << "the device's statistics object";
  }

  // The records are the control module's own classes.
  ComPtr<IQAVECRPLU> plu;
  ASSERT_EQ(CoCreateInstance(CLSID_QAVECRPLU, nullptr, CLSCTX_INPROC_SERVER, IQAVECRPLU::Iid, plu.OutVoid()), S_OK);
  Bstr name = Bstr::Attach(AnsiToBstr(Utf8ToAnsi("Kawa żółta")));
  ASSERT_EQ(plu->put_Name(name.Get()), S_OK);
  Bstr back;
  ASSERT_EQ(plu->get_Name(back.Out()), S_OK);
  EXPECT_EQ(WideToUtf8(BstrView(back.Get())), "Kawa żółta");
}

}  // namespace
}  // namespace corvatin
