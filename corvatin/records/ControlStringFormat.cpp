// The expansion of a multiplexer control string: the definitions of what
// ControlStringFormat.h declares.
#include "corvatin/records/ControlStringFormat.h"

#include "corvatin/records/RecordErrors.h"
#include "platform/com/ansi.h"

namespace corvatin {

namespace {

[[noreturn]] void ThrowInvalidFormat(std::u16string_view pattern) {
  throw EConvertError("Format '" + WideToAnsi(pattern) + "' invalid or incompatible with argument");
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads decimal digits at POS; false when the number exceeds the width limit.
bool ReadCount(std::u16string_view s, std::size_t& pos, unsigned& value) {
  value = 0;
  while (pos < s.size() && IsDigit(s[pos])) {
    value = value * 10 + static_cast<unsigned>(s[pos] - u'0');
    if (value > kMaxControlStringWidth) return false;
    ++pos;
  }
  return true;
}

}  // namespace

std::u16string FormatControlString(std::u16string_view pattern, char16_t argument) {
  std::u16string out;
  out.reserve(pattern.size() + 1);
  bool argumentUsed = false;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i++];
    if (c != u'%') {
      out += c;
      continue;
    }
    if (i < pattern.size() && pattern[i] == u'%') {
      out += u'%';
      ++i;
      continue;
    }
    bool left = false;
    if (i < pattern.size() && pattern[i] == u'-') {
      left = true;
      ++i;
    }
    unsigned width = 0;
    if (!ReadCount(pattern, i, width)) ThrowInvalidFormat(pattern);
    bool hasPrecision = false;
    unsigned precision = 0;
    if (i < pattern.size() && pattern[i] == u'.') {
      ++i;
      hasPrecision = true;
      if (!ReadCount(pattern, i, precision)) ThrowInvalidFormat(pattern);
    }
    if (i >= pattern.size() || (pattern[i] != u's' && pattern[i] != u'S')) ThrowInvalidFormat(pattern);
    ++i;
    // One argument only: a second placeholder has nothing to take.
    if (argumentUsed) ThrowInvalidFormat(pattern);
    argumentUsed = true;
    const std::size_t length = hasPrecision && precision == 0 ? 0 : 1;
    const std::size_t padding = width > length ? width - length : 0;
    if (!left) out.append(padding, u' ');
    if (length) out += argument;
    if (left) out.append(padding, u' ');
  }
  return out;
}

}  // namespace corvatin
