// Opening a regular file for writing without truncating it, telling open files
// apart by what they are, and emptying one only after it has been checked.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/com/regularfile.h"

namespace com {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "regularfile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ / "a", std::ios::binary) << "kept";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

// Each name that leads to one file gives one identity; opening for writing
// changes nothing until the file is emptied on purpose.
TEST_F(RegularFileTest, AFileOpenedForWritingKeepsItsTextUntilTruncated) {
  fs::create_hard_link(dir_ / "a", dir_ / "hard");
  fs::create_symlink("a", dir_ / "soft");
  const RegularFile a = RegularFile::OpenForReading(Path("a"));
  ASSERT_TRUE(a.IsOpen());
  ASSERT_TRUE(a.Id());
  for (const char* name : {"a", "hard", "soft"}) {
    RegularFile w = RegularFile::OpenForWriting(Path(name));
    ASSERT_TRUE(w.IsOpen()) << name;
    EXPECT_EQ(w.Id(), a.Id()) << name;
    EXPECT_EQ(RegularFile::IdOf(Path(name)), a.Id()) << name;
  }
  EXPECT_EQ(ReadAll(dir_ / "a"), "kept");

  // A name that does not exist is made; it is another file.
  RegularFile fresh = RegularFile::OpenForWriting(Path("b"));
  ASSERT_TRUE(fresh.IsOpen());
  ASSERT_TRUE(fresh.Id());
  EXPECT_NE(fresh.Id(), a.Id());
  EXPECT_FALSE(RegularFile::IdOf(Path("missing")));

  RegularFile w = RegularFile::OpenForWriting(Path("soft"));
  ASSERT_TRUE(w.Truncate());
  EXPECT_EQ(ReadAll(dir_ / "a"), "");
  EXPECT_FALSE(RegularFile().Id());
  EXPECT_FALSE(RegularFile().Truncate());
}

TEST_F(RegularFileTest, WritingRefusesWhatIsNoRegularFileWithoutOpeningIt) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir_ / "device");
  fs::create_directory(dir_ / "folder");
  for (const char* name : {"fifo", "device", "folder"}) {
    const RegularFile w = RegularFile::OpenForWriting(Path(name));
    EXPECT_FALSE(w.IsOpen()) << name;
    EXPECT_EQ(w.Why(), RegularFile::Failure::NotRegular) << name;
  }
}

}  // namespace
}  // namespace com
