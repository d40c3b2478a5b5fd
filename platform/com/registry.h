// The registry: hierarchical keys holding named string values under the usual
// roots, persisted in one text file for the whole user. The file's path is the
// environment variable PLATFORM_REGISTRY, else "$XDG_CONFIG_HOME/platform/registry.reg"
// (XDG_CONFIG_HOME defaulting to "$HOME/.config"). Tests point the variable at a
// temporary file.
//
// Key paths use "\" between names and are case-insensitive, as are value names;
// the default value of a key has the empty name. The file is read when first
// needed and again whenever it changed on disk; every write goes to a temporary
// file that is then renamed over the old one, under an advisory lock, so readers
// never see half a file. A file that cannot be parsed is reported and never
// overwritten; so is anything under the path that is not a regular file (a
// FIFO, a device), which is not even opened for reading: every call fails at
// once with a read error.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/types.h"

using HKEY = struct RegistryKeyHandle*;

// The roots (predefined handles).
COM_API extern HKEY const HKEY_CLASSES_ROOT;
COM_API extern HKEY const HKEY_CURRENT_USER;
COM_API extern HKEY const HKEY_LOCAL_MACHINE;

using LSTATUS = LONG;
constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_CANTREAD = 1012;
constexpr LSTATUS ERROR_CANTWRITE = 1013;

constexpr DWORD REG_SZ = 1;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// What RegCreateKeyExA did, through its `disposition` argument.
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

extern "C" {
// Names and values are ANSI (Windows-1250) texts. Handles returned must be closed
// with RegCloseKey. Values are strings (REG_SZ) only.
COM_API LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD access, HKEY* result);
COM_API LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* cls, DWORD options,
                                DWORD access, void* security, HKEY* result, DWORD* disposition);
COM_API LSTATUS RegCloseKey(HKEY key);
// Sets a string value; data is `size` bytes (a trailing NUL is dropped).
COM_API LSTATUS RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// Reads a string value into data (NUL-terminated); *size in: buffer size, out: bytes
// needed including the NUL. ERROR_MORE_DATA when the buffer is too small.
COM_API LSTATUS RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
COM_API LSTATUS RegDeleteValueA(HKEY key, const char* name);
// Deletes a key and everything below it.
COM_API LSTATUS RegDeleteTreeA(HKEY key, const char* subKey);
COM_API LSTATUS RegDeleteKeyA(HKEY key, const char* subKey);
// Enumerates subkey names / value names and data by index.
COM_API LSTATUS RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, char* cls,
                              DWORD* clsSize, void* lastWrite);
COM_API LSTATUS RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type,
                              BYTE* data, DWORD* dataSize);
}

// C++ convenience over the same store. Paths are absolute, starting with a root
// name ("HKEY_CLASSES_ROOT\CLSID\{...}"); the short root names HKCR, HKCU and HKLM
// are accepted too.
namespace registry {

// The path of the file in use.
COM_API std::string FilePath();

// Reads a value; nullopt when the key or value does not exist.
COM_API std::optional<std::string> GetValue(const std::string& keyPath, const std::string& name = "");
// Names of the immediate subkeys, in the file's order.
COM_API std::vector<std::string> SubKeys(const std::string& keyPath);
// Names and data of the values of a key.
COM_API std::vector<std::pair<std::string, std::string>> Values(const std::string& keyPath);

// The registry as a transaction finds it while it is applied: what the file
// held under the writers' lock, with the transaction's earlier changes.
class COM_API Snapshot {
 public:
  // Whether the key exists, its names compared as the registry compares them
  // (in any letter case).
  virtual bool HasKey(const std::string& keyPath) const = 0;
  // Names of the immediate subkeys, in the file's order.
  virtual std::vector<std::string> SubKeys(const std::string& keyPath) const = 0;

 protected:
  ~Snapshot() = default;
};

// Several changes written at once, in one file replacement.
class COM_API Transaction {
 public:
  Transaction();
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void SetValue(const std::string& keyPath, const std::string& name, const std::string& value);
  void CreateKey(const std::string& keyPath);
  void DeleteTree(const std::string& keyPath);
  // A change that depends on what the registry holds when it is written (a
  // name that no key takes yet, say): when the transaction is applied, under
  // the writers' lock, `decide` reads the registry through the snapshot and
  // records its changes in the transaction it is given (never committing
  // it), which are applied at once. No other writer, in this process or
  // another, changes the registry in between. It runs once for each Commit
  // that gets as far as reading the file.
  void Decide(std::function<void(const Snapshot&, Transaction&)> decide);
  // Applies the changes and writes the file. S_OK, or a failing HRESULT with the
  // reason in `error` (unreadable or damaged file, write failure); on failure
  // nothing changes.
  HRESULT Commit(std::string* error = nullptr);

 private:
  struct Impl;
  friend struct TransactionApplier;
  Impl* impl_;
};

// The last load failure of the file ("" when it loaded), for error texts.
COM_API std::string LastLoadError();

// Forgets the in-memory copy so that the next call reads the file again, as a
// fresh process would. For tests.
COM_API void ResetCacheForTests();

}  // namespace registry
