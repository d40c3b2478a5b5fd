// The system directory: the variable, the per-user defaults, and the buffer
// size rules of the home platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/sys/sysdir.h"

namespace {

class SystemDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* n : kNames) {
      const char* v = std::getenv(n);
      saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      if (saved_[i])
        setenv(kNames[i], saved_[i]->c_str(), 1);
      else
        unsetenv(kNames[i]);
    }
  }
  static void Set(const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  static std::string Get() {
    char buf[512];
    UINT n = GetSystemDirectoryA(buf, sizeof(buf));
    return n == 0 ? "<none>" : std::string(buf, n);
  }
  static constexpr const char* kNames[] = {"PLATFORM_SYSTEM_DIR", "XDG_DATA_HOME", "HOME"};
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(SystemDirectoryTest, WhereTheDirectoryComesFrom) {
  struct Row {
    const char* variable;
    const char* xdg;
    const char* home;
    const char* expected;
  } rows[] = {
      {"/srv/system", "/x", "/home/u", "/srv/system"},
      {"/srv/system/", nullptr, nullptr, "/srv/system"},  // a trailing '/' is dropped
      {"/", nullptr, nullptr, "/"},
      {"", "/data", "/home/u", "/data/platform/system"},  // an empty variable counts as unset
      {nullptr, "/data", "/home/u", "/data/platform/system"},
      {nullptr, "relative", "/home/u", "/home/u/.local/share/platform/system"},  // only an absolute XDG path
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/platform/system"},
      {nullptr, nullptr, nullptr, "<none>"},
  };
  for (const Row& r : rows) {
    Set("PLATFORM_SYSTEM_DIR", r.variable);
    Set("XDG_DATA_HOME", r.xdg);
    Set("HOME", r.home);
    EXPECT_EQ(Get(), r.expected) << (r.variable ? r.variable : "(unset)");
  }
}

TEST_F(SystemDirectoryTest, BufferSizes) {
  setenv("PLATFORM_SYSTEM_DIR", "/opt/sys", 1);  // 8 characters
  struct Row {
    UINT size;
    UINT answer;
    const char* contents;  // the buffer afterwards
  } rows[] = {
      {0, 9, "########"},  // too small: the size needed, NUL included; nothing copied
      {8, 9, "########"},  // room for the text but not its NUL
      {9, 8, "/opt/sys"},
      {64, 8, "/opt/sys"},
  };
  for (const Row& r : rows) {
    char buf[64];
    std::memset(buf, '#', sizeof(buf));
    EXPECT_EQ(GetSystemDirectoryA(buf, r.size), r.answer) << r.size;
    EXPECT_EQ(std::string(buf, 8), r.contents) << r.size;
    if (r.answer == 8) {
      EXPECT_EQ(buf[8], '\0');
    }
  }
  EXPECT_EQ(GetSystemDirectoryA(nullptr, 100), 9u);
}

}  // namespace
