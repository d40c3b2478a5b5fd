#include "zelvani/model/TextHelpers.h"

#include "zelvani/model/Errors.h"

namespace zelvani {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kEscapeStart = "<#$";

// Upper-cases the ASCII letters only; other bytes stay as they are.
char UpCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string Trim(std::string_view s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && IsBlankOrControl(s[begin])) ++begin;
  while (end > begin && IsBlankOrControl(s[end - 1])) --end;
  return std::string(s.substr(begin, end - begin));
}

std::string ControlCharsToText(std::string_view s) {
  std::string result;
  result.reserve(s.size());
  for (char c : s) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 32 && c != '@') {
      result += c;
      continue;
    }
    bool found = false;
    for (const ControlCharEntry& entry : kControlChars) {
      if (entry.code == code) {
        result += entry.mnemonic;
        found = true;
        break;
      }
    }
    if (!found) {
      result += kEscapeStart;
      result += kHexDigits[code >> 4];
      result += kHexDigits[code & 0x0F];
      result += '>';
    }
  }
  return result;
}

std::string TextToControlChars(std::string_view s) {
  std::string text(s);

  // Mnemonics, row by row. The inserted characters (controls, ";" and "@") never
  // occur in a mnemonic, so a replacement cannot form a new occurrence before
  // it and the search may go on from the replaced position.
  for (const ControlCharEntry& entry : kControlChars) {
    std::size_t pos = 0;
    while ((pos = text.find(entry.mnemonic, pos)) != std::string::npos) {
      text.replace(pos, entry.mnemonic.size(), 1, static_cast<char>(entry.code));
    }
  }

  // Generic escapes "<#$hh>". The character put in place of an escape may form
  // a new "<#$" together with the two characters before it, so the search goes
  // on from two characters before the escape's position.
  std::size_t from = 0;
  std::size_t pos;
  while ((pos = text.find(kEscapeStart, from)) != std::string::npos) {
    text.erase(pos, kEscapeStart.size());
    const std::size_t close = text.find('>', pos);
    if (close == std::string::npos) {
      text.erase(pos);
    } else {
      const std::string digits = text.substr(pos, close - pos);
      text.erase(pos, close - pos);
      try {
        text[pos] = static_cast<char>(HexToInt(digits) & 0xFF);
      } catch (const EConvertError&) {
        text.erase(pos, 1);
      }
    }
    from = pos >= 2 ? pos - 2 : 0;
  }
  return text;
}

int HexCharToInt(char c) {
  const std::size_t index = kHexDigits.find(UpCase(c));
  if (index == std::string_view::npos) {
    throw EConvertError("Invalid hex char (#" +
                        std::to_string(static_cast<unsigned char>(c)) + ")");
  }
  return static_cast<int>(index);
}

std::uint32_t HexToInt(std::string_view s) {
  std::uint32_t result = 0;
  std::uint32_t power = 1;
  try {
    for (auto it = s.rbegin(); it != s.rend(); ++it) {
      result += static_cast<std::uint32_t>(HexCharToInt(*it)) * power;
      power *= 16;
    }
  } catch (const EConvertError&) {
    throw EConvertError("Invalid hex string (" + std::string(s) + ")");
  }
  return result;
}

std::string ConvertCodePage(std::string_view s, int from, int to) {
  std::string result(s);
  if (from < 0 || to < 0 || from >= static_cast<int>(kCodePageCount) ||
      to >= static_cast<int>(kCodePageCount)) {
    return result;
  }
  const NationalLetterRow& from_row = kNationalChars[static_cast<std::size_t>(from)];
  const NationalLetterRow& to_row = kNationalChars[static_cast<std::size_t>(to)];
  for (char& c : result) {
    const auto code = static_cast<unsigned char>(c);
    for (std::size_t column = 0; column < kNationalLetterCount; ++column) {
      if (from_row[column] == code) {
        c = static_cast<char>(to_row[column]);
        break;
      }
    }
  }
  return result;
}

std::string GetToken(std::string_view s, int n, char sep) {
  if (n < 0) return {};
  std::string_view rest = s;
  std::string_view field;
  for (int i = 0; i <= n; ++i) {
    const std::size_t p = rest.find(sep);
    if (p == std::string_view::npos) return {};
    field = rest.substr(0, p);
    rest.remove_prefix(p + 1);
  }
  return std::string(field);
}

bool SplitString(std::string_view s, std::vector<std::string>& list, int count,
                 std::string_view sep, bool strict) {
  list.clear();
  std::string_view rest = s;
  while (!rest.empty()) {
    // An empty separator never occurs in the text.
    const std::size_t p = sep.empty() ? std::string_view::npos : rest.find(sep);
    if (p != std::string_view::npos) {
      list.emplace_back(rest.substr(0, p));
      rest.remove_prefix(p + sep.size());
    } else if (strict) {
      list.clear();
      return false;
    } else {
      list.emplace_back(rest);
      rest = {};
    }
  }
  if (count >= 0 && list.size() != static_cast<std::size_t>(count)) {
    list.clear();
    return false;
  }
  return true;
}

std::optional<std::string> GetParamValue(std::string_view params, std::string_view name) {
  std::string key(name);
  key += '=';
  const std::size_t p = params.find(key);
  if (p == std::string_view::npos) return std::nullopt;
  std::string_view value = params.substr(p + key.size());
  value = value.substr(0, value.find_first_of(";|"));
  std::string trimmed = Trim(value);
  if (trimmed.empty()) return std::nullopt;
  return trimmed;
}

std::int32_t HexStrToInt(std::string_view s, bool sign_extend) {
  std::string text(s);
  if (sign_extend && !text.empty() && text.size() < 8) {
    const char pad = static_cast<unsigned char>(text[0]) < '8' ? '0' : 'F';
    text.insert(0, 8 - text.size(), pad);
  }
  for (char& c : text) c = UpCase(c);

  std::uint32_t result = 0;
  std::uint32_t power = 1;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    const std::size_t digit = kHexDigits.find(*it);
    if (digit == std::string_view::npos) {
      throw EConvertError(text + " is not valid hex value");
    }
    result += static_cast<std::uint32_t>(digit) * power;
    power *= 16;
  }
  return static_cast<std::int32_t>(result);
}

}  // namespace zelvani
