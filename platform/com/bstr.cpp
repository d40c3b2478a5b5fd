#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

// Layout: [uint32 byte length][characters][NUL char16]; the BSTR points at the
// first character.
BSTR AllocBytes(const void* data, UINT bytes) {
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(char16_t) + 1));
  if (!block) return nullptr;
  std::uint32_t len = bytes;
  std::memcpy(block, &len, sizeof len);
  unsigned char* chars = block + sizeof(std::uint32_t);
  if (data)
    std::memcpy(chars, data, bytes);
  else
    std::memset(chars, 0, bytes);
  // Terminate at a character boundary and, for odd byte lengths, after the last byte.
  chars[bytes] = 0;
  chars[bytes + 1] = 0;
  chars[bytes + 2] = 0;
  return reinterpret_cast<BSTR>(chars);
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* s) {
  if (!s) return nullptr;
  std::size_t n = 0;
  while (s[n]) ++n;
  return SysAllocStringLen(s, static_cast<UINT>(n));
}

BSTR SysAllocStringLen(const OLECHAR* s, UINT len) { return AllocBytes(s, len * sizeof(OLECHAR)); }

BSTR SysAllocStringByteLen(const char* s, UINT bytes) { return AllocBytes(s, bytes); }

int SysReAllocStringLen(BSTR* p, const OLECHAR* s, UINT len) {
  BSTR n = SysAllocStringLen(s, len);
  if (!n) return FALSE;
  SysFreeString(*p);
  *p = n;
  return TRUE;
}

void SysFreeString(BSTR s) {
  if (s) std::free(reinterpret_cast<unsigned char*>(s) - sizeof(std::uint32_t));
}

UINT SysStringByteLen(BSTR s) {
  if (!s) return 0;
  std::uint32_t len;
  std::memcpy(&len, reinterpret_cast<unsigned char*>(s) - sizeof(std::uint32_t), sizeof len);
  return len;
}

UINT SysStringLen(BSTR s) { return SysStringByteLen(s) / sizeof(OLECHAR); }

}  // extern "C"

BSTR SysAllocStringView(std::u16string_view s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }
