// The texts of the control's result codes and of the register's own error
// codes. LastErrorMessage and LastNativeErrorMessage of the engine read these
// tables; texts are 8-bit (Windows-1250).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "corvatin/Corvatin.h"

namespace corvatin {

// The engine's own text for LastErrorCode CODE: the control's codes 10000 to
// 10007, "Nieznany błąd. Kod: <code>" for any other code above 9999, and the
// fixed text of a NAK (32). No value for the codes whose text is the device's.
std::optional<std::string> EngineErrorText(LONG code);

// The packet engine's text for qzlvpeInvalidPacket (3), which the engine
// stores itself when it refuses a record's value: LastErrorMessage then reads
// as it does when the device finds a packet invalid.
std::string InvalidPacketText();

// The register's error code written in hexadecimal (as the register sends it)
// as a number: upper- and lower-case digits, an empty text is 0; no value when
// a character is not a hexadecimal digit. A value too large for 32 bits stays
// at 0xFFFFFFFF.
std::optional<unsigned long> ParseNativeErrorCode(std::string_view code);

// The register's text for its error code CODE (hexadecimal text): the row of
// the register's error table, "Nieznany błąd. Kod: <code>" when no row has the
// value, "Nieprawidłowy kod błędu: "<code>"" when the text is not hexadecimal.
std::string NativeErrorText(std::string_view code);

}  // namespace corvatin
