// Text between the system and Qt: the system's texts are Windows-1250 bytes,
// Qt's are Unicode. This is the only place where the forms' texts change code
// page.
//
// A single-line edit cannot show a control byte (a packet separator, a line
// break put there by code), so such bytes are shown as the visible symbols of
// the Unicode block of control pictures (U+2400 to U+241F for 0x00 to 0x1F,
// U+2421 for 0x7F) and turned back into the same bytes when the person's text
// returns to the model. Multi-line texts keep their bytes; their line breaks
// are CR LF in the model and LF in the widget.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/com/types.h"

namespace ui::qt {

// Plain conversion: every byte to its character and back ('?' for a character
// the code page lacks).
COM_API QString FromAnsi(std::string_view text);
COM_API std::string ToAnsi(const QString& text);

// A single-line edit's text: control bytes as control pictures, and back.
COM_API QString LineFromAnsi(std::string_view text);
COM_API std::string LineToAnsi(const QString& text);

// A multi-line text: CR LF (or a lone CR or LF) shown as LF, and LF back as
// CR LF.
COM_API QString LinesFromAnsi(std::string_view text);
COM_API std::string LinesToAnsi(const QString& text);

}  // namespace ui::qt
