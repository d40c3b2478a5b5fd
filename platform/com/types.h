// Scalar types, result codes and the GUID of the object layer.
//
// The names are the ones the components' code uses on its home platform so that
// the components read as they would there; the sizes are fixed explicitly because
// "long" in an automation interface is always 32 bits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#define COM_API __attribute__((visibility("default")))

using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using INT = int;
using UINT = unsigned int;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using FLOAT = float;
using DOUBLE = double;
using BOOL = int;
using VARIANT_BOOL = std::int16_t;
using VARTYPE = std::uint16_t;
using DISPID = std::int32_t;
using LCID = std::uint32_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;
using DATE = double;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MakeHResult(std::uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
constexpr HRESULT REGDB_E_READREGDB = MakeHResult(0x80040150u);
constexpr HRESULT REGDB_E_WRITEREGDB = MakeHResult(0x80040151u);
constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3u);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeHResult(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = MakeHResult(0x800401F9u);
constexpr HRESULT MK_E_UNAVAILABLE = MakeHResult(0x800401E3u);
constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeHResult(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = MakeHResult(0x8002000Bu);
constexpr HRESULT DISP_E_UNKNOWNLCID = MakeHResult(0x8002000Cu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeHResult(0x8002000Du);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHResult(0x8002000Fu);
constexpr HRESULT DISP_E_DIVBYZERO = MakeHResult(0x80020012u);

// A GUID. Texts have the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};

  friend constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{};

namespace com_detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace com_detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces required); false on any
// other shape. Usable at compile time, so interface tables are written with the
// registry texts.
constexpr bool TryParseGuid(std::string_view s, GUID& out) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}') return false;
  if (s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-') return false;
  auto hex = [&](std::size_t pos, std::size_t n, std::uint64_t& v) {
    v = 0;
    for (std::size_t i = 0; i < n; ++i) {
      int d = com_detail::HexDigit(s[pos + i]);
      if (d < 0) return false;
      v = v * 16 + static_cast<std::uint64_t>(d);
    }
    return true;
  };
  std::uint64_t v = 0;
  GUID g{};
  if (!hex(1, 8, v)) return false;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!hex(10, 4, v)) return false;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!hex(15, 4, v)) return false;
  g.Data3 = static_cast<std::uint16_t>(v);
  const std::size_t pos4[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!hex(pos4[i], 2, v)) return false;
    g.Data4[i] = static_cast<std::uint8_t>(v);
  }
  out = g;
  return true;
}

// Compile-time GUID from its registry text; a malformed literal does not compile.
consteval GUID MakeGuid(const char* text) {
  std::string_view s(text);
  GUID g{};
  if (!TryParseGuid(s, g)) throw "malformed GUID literal";
  return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
COM_API std::string GuidToString(const GUID& g);

struct GuidHash {
  std::size_t operator()(const GUID& g) const noexcept {
    std::uint64_t h = g.Data1;
    h = h * 1000003u ^ g.Data2;
    h = h * 1000003u ^ g.Data3;
    for (auto b : g.Data4) h = h * 131u ^ b;
    return static_cast<std::size_t>(h);
  }
};

// The interface identifier of an interface type, declared in the interface as
// `static constexpr IID Iid`.
template <class I>
constexpr const IID& IidOf() {
  return I::Iid;
}
