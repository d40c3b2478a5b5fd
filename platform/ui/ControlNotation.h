// The escape notation in which a single-line edit shows the control bytes of
// its text: a screen shows no control byte (a packet separator, a line break
// put there by code), and the control pictures of Unicode are missing from the
// fonts most systems install. The bytes that have a name are shown by it, as
// the editors write them everywhere else ("<EOF>" for 0, "<WCK>" for 9,
// "<STX>", "<FS>", "<CR>"), the others as "<#$" two hexadecimal digits ">".
//
// What a person leaves in such an edit is read against the text it showed:
// the unchanged start and end keep their bytes, so a control byte that a file
// put into an identifier survives an edit of the rest of it. What the person
// typed is read in the notation only in an edit whose value goes on the wire
// (Edit::ReadsNotation: a separator), so typing "<FS>" there gives the byte;
// every other edit (identifiers, names, values) keeps exactly the characters
// typed, so the text "<CR>" stays text.
//
// Texts are ANSI (Windows-1250); the notation is ASCII.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/types.h"

namespace ui {

// TEXT as a single-line edit shows it: control bytes in the notation.
COM_API std::string ShowControlBytes(std::string_view text);
// The text a person left as SHOWN in an edit that showed BEFORE (the model's
// text). With NOTATION, what the person typed is read in the notation (a name
// the person completes next to the unchanged parts included); without it, it
// is taken as typed.
COM_API std::string ReadShownText(std::string_view shown, std::string_view before, bool notation);

}  // namespace ui
