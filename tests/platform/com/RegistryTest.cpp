#include "platform/com/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/com/activation.h"
#include "tests/platform/BoundedCall.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

HRESULT Set(const std::string& key, const std::string& name, const std::string& value) {
  registry::Transaction t;
  t.SetValue(key, name, value);
  return t.Commit();
}

LSTATUS SetSz(HKEY key, const char* name, const char* value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), std::strlen(value) + 1);
}

std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Each test gets its own registry file, in a directory that does not exist yet.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "registry-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    dir_ = root_ + "/config";
    file_ = dir_ + "/registry.reg";
    Use(file_);
  }
  void TearDown() override {
    unsetenv("PLATFORM_REGISTRY");
    registry::ResetCacheForTests();
    fs::remove_all(root_);
  }
  static void Use(const std::string& path) {
    setenv("PLATFORM_REGISTRY", path.c_str(), 1);
    registry::ResetCacheForTests();
  }
  void WriteRegistry(const std::string& text) {
    fs::create_directories(dir_);
    WriteAll(file_, text);
  }

  std::string root_, dir_, file_;
};

TEST_F(RegistryTest, MissingFileIsAnEmptyRegistry) {
  EXPECT_EQ(registry::GetValue("HKCR\\CLSID"), std::nullopt);
  EXPECT_EQ(registry::LastLoadError(), "");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  char name[16];
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_FALSE(fs::exists(file_)) << "reading must not create the file";
}

TEST_F(RegistryTest, ValuesRoundTripThroughTheReadableFile) {
  registry::Transaction t;
  t.SetValue("HKCR\\CLSID\\{00000001-0000-0000-C000-000000000046}", "", "Zelvani.Doc");
  t.SetValue("HKEY_CLASSES_ROOT\\CLSID\\{00000001-0000-0000-C000-000000000046}\\InprocServer32", "", "/lib/z.so");
  t.SetValue("HKCR\\CLSID\\{00000001-0000-0000-C000-000000000046}\\InprocServer32", "ThreadingModel", "Both");
  t.CreateKey("HKCU\\Software\\Empty");
  t.SetValue("HKLM\\Zeta", "x", "1");
  t.SetValue("HKLM\\Alpha", "x", "2");
  std::string error;
  ASSERT_EQ(t.Commit(&error), S_OK) << error;

  EXPECT_EQ(ReadAll(file_),
            "[HKEY_CLASSES_ROOT\\CLSID]\n"
            "\n[HKEY_CLASSES_ROOT\\CLSID\\{00000001-0000-0000-C000-000000000046}]\n"
            "@=\"Zelvani.Doc\"\n"
            "\n[HKEY_CLASSES_ROOT\\CLSID\\{00000001-0000-0000-C000-000000000046}\\InprocServer32]\n"
            "@=\"/lib/z.so\"\n"
            "\"ThreadingModel\"=\"Both\"\n"
            "\n[HKEY_CURRENT_USER\\Software]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Empty]\n"
            "\n[HKEY_LOCAL_MACHINE\\Zeta]\n"
            "\"x\"=\"1\"\n"
            "\n[HKEY_LOCAL_MACHINE\\Alpha]\n"
            "\"x\"=\"2\"\n");

  registry::ResetCacheForTests();
  const std::string server = "HKCR\\CLSID\\{00000001-0000-0000-C000-000000000046}\\InprocServer32";
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(registry::Values(server), (Pairs{{"", "/lib/z.so"}, {"ThreadingModel", "Both"}}));
  EXPECT_EQ(registry::SubKeys("HKEY_LOCAL_MACHINE"), (std::vector<std::string>{"Zeta", "Alpha"}));
  EXPECT_EQ(registry::SubKeys("HKCU\\Software"), std::vector<std::string>{"Empty"});
  EXPECT_EQ(registry::GetValue("HKCR\\CLSID\\{00000001-0000-0000-C000-000000000046}"), "Zelvani.Doc");
}

TEST_F(RegistryTest, EscapesSurviveWritingAndReading) {
  const std::string name = "a\"b\\c=d";
  const std::string value = "C:\\dir\\\"q\"\nline2\r\x8a\x9e";
  ASSERT_EQ(Set("HKCU\\K", name, value), S_OK);
  EXPECT_NE(ReadAll(file_).find("\n\"a\\\"b\\\\c=d\"=\"C:\\\\dir\\\\\\\"q\\\"\\nline2\\r\x8a\x9e\"\n"),
            std::string::npos)
      << ReadAll(file_);
  registry::ResetCacheForTests();
  EXPECT_EQ(registry::GetValue("HKCU\\K", name), value);

  // A hand-edited file: CRLF line ends, comments, blanks around '=', short root names.
  WriteRegistry("; edited by hand\r\n[HKCU\\Hand]\r\n  @ = \"x\\ny\"\r\n\r\n\"n\"=\"\"\r\n");
  registry::ResetCacheForTests();
  EXPECT_EQ(registry::GetValue("HKEY_CURRENT_USER\\Hand"), "x\ny");
  EXPECT_EQ(registry::GetValue("HKCU\\Hand", "n"), "");
}

TEST_F(RegistryTest, NamesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
  ASSERT_EQ(Set("HKCU\\Software\\MyApp", "Colour", "red"), S_OK);
  ASSERT_EQ(Set("hkcu\\SOFTWARE\\myapp", "COLOUR", "blue"), S_OK);
  ASSERT_EQ(Set("HKEY_current_user\\software\\MYAPP\\Sub", "", "x"), S_OK);
  registry::ResetCacheForTests();
  EXPECT_EQ(registry::GetValue("HKCU\\software\\MYAPP", "colour"), "blue");
  EXPECT_EQ(registry::SubKeys("HKCU"), std::vector<std::string>{"Software"});
  EXPECT_EQ(registry::SubKeys("HKCU\\Software"), std::vector<std::string>{"MyApp"});
  EXPECT_EQ(registry::Values("HKCU\\Software\\MyApp").at(0).first, "Colour");
  // Only ASCII letters fold: these Windows-1250 letters are Á and á.
  ASSERT_EQ(Set("HKCU\\\xC1", "", "upper"), S_OK);
  EXPECT_EQ(registry::GetValue("HKCU\\\xE1"), std::nullopt);
}

TEST_F(RegistryTest, CreateSetAndQueryThroughHandles) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Vendor\\App", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_NE(ReadAll(file_).find("[HKEY_LOCAL_MACHINE\\Software\\Vendor\\App]"), std::string::npos);
  EXPECT_EQ(registry::SubKeys("HKLM\\Software"), std::vector<std::string>{"Vendor"});
  HKEY again = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\vendor\\app", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &again, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);

  ASSERT_EQ(SetSz(key, "Path", "C:\\x"), ERROR_SUCCESS);
  ASSERT_EQ(SetSz(key, nullptr, "default"), ERROR_SUCCESS);
  DWORD dword = 7;
  EXPECT_EQ(RegSetValueExA(key, "Path", 0, 4 /* REG_DWORD */, reinterpret_cast<BYTE*>(&dword), 4),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(registry::GetValue("HKLM\\Software\\Vendor\\App", "Path"), "C:\\x");  // no trailing NUL kept
  EXPECT_EQ(registry::GetValue("HKLM\\Software\\Vendor\\App"), "default");

  registry::ResetCacheForTests();  // the handle outlives the cache
  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "PATH", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 5u);
  char buf[8] = {};
  size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  size = 5;
  ASSERT_EQ(RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "C:\\x");
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, EnumeratesKeysAndValuesInOrder) {
  registry::Transaction t;
  for (const char* name : {"Beta", "alpha", "Gamma"}) t.CreateKey(std::string("HKCU\\E\\") + name);
  t.SetValue("HKCU\\E", "Two", "2");
  t.SetValue("HKCU\\E", "", "default");
  ASSERT_EQ(t.Commit(), S_OK);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "E", 0, KEY_READ, &key), ERROR_SUCCESS);

  char name[16];
  std::vector<std::string> keys;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LSTATUS status = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(size, std::strlen(name));
    keys.push_back(name);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Beta", "alpha", "Gamma"}));
  DWORD small = 4;  // "Beta" needs 5 with its NUL
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &small, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  DWORD nameSize = sizeof name, type = 0, dataSize = 0;
  BYTE data[16];
  ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, nullptr, &dataSize), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Two");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(dataSize, 2u);
  nameSize = sizeof name;
  dataSize = 3;
  EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, data, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 8u);
  nameSize = sizeof name;
  dataSize = sizeof data;
  ASSERT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, data, &dataSize), ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 0u);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "default");
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 2, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DeletesKeysTreesAndValues) {
  registry::Transaction t;
  t.SetValue("HKCU\\T\\A\\B", "v", "1");
  t.SetValue("HKCU\\T\\C", "v", "2");
  t.SetValue("HKCU\\T", "w", "3");
  ASSERT_EQ(t.Commit(), S_OK);
  HKEY deep = nullptr, top = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "T\\A\\B", 0, KEY_ALL_ACCESS, &deep), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "T", 0, KEY_ALL_ACCESS, &top), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "T\\A"), ERROR_ACCESS_DENIED) << "it has a subkey";
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "t\\a"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "T\\A"), ERROR_FILE_NOT_FOUND);
  registry::ResetCacheForTests();
  EXPECT_EQ(registry::SubKeys("HKCU\\T"), std::vector<std::string>{"C"});

  // A handle to the deleted key finds nothing and does not bring the key back.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(deep, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetSz(deep, "v", "again"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry::SubKeys("HKCU\\T"), std::vector<std::string>{"C"});

  EXPECT_EQ(RegDeleteValueA(top, "missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(top, "W"), ERROR_SUCCESS);
  EXPECT_EQ(registry::GetValue("HKCU\\T", "w"), std::nullopt);

  ASSERT_EQ(RegDeleteTreeA(top, nullptr), ERROR_SUCCESS);  // contents only
  EXPECT_TRUE(registry::SubKeys("HKCU\\T").empty());
  EXPECT_EQ(registry::SubKeys("HKCU"), std::vector<std::string>{"T"});
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "T"), ERROR_SUCCESS);
  EXPECT_TRUE(registry::SubKeys("HKCU").empty());
  RegCloseKey(deep);
  RegCloseKey(top);
}

TEST_F(RegistryTest, DamagedFileIsRefusedAndNeverOverwritten) {
  const std::string damaged = "[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n\"b\"=unquoted\n";
  WriteRegistry(damaged);
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), std::nullopt);
  EXPECT_NE(registry::LastLoadError().find("registry file " + file_ + " line 3: "), std::string::npos)
      << registry::LastLoadError();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_READ, &key), ERROR_BADDB);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "New", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_BADDB);
  EXPECT_EQ(SetSz(HKEY_CURRENT_USER, "x", "y"), ERROR_BADDB);
  registry::Transaction t;
  t.SetValue("HKCU\\K", "a", "2");
  std::string error;
  EXPECT_EQ(t.Commit(&error), REGDB_E_READREGDB);
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(file_), damaged);
  EXPECT_EQ(DirEntries(dir_), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));

  // Once repaired by hand, the file is read again.
  WriteRegistry("[HKEY_CURRENT_USER\\K]\n\"a\"=\"fixed\"\n");
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), "fixed");
  EXPECT_EQ(registry::LastLoadError(), "");
}

TEST_F(RegistryTest, RejectsEachKindOfBrokenLine) {
  const char* broken[] = {
      "\"a\"=\"value before any key\"",  "[HKEY_NOWHERE\\K]",        "[HKEY_CURRENT_USER\\K",
      "[HKCU\\K]\n\"a\"=\"unterminated", "[HKCU\\K]\n\"a\"=\"\\q\"", "[HKCU\\K]\n\"a\" \"b\"",
      "[HKCU\\K]\n\"a\"=\"b\" trailing", "[HKCU\\K]\nplain=\"b\"",
  };
  for (const char* text : broken) {
    SCOPED_TRACE(text);
    WriteRegistry(std::string("; first line\n") + text + "\n");
    registry::ResetCacheForTests();
    EXPECT_TRUE(registry::SubKeys("HKCU").empty());
    std::string error = registry::LastLoadError();
    EXPECT_NE(error.find(" line "), std::string::npos) << error;
  }
}

TEST_F(RegistryTest, UnreadableFileIsRefused) {
  fs::create_directories(file_);  // a directory where the file should be: read() fails even for root
  EXPECT_EQ(registry::GetValue("HKCU\\K"), std::nullopt);
  EXPECT_NE(registry::LastLoadError().find(file_), std::string::npos);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), ERROR_CANTREAD);
  EXPECT_EQ(Set("HKCU\\K", "a", "1"), REGDB_E_READREGDB);
  EXPECT_TRUE(fs::is_directory(file_));
}

// A FIFO where the file should be is refused as unreadable without being
// opened for reading, which would wait for a writer for good: every reader of
// the registry fails at once with a read error, and nothing replaces it.
TEST_F(RegistryTest, AFifoInPlaceOfTheFileIsRefusedWithoutBlocking) {
  fs::create_directories(dir_);
  bounded_call::Fifo fifo(file_);
  HKEY key = nullptr;
  CLSID clsid{};
  IUnknown* object = nullptr;
  struct Row {
    const char* what;
    std::function<long()> call;
    long expected;
  } rows[] = {
      {"opening a key", [&] { return RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &key); }, ERROR_CANTREAD},
      {"creating a key",
       [&] { return RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr); },
       ERROR_CANTREAD},
      {"setting a value", [&] { return SetSz(HKEY_CURRENT_USER, "a", "1"); }, ERROR_CANTREAD},
      {"a transaction", [&] { return Set("HKCU\\K", "a", "1"); }, REGDB_E_READREGDB},
      {"a value read", [&] { return registry::GetValue("HKCR\\CLSID") ? 0L : ERROR_CANTREAD; }, ERROR_CANTREAD},
      {"a class by its program identifier", [&] { return CLSIDFromProgID(u"Some.Class", &clsid); }, REGDB_E_READREGDB},
      {"an object of a class", [&] {
         return CoCreateInstance(MakeGuid("{00000000-1111-2222-3333-444444444444}"), nullptr, CLSCTX_INPROC_SERVER,
                                 IUnknown::Iid, reinterpret_cast<void**>(&object));
       },
       REGDB_E_READREGDB},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    registry::ResetCacheForTests();  // each call is the first to read the file
    long result = 0;
    bounded_call::WithinBound([&] { result = r.call(); }, [&] { fifo.Unblock(); });
    EXPECT_EQ(result, r.expected);
  }
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(object, nullptr);
  EXPECT_NE(registry::LastLoadError().find("not a regular file"), std::string::npos) << registry::LastLoadError();
  struct stat st {};
  ASSERT_EQ(lstat(file_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is still in place";
}

TEST_F(RegistryTest, FileWithoutReadPermissionIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads files regardless of their permissions";
  ASSERT_EQ(Set("HKCU\\K", "a", "1"), S_OK);
  const std::string before = ReadAll(file_);
  ASSERT_EQ(chmod(file_.c_str(), 0), 0);
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), std::nullopt);
  EXPECT_EQ(Set("HKCU\\K", "a", "2"), REGDB_E_READREGDB);
  ASSERT_EQ(chmod(file_.c_str(), 0600), 0);
  EXPECT_EQ(ReadAll(file_), before);
}

TEST_F(RegistryTest, WriteFailureIsReported) {
  WriteAll(root_ + "/plain", "not a directory");
  Use(root_ + "/plain/registry.reg");
  std::string error;
  registry::Transaction t;
  t.SetValue("HKCU\\K", "a", "1");
  EXPECT_EQ(t.Commit(&error), REGDB_E_WRITEREGDB);
  EXPECT_NE(error.find("plain"), std::string::npos) << error;
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "K", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_CANTWRITE);
  EXPECT_EQ(ReadAll(root_ + "/plain"), "not a directory");
}

TEST_F(RegistryTest, WritesReplaceTheFileWholeAndLeaveNoTemporaryFiles) {
  ASSERT_EQ(Set("HKCU\\K", "a", "1"), S_OK);  // also creates the missing directory
  ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
  std::ifstream oldFile(file_, std::ios::binary);
  ASSERT_EQ(Set("HKCU\\K", "a", "2"), S_OK);
  // A reader that opened the old file still sees it whole: the new one was renamed over it.
  std::ostringstream old;
  old << oldFile.rdbuf();
  EXPECT_EQ(old.str(), "[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n");
  EXPECT_EQ(ReadAll(file_), "[HKEY_CURRENT_USER\\K]\n\"a\"=\"2\"\n");
  struct stat st {};
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "permissions are kept";
  EXPECT_EQ(DirEntries(dir_), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryTest, SeesChangesByOtherWritersAndFollowsTheVariable) {
  ASSERT_EQ(Set("HKCU\\K", "a", "1"), S_OK);
  ASSERT_EQ(registry::GetValue("HKCU\\K", "a"), "1");
  WriteAll(file_ + ".new", "[HKEY_CURRENT_USER\\K]\n\"a\"=\"from another process\"\n");
  fs::rename(file_ + ".new", file_);
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), "from another process");
  WriteAll(file_, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"edited in place\"\n");
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), "edited in place");

  const std::string other = root_ + "/other.reg";
  WriteAll(other, "[HKEY_CURRENT_USER\\K]\n\"a\"=\"other\"\n");
  setenv("PLATFORM_REGISTRY", other.c_str(), 1);
  EXPECT_EQ(registry::FilePath(), other);
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), "other");
  setenv("PLATFORM_REGISTRY", file_.c_str(), 1);
  EXPECT_EQ(registry::GetValue("HKCU\\K", "a"), "edited in place");
}

TEST_F(RegistryTest, ConcurrentWritersLoseNoUpdate) {
  constexpr int kEach = 25;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "C", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  // Another process: its writes go through the lock, and this process's cache
  // is stale each time it writes.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    for (int i = 0; i < kEach; ++i) failures += Set("HKCU\\C", "p" + std::to_string(i), "x") != S_OK;
    _exit(failures);
  }
  auto writer = [&](const char* prefix) {
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(SetSz(key, (prefix + std::to_string(i)).c_str(), "x"), ERROR_SUCCESS);
  };
  std::thread a(writer, "a"), b(writer, "b");
  a.join();
  b.join();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  RegCloseKey(key);
  registry::ResetCacheForTests();
  EXPECT_EQ(registry::Values("HKCU\\C").size(), 3u * kEach);
}

}  // namespace
