#include "platform/com/ansi.h"

#include <algorithm>
#include <array>

namespace {

// Windows-1250, bytes 0x80..0xFF. The five positions the code page leaves
// undefined keep their own number so that every byte survives a round trip.
constexpr char16_t kHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// Reverse map for code points above 0x7F, built once.
struct Reverse {
  std::array<std::pair<char16_t, unsigned char>, 128> entries{};
  Reverse() {
    for (int i = 0; i < 128; ++i) entries[i] = {kHigh[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(entries.begin(), entries.end());
  }
  int Find(char16_t c) const {
    auto it = std::lower_bound(entries.begin(), entries.end(), std::pair<char16_t, unsigned char>{c, 0});
    if (it != entries.end() && it->first == c) return it->second;
    return -1;
  }
};

const Reverse& ReverseMap() {
  static const Reverse r;
  return r;
}

// Decodes one UTF-8 sequence at s[i]; malformed bytes decode as U+FFFD.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
  if (extra < 0) return 0xFFFD;
  char32_t cp = b & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return cp;
}

void EncodeUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

char16_t AnsiCharToWide(unsigned char c) { return c < 0x80 ? c : kHigh[c - 0x80]; }

char WideCharToAnsi(char16_t c) {
  if (c < 0x80) return static_cast<char>(c);
  int b = ReverseMap().Find(c);
  return b < 0 ? '?' : static_cast<char>(b);
}

std::u16string AnsiToWide(std::string_view s) {
  std::u16string r(s.size(), u'\0');
  for (std::size_t i = 0; i < s.size(); ++i) r[i] = AnsiCharToWide(static_cast<unsigned char>(s[i]));
  return r;
}

std::string WideToAnsi(std::u16string_view s) {
  std::string r(s.size(), '\0');
  // Plain ASCII, by far the most common, is copied without the table search.
  for (std::size_t i = 0; i < s.size(); ++i) r[i] = s[i] < 0x80 ? static_cast<char>(s[i]) : WideCharToAnsi(s[i]);
  return r;
}

BSTR AnsiToBstr(std::string_view s) {
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(s.size()));
  for (std::size_t i = 0; i < s.size(); ++i) b[i] = AnsiCharToWide(static_cast<unsigned char>(s[i]));
  return b;
}

std::string BstrToAnsi(BSTR s) { return WideToAnsi(BstrView(s)); }

std::u16string Utf8ToWide(std::string_view s) {
  std::u16string r;
  r.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = DecodeUtf8(s, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      r += static_cast<char16_t>(0xD800 + (cp >> 10));
      r += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      r += static_cast<char16_t>(cp);
    }
  }
  return r;
}

std::string WideToUtf8(std::u16string_view s) {
  std::string r;
  r.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    EncodeUtf8(cp, r);
  }
  return r;
}

std::string Utf8ToAnsi(std::string_view s) { return WideToAnsi(Utf8ToWide(s)); }

std::string AnsiToUtf8(std::string_view s) { return WideToUtf8(AnsiToWide(s)); }
