// Text between the system and Qt: the system's texts are Windows-1250 bytes,
// Qt's are Unicode. This is the only place where the forms' texts change code
// page.
//
// A single-line edit cannot show a control byte (a packet separator, a line
// break put there by code), and the control pictures of Unicode are missing
// from the fonts most systems install, so such bytes are shown in the escape
// notation the editors use everywhere else: "<FS>", "<STX>", "<CR>" for the
// bytes that have a name, "<#$0B>" for the others. What the person then types
// is read in the same notation, so typing "<FS>" gives the byte; the parts of
// the text the person did not touch keep their bytes, so a text that only looks
// like the notation (a flow item's data, already in it) stays text. Multi-line
// texts keep their bytes; their line breaks are CR LF in the model and LF in
// the widget.
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
// The text a person left in a single-line edit that showed BEFORE (the model's
// text): the unchanged start and end keep BEFORE's bytes, the rest is read in
// the notation (a name the person completes next to them included).
COM_API std::string LineToAnsi(const QString& shown, std::string_view before = {});

// A multi-line text: CR LF (or a lone CR or LF) shown as LF, and LF back as
// CR LF.
COM_API QString LinesFromAnsi(std::string_view text);
COM_API std::string LinesToAnsi(const QString& text);

}  // namespace ui::qt
