// The list of modems in the registry: a registry file that cannot be read (a
// FIFO in its place) at line initialization.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "platform/com/registry.h"
#include "platform/tapi/lines.h"
#include "platform/tapi/tapi.h"
#include "tests/platform/BoundedCall.h"

namespace {

namespace fs = std::filesystem;

class ModemLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "modem-lines-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    file_ = dir_ + "/registry.reg";
    setenv("PLATFORM_REGISTRY", file_.c_str(), 1);
    registry::ResetCacheForTests();
  }
  void TearDown() override {
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    fs::remove_all(dir_);
  }
  std::string dir_, file_;
};

// The modems are listed in the registry: when its file cannot be read (here a
// FIFO, which is not even opened for reading) line initialization fails at
// once, as a damaged telephony configuration does.
TEST_F(ModemLinesTest, ARegistryThatIsAFifoFailsLineInitializationWithoutBlocking) {
  bounded_call::Fifo fifo(file_);
  LINEINITIALIZEEXPARAMS p{};
  p.dwTotalSize = sizeof p;
  p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  HLINEAPP app = 0;
  DWORD devices = 99;
  LONG result = 0;
  bounded_call::WithinBound([&] { result = lineInitializeExA(&app, nullptr, nullptr, "test", &devices, nullptr, &p); },
                            [&] { fifo.Unblock(); });
  EXPECT_EQ(result, LINEERR_INIFILECORRUPT);
  if (result == 0) lineShutdown(app);
}

}  // namespace
