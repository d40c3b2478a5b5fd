// Text conversions. Texts inside the components are 8-bit strings in the ANSI
// code page, Windows-1250; interfaces carry UTF-16 BSTRs. Every byte maps to one
// character and back, all 256 values round-trip: the positions that
// Windows-1250 leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the code
// points of the same number. Characters outside the code page become "?".
#pragma once

#include <string>
#include <string_view>

#include "platform/com/bstr.h"

COM_API char16_t AnsiCharToWide(unsigned char c);
// The ANSI byte of a character, or '?' when the code page has none.
COM_API char WideCharToAnsi(char16_t c);

COM_API std::u16string AnsiToWide(std::string_view s);
COM_API std::string WideToAnsi(std::u16string_view s);

COM_API BSTR AnsiToBstr(std::string_view s);
COM_API std::string BstrToAnsi(BSTR s);

// UTF-8 (source texts, the host's terminal) to and from the ANSI code page.
COM_API std::string Utf8ToAnsi(std::string_view s);
COM_API std::string AnsiToUtf8(std::string_view s);
COM_API std::u16string Utf8ToWide(std::string_view s);
COM_API std::string WideToUtf8(std::u16string_view s);
