// The list of modems in the registry: lines added by several processes at
// once, a subkey name taken in another letter case, and a registry file that
// cannot be read (a FIFO in its place) at line initialization.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
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

// Each process chooses the next free name and writes its line in one
// registry transaction, so no line replaces another: every line is listed,
// and the identifiers the calls gave are the listed positions.
TEST_F(ModemLinesTest, TwoProcessesAddingLinesAtOnceLoseNone) {
  constexpr int kEach = 15;
  int start[2], report[2];
  ASSERT_EQ(pipe(start), 0);
  ASSERT_EQ(pipe(report), 0);
  pid_t children[2];
  std::fflush(nullptr);  // the children inherit no output waiting to be written
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      close(start[1]);
      char go;
      if (read(start[0], &go, 1) != 1) _exit(2);
      for (int i = 0; i < kEach; ++i) {
        char line[64];
        try {
          const DWORD id = tapi::AddModemLine("P" + std::to_string(c) + "-" + std::to_string(i), "COM1");
          const int n = snprintf(line, sizeof line, "%d %d %lu\n", c, i, static_cast<unsigned long>(id));
          if (write(report[1], line, static_cast<size_t>(n)) != n) _exit(3);
        } catch (...) {
          _exit(1);
        }
      }
      _exit(0);
    }
  }
  close(report[1]);
  close(start[0]);
  ASSERT_EQ(write(start[1], "gg", 2), 2);  // both start together
  close(start[1]);
  std::string reported;
  char buf[256];
  for (ssize_t n; (n = read(report[0], buf, sizeof buf)) > 0;) reported.append(buf, static_cast<size_t>(n));
  close(report[0]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every call succeeded";
  }

  registry::ResetCacheForTests();
  const auto lines = tapi::ListModemLines();
  ASSERT_EQ(lines.size(), 2u * kEach) << "no line was lost";
  std::map<DWORD, std::string> byId;
  std::istringstream in(reported);
  for (int c, i; in >> c >> i;) {
    unsigned long id = 0;
    in >> id;
    EXPECT_TRUE(byId.emplace(static_cast<DWORD>(id), "P" + std::to_string(c) + "-" + std::to_string(i)).second)
        << "identifier " << id << " given twice";
  }
  ASSERT_EQ(byId.size(), 2u * kEach);
  for (const auto& [id, name] : byId) {
    ASSERT_LT(id, lines.size());
    EXPECT_EQ(lines[id].name, name) << "identifier " << id;
  }
}

// Registry keys are found in any letter case, so a name is taken whatever
// case it was written in: the new line gets a key of its own, and the line
// already there keeps its values.
TEST_F(ModemLinesTest, ANameTakenInAnotherLetterCaseIsNotReused) {
  {
    registry::Transaction t;
    const std::string old = std::string(tapi::kModemsKey) + "\\modem1";
    t.SetValue(old, "Name", "Old Modem");
    t.SetValue(old, "Port", "COM1");
    t.SetValue(old, "Init", "ATZ");
    ASSERT_EQ(t.Commit(), S_OK);
  }
  EXPECT_EQ(tapi::AddModemLine("New Modem", "COM2"), 1u);
  const auto lines = tapi::ListModemLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].name, "Old Modem");
  EXPECT_EQ(lines[0].port, "COM1");
  EXPECT_EQ(lines[0].init, "ATZ");
  EXPECT_EQ(lines[1].name, "New Modem");
  EXPECT_EQ(lines[1].port, "COM2");
  EXPECT_EQ(lines[1].init, "");
}

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
