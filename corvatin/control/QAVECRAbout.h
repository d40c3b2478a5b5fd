// The control's about box: a dialog with the product's name, the driver's
// version and an OK button, shown modally through the UI presenter. The version
// is the "FileVersion" of the control module's own version record (language
// 0415, code page 04E2); without one the label shows its caption alone.
#pragma once

#include <string>

#include "platform/ui/Presenter.h"

namespace corvatin {

class TQAVECRAbout {
 public:
  // The dialog with `version` appended to the version label's caption.
  explicit TQAVECRAbout(const std::string& version);

  // The dialog as the presenter shows it: resource name "QAVECRAbout", caption
  // "About", the labels NameLbl and VersionLabel and the button OkBtn (default
  // and cancel button, modal result 1).
  const ui::FormRequest& Form() const { return form_; }
  // Shows the dialog modally and answers its modal result.
  int ShowModal() const;

 private:
  ui::FormRequest form_;
};

// The version text of the control module's version record, empty without one.
std::string ControlFileVersion();

// Shows the about box: made, filled with the version, shown modally, freed.
void ShowAbout();

}  // namespace corvatin
