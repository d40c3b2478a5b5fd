// Text between the system and Qt: the system's texts are Windows-1250 bytes,
// Qt's are Unicode. This is the only place where the forms' texts change code
// page.
//
// A single-line edit shows the control bytes of its text in the escape
// notation of the forms layer (platform/ui/ControlNotation.h), which also
// reads back what a person leaves there. Multi-line texts keep their bytes;
// their line breaks are CR LF in the model and LF in the widget.
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

// A single-line edit's text: control bytes in the escape notation.
COM_API QString LineFromAnsi(std::string_view text);

// A multi-line text: CR LF (or a lone CR or LF) shown as LF, and LF back as
// CR LF.
COM_API QString LinesFromAnsi(std::string_view text);
COM_API std::string LinesToAnsi(const QString& text);

}  // namespace ui::qt
