#include "platform/sys/version.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sys/modulefile.h"
#include "platform/win/handles.h"

namespace {

// The block GetFileVersionInfoA hands out: this header, then the string table as
// NUL-terminated texts: the translation ("041504E2"), then name and value pairs,
// then an empty name.
struct BlockHeader {
  char magic[8];
  DWORD size;  // of the whole block
  DWORD reserved;
  VS_FIXEDFILEINFO fixed;
  WORD translation[2];
  WORD padding[2];
};
constexpr char kBlockMagic[8] = "PVBLOCK";

// A record as embedded in a module: its translation and its name and value pairs.
struct Record {
  std::string translation;
  std::vector<std::pair<std::string, std::string>> values;
};

// Parses the first record of a section; nullopt when it is not one.
std::optional<Record> ParseRecord(const std::vector<char>& data) {
  std::vector<std::string_view> texts;
  std::size_t pos = 0;
  while (pos < data.size()) {
    const void* end = std::memchr(data.data() + pos, '\0', data.size() - pos);
    if (!end) break;  // a text without its NUL ends the record
    const std::size_t len = static_cast<const char*>(end) - (data.data() + pos);
    texts.emplace_back(data.data() + pos, len);
    pos += len + 1;
    // The empty name after the pairs ends the record.
    if (texts.size() > 2 && texts.size() % 2 == 1 && texts.back().empty()) break;
  }
  if (texts.size() < 2 || texts[0] != PLATFORM_VERSION_MAGIC || texts[1].size() != 8) return std::nullopt;
  Record r;
  r.translation = texts[1];
  for (std::size_t i = 2; i + 1 < texts.size() && !texts[i].empty(); i += 2)
    r.values.emplace_back(std::string(texts[i]), std::string(texts[i + 1]));
  return r;
}

// "1.2.3.4" as the two 32-bit halves of a version; missing parts are 0, parts
// above 65535 are held at 65535, and anything after a non-digit is ignored.
void ParseVersion(const std::string& text, DWORD& ms, DWORD& ls) {
  DWORD parts[4] = {0, 0, 0, 0};
  std::size_t i = 0;
  for (int p = 0; p < 4 && i < text.size(); ++p) {
    DWORD v = 0;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      v = std::min<DWORD>(v * 10 + static_cast<DWORD>(text[i] - '0'), 65535);
      digits = true;
      ++i;
    }
    if (!digits) break;
    parts[p] = v;
    if (i < text.size() && text[i] == '.') ++i;
    else break;
  }
  ms = (parts[0] << 16) | parts[1];
  ls = (parts[2] << 16) | parts[3];
}

unsigned HexValue(std::string_view hex) {
  unsigned v = 0;
  for (char c : hex) {
    v <<= 4;
    if (c >= '0' && c <= '9') v |= static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') v |= static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') v |= static_cast<unsigned>(c - 'A' + 10);
  }
  return v;
}

std::vector<char> BuildBlock(const Record& r) {
  std::string strings = r.translation + '\0';
  for (const auto& [name, value] : r.values) strings += name + '\0' + value + '\0';
  strings += '\0';
  std::vector<char> block(sizeof(BlockHeader) + strings.size());
  BlockHeader h{};
  std::memcpy(h.magic, kBlockMagic, sizeof(h.magic));
  h.size = static_cast<DWORD>(block.size());
  h.fixed.dwSignature = VS_FFI_SIGNATURE;
  h.fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  for (const auto& [name, value] : r.values) {
    if (name == "FileVersion") ParseVersion(value, h.fixed.dwFileVersionMS, h.fixed.dwFileVersionLS);
    if (name == "ProductVersion") ParseVersion(value, h.fixed.dwProductVersionMS, h.fixed.dwProductVersionLS);
  }
  h.fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
  h.fixed.dwFileOS = VOS__WINDOWS32;
  h.fixed.dwFileType = VFT_DLL;
  h.translation[0] = static_cast<WORD>(HexValue(std::string_view(r.translation).substr(0, 4)));
  h.translation[1] = static_cast<WORD>(HexValue(std::string_view(r.translation).substr(4, 4)));
  std::memcpy(block.data(), &h, sizeof(h));
  std::memcpy(block.data() + sizeof(h), strings.data(), strings.size());
  return block;
}

// The block of a file, or the error code that GetLastError reports.
std::optional<std::vector<char>> FileBlock(const char* fileName, DWORD& error) {
  if (!fileName) {
    error = ERROR_FILE_NOT_FOUND;
    return std::nullopt;
  }
  std::optional<std::string> path = sys::FindModuleFile(fileName);
  if (!path) {
    error = ERROR_FILE_NOT_FOUND;
    return std::nullopt;
  }
  std::optional<std::vector<char>> section = sys::ReadElfSection(*path, PLATFORM_VERSION_SECTION);
  std::optional<Record> record = section ? ParseRecord(*section) : std::nullopt;
  if (!record) {
    error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return std::nullopt;
  }
  return BuildBlock(*record);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

extern "C" {

DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) {
  if (handle) *handle = 0;
  DWORD error = 0;
  std::optional<std::vector<char>> block = FileBlock(fileName, error);
  if (!block) {
    SetLastError(error);
    return 0;
  }
  return static_cast<DWORD>(block->size());
}

BOOL GetFileVersionInfoA(const char* fileName, DWORD, DWORD size, void* data) {
  DWORD error = 0;
  std::optional<std::vector<char>> block = FileBlock(fileName, error);
  if (!block) {
    SetLastError(error);
    return FALSE;
  }
  if (!data || size < block->size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, block->data(), block->size());
  return TRUE;
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
  if (!block || !subBlock || !buffer || !length) return FALSE;
  BlockHeader h;
  std::memcpy(&h, block, sizeof(h));
  if (std::memcmp(h.magic, kBlockMagic, sizeof(h.magic)) != 0 || h.size <= sizeof(BlockHeader)) return FALSE;
  const char* base = static_cast<const char*>(block);

  std::vector<std::string_view> parts;
  for (std::string_view rest = subBlock; !rest.empty();) {
    const std::size_t cut = rest.find('\\');
    const std::string_view part = rest.substr(0, cut);
    if (!part.empty()) parts.push_back(part);
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }

  if (parts.empty()) {
    *buffer = const_cast<char*>(base + offsetof(BlockHeader, fixed));
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
  }
  if (parts.size() == 2 && EqualNoCase(parts[0], "VarFileInfo") && EqualNoCase(parts[1], "Translation")) {
    *buffer = const_cast<char*>(base + offsetof(BlockHeader, translation));
    *length = sizeof(h.translation);
    return TRUE;
  }
  if (parts.size() != 3 || !EqualNoCase(parts[0], "StringFileInfo")) return FALSE;

  // The string table, read within the block's size only.
  std::vector<const char*> texts;
  const char* p = base + sizeof(BlockHeader);
  const char* end = base + h.size;
  while (p < end) {
    const void* nul = std::memchr(p, '\0', static_cast<std::size_t>(end - p));
    if (!nul) break;
    texts.push_back(p);
    p = static_cast<const char*>(nul) + 1;
  }
  if (texts.empty() || !EqualNoCase(texts[0], parts[1])) return FALSE;
  for (std::size_t i = 1; i + 1 < texts.size() && *texts[i]; i += 2) {
    if (EqualNoCase(texts[i], parts[2])) {
      *buffer = const_cast<char*>(texts[i + 1]);
      *length = static_cast<UINT>(std::strlen(texts[i + 1]) + 1);
      return TRUE;
    }
  }
  return FALSE;
}

}  // extern "C"

// This layer's own record.
PLATFORM_VERSION_RECORD(PLATFORM_FILE_VERSION, "Platform", "Module version information and system directory", "");
