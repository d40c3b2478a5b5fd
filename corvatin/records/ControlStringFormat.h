// The expansion of a multiplexer control string: the host's pattern with its
// placeholder replaced by the channel character. The pattern is the host's
// text, so it is never handed to a printf-style formatter; this reader knows
// exactly two specifiers and refuses everything else.
#pragma once

#include <string>
#include <string_view>

namespace corvatin {

// The longest width or precision a placeholder may ask for; a longer one is
// refused rather than padding a string to gigabytes.
inline constexpr unsigned kMaxControlStringWidth = 4096;

// PATTERN with "%%" read as one "%" and its single "%s" placeholder (the flag
// "-", a width and a precision allowed, as in "%-20.5s"; "S" for "s" too)
// replaced by ARGUMENT, a one-character text. Any other specifier, a second
// placeholder, a "%" at the end or a width or precision above
// kMaxControlStringWidth throws EConvertError; ARGUMENT may be NUL and is kept.
std::u16string FormatControlString(std::u16string_view pattern, char16_t argument);

}  // namespace corvatin
