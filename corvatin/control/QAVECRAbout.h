// The control's about box: a dialog with the product's name in bold, the
// driver's version under it and an OK button, shown modally as a form of the
// UI layer. The version is the "FileVersion" of the control module's own
// version record (language 0415, code page 04E2); without one the label shows
// its caption alone.
#pragma once

#include <string>

#include "platform/ui/Form.h"

namespace corvatin {

// Resource name "QAVECRAbout", caption "About", a fixed dialog border with the
// system menu only, centred on the screen.
class TQAVECRAbout : public ui::Form {
 public:
  // The dialog with `version` appended to the version label's caption.
  explicit TQAVECRAbout(const std::string& version);

  ui::Label& NameLbl = Add<ui::Label>("NameLbl");
  ui::Label& VersionLabel = Add<ui::Label>("VersionLabel");
  // The default and cancel button: Enter and Escape press it; modal result 1.
  ui::Button& OkBtn = Add<ui::Button>("OkBtn");
};

// The version text of the control module's version record, empty without one.
std::string ControlFileVersion();

// Shows the about box: made, filled with the version, shown modally, freed.
void ShowAbout();

}  // namespace corvatin
