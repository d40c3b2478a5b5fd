// Version records read from module files: the queries a host makes, the search
// for a module by its home-platform name, and files that carry no record or are
// damaged.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/sys/modulefile.h"
#include "platform/sys/version.h"
#include "platform/win/handles.h"
#include "tests/platform/BoundedCall.h"

// This test program's own record; a part above 65535 is held at 65535 in the
// fixed part.
PLATFORM_VERSION_RECORD("2.5.70000.1", "Sample product", "Sample description", "Sample copyright");

namespace {

namespace fs = std::filesystem;

const char* kSelf = "/proc/self/exe";

std::vector<char> Block(const char* name) {
  DWORD handle = 7;
  DWORD size = GetFileVersionInfoSizeA(name, &handle);
  EXPECT_EQ(handle, 0u);
  if (size == 0) return {};
  std::vector<char> block(size);
  EXPECT_TRUE(GetFileVersionInfoA(name, 0, size, block.data()));
  return block;
}

std::optional<std::string> Text(const std::vector<char>& block, const char* query) {
  void* p = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(block.data(), query, &p, &len)) return std::nullopt;
  const char* s = static_cast<const char*>(p);
  // The length counts the terminating NUL.
  EXPECT_EQ(len, std::strlen(s) + 1) << query;
  return std::string(s);
}

TEST(VersionTest, StringQueries) {
  std::vector<char> block = Block(kSelf);
  ASSERT_FALSE(block.empty());
  struct Row {
    const char* query;
    const char* expected;  // null: no such value
  } rows[] = {
      {"\\StringFileInfo\\041504E2\\FileVersion", "2.5.70000.1"},
      // The form with two leading backslashes reads the same value.
      {"\\\\StringFileInfo\\041504E2\\FileVersion", "2.5.70000.1"},
      {"\\StringFileInfo\\041504E2\\ProductVersion", "2.5.70000.1"},
      {"\\StringFileInfo\\041504E2\\ProductName", "Sample product"},
      {"\\StringFileInfo\\041504E2\\FileDescription", "Sample description"},
      {"\\StringFileInfo\\041504E2\\LegalCopyright", "Sample copyright"},
      {"\\stringfileinfo\\041504e2\\fileversion", "2.5.70000.1"},
      {"StringFileInfo\\041504E2\\FileVersion", "2.5.70000.1"},
      {"\\StringFileInfo\\040904E4\\FileVersion", nullptr},  // another string table
      {"\\StringFileInfo\\041504E2\\CompanyName", nullptr},
      {"\\StringFileInfo\\041504E2", nullptr},
      {"\\StringFileInfo\\041504E2\\FileVersion\\More", nullptr},
      {"\\VarFileInfo\\Other", nullptr},
  };
  for (const Row& r : rows) {
    std::optional<std::string> v = Text(block, r.query);
    if (r.expected)
      EXPECT_EQ(v, std::string(r.expected)) << r.query;
    else
      EXPECT_FALSE(v.has_value()) << r.query;
  }
}

TEST(VersionTest, FixedPartAndTranslation) {
  std::vector<char> block = Block(kSelf);
  ASSERT_FALSE(block.empty());
  void* p = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &p, &len));
  ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, p, sizeof(fixed));
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwFileVersionMS, (2u << 16) | 5u);
  EXPECT_EQ(fixed.dwFileVersionLS, (65535u << 16) | 1u);
  EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);

  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &p, &len));
  ASSERT_EQ(len, 4u);
  WORD pair[2];
  std::memcpy(pair, p, sizeof(pair));
  EXPECT_EQ(pair[0], 0x0415);
  EXPECT_EQ(pair[1], 0x04E2);

  EXPECT_FALSE(VerQueryValueA(block.data(), "\\", nullptr, &len));
  EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &p, &len));
  // A buffer that is not a version block is refused.
  std::vector<char> other(block.size(), 'x');
  EXPECT_FALSE(VerQueryValueA(other.data(), "\\", &p, &len));
}

TEST(VersionTest, HomePlatformModuleNames) {
  struct Row {
    const char* name;
    const char* expected;
  } rows[] = {
      {"Corvatin.ocx", "libcorvatin.so"},
      {"Zelvani.dll", "libzelvani.so"},
      {"TOOL.EXE", "libtool.so"},
      {"libx.so", "libx.so"},
      {".dll", ".dll"},  // no name before the extension
      {"Quelm.pkd", "Quelm.pkd"},
  };
  for (const Row& r : rows) EXPECT_EQ(sys::LinuxModuleName(r.name), r.expected) << r.name;
}

// A module already loaded in the process is found by its home-platform name.
TEST(VersionTest, LoadedModuleFoundByItsName) {
  std::vector<char> block = Block("Platform_Sys.dll");
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(Text(block, "\\StringFileInfo\\041504E2\\FileVersion"), "1.0.0.0");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\041504E2\\ProductName"), "Platform");
}

class VersionFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("platform-sys-version-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    Save("PLATFORM_SYSTEM_DIR", savedSystem_);
    Save("LD_LIBRARY_PATH", savedLibraryPath_);
  }
  void TearDown() override {
    Restore("PLATFORM_SYSTEM_DIR", savedSystem_);
    Restore("LD_LIBRARY_PATH", savedLibraryPath_);
    fs::remove_all(dir_);
  }
  static void Save(const char* name, std::optional<std::string>& slot) {
    if (const char* v = std::getenv(name)) slot = v;
  }
  static void Restore(const char* name, const std::optional<std::string>& slot) {
    if (slot)
      setenv(name, slot->c_str(), 1);
    else
      unsetenv(name);
  }
  // A copy of this program (which carries a record) under another name.
  fs::path CopySelf(const fs::path& dir, const char* name) {
    fs::create_directories(dir);
    fs::copy_file(kSelf, dir / name, fs::copy_options::overwrite_existing);
    return dir / name;
  }
  fs::path Write(const char* name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }
  fs::path dir_;
  std::optional<std::string> savedSystem_, savedLibraryPath_;
};

TEST_F(VersionFileTest, BareNameSearchedInSystemDirectoryAndLibraryPath) {
  CopySelf(dir_ / "system", "libsample.so");
  CopySelf(dir_ / "libs", "libother.so");
  setenv("PLATFORM_SYSTEM_DIR", (dir_ / "system").c_str(), 1);
  setenv("LD_LIBRARY_PATH", ("/nonexistent::" + (dir_ / "libs").string()).c_str(), 1);
  struct Row {
    const char* name;
    bool found;
  } rows[] = {
      {"Sample.ocx", true},     // system directory, under its Linux name
      {"libsample.so", true},   // system directory, as given
      {"Other.dll", true},      // a directory of LD_LIBRARY_PATH
      {"Missing.ocx", false},
  };
  for (const Row& r : rows) {
    SetLastError(0);
    DWORD size = GetFileVersionInfoSizeA(r.name, nullptr);
    EXPECT_EQ(size != 0, r.found) << r.name;
    if (!r.found) {
      EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << r.name;
    }
  }
  EXPECT_EQ(sys::FindModuleFile("Sample.ocx"), (dir_ / "system" / "libsample.so").string());
}

TEST_F(VersionFileTest, FilesWithoutARecordOrDamaged) {
  std::string self;
  {
    std::ifstream in(kSelf, std::ios::binary);
    self.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_GT(self.size(), 64u);
  std::string farSections = self.substr(0, 64);
  // e_shoff (offset 40) far beyond the end of the file.
  const std::uint64_t far = 1ull << 40;
  std::memcpy(farSections.data() + 40, &far, sizeof(far));
  struct Row {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"text.so", "not a module at all"},
      {"empty.so", ""},
      {"header-only.so", self.substr(0, 64)},
      {"far-sections.so", farSections},
      {"cut.so", self.substr(0, self.size() / 2)},
  };
  for (const Row& r : rows) {
    fs::path p = Write(r.name, r.bytes);
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(p.c_str(), nullptr), 0u) << r.name;
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND) << r.name;
    char buf[16] = {};
    EXPECT_FALSE(GetFileVersionInfoA(p.c_str(), 0, sizeof(buf), buf)) << r.name;
  }
  // A directory is not a module file.
  EXPECT_EQ(GetFileVersionInfoSizeA(dir_.c_str(), nullptr), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
  // Nor is a FIFO: even the section reader, which comes after the search,
  // refuses it without waiting for a writer.
  bounded_call::Fifo fifo(dir_ / "fifo.so");
  std::optional<std::vector<char>> section;
  bounded_call::WithinBound([&] { section = sys::ReadElfSection(fifo.Path(), ".platform_version"); },
                            [&] { fifo.Unblock(); });
  EXPECT_FALSE(section.has_value());
  EXPECT_EQ(GetFileVersionInfoSizeA(fifo.Path().c_str(), nullptr), 0u);
}

TEST_F(VersionFileTest, ShortBufferIsNotFilled) {
  DWORD size = GetFileVersionInfoSizeA(kSelf, nullptr);
  ASSERT_GT(size, 1u);
  std::vector<char> buf(size, '#');
  SetLastError(0);
  EXPECT_FALSE(GetFileVersionInfoA(kSelf, 0, size - 1, buf.data()));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(buf.begin(), buf.end()), std::string(size, '#'));
  EXPECT_TRUE(GetFileVersionInfoA(kSelf, 0, size, buf.data()));
}

}  // namespace
