// The serial port configuration dialog that CommConfigDialogA shows: the line
// settings of a communications configuration record (rate, data bits, parity,
// stop bits and flow control) in five drop-down lists, one setting a row with
// its label on the left, and "Restore Defaults", OK and Cancel under them.
//
// Only what the dialog shows is written back, and only from a list that has a
// selection: a rate or a number of data bits that is not in the lists is shown
// as an extra item and kept; a parity or stop-bits code the lists do not know
// leaves that list empty and the code unchanged. The flow-control lines and
// flags are written only when the person chose another kind of flow control
// than the one shown at the start, so a record whose flags match none of the
// three kinds keeps them as they are. The other members of the record (XON and
// XOFF characters and limits, the error, end-of-file and event characters, the
// binary, parity-check, DSR-sensitivity, null and abort flags) are never
// touched.
//
// The kinds of flow control, as set on the DCB:
//   "Xon / Xoff": fOutX and fInX on; CTS and DSR output flow off; DTR and RTS on.
//   "Hardware":   fOutxCtsFlow on with the RTS handshake; XON/XOFF and DSR
//                 output flow off; DTR on.
//   "None":       XON/XOFF, CTS and DSR output flow off; DTR and RTS on.
#pragma once

#include <string_view>

#include "platform/comm/comm.h"
#include "platform/ui/Form.h"

// The person closed a dialog with Cancel.
constexpr DWORD ERROR_CANCELLED = 1223;

namespace ui {

class COM_API CommConfigForm : public Form {
 public:
  enum Flow { kXonXoff = 0, kHardware = 1, kNoFlow = 2 };

  explicit CommConfigForm(std::string_view portName);

  // Fills the lists from the record's DCB.
  void Load(const DCB& dcb);
  // Writes the lists into the DCB by the rules above.
  void Save(DCB& dcb) const;

  Label& BaudRateLA = Add<Label>("BaudRateLA");
  ComboBox& BaudRateCO = Add<ComboBox>("BaudRateCO");
  Label& DataBitsLA = Add<Label>("DataBitsLA");
  ComboBox& DataBitsCO = Add<ComboBox>("DataBitsCO");
  Label& ParityLA = Add<Label>("ParityLA");
  ComboBox& ParityCO = Add<ComboBox>("ParityCO");
  Label& StopBitsLA = Add<Label>("StopBitsLA");
  ComboBox& StopBitsCO = Add<ComboBox>("StopBitsCO");
  Label& FlowControlLA = Add<Label>("FlowControlLA");
  ComboBox& FlowControlCO = Add<ComboBox>("FlowControlCO");
  Bevel& Bevel1 = Add<Bevel>("Bevel1");
  Button& DefaultsBT = Add<Button>("DefaultsBT");
  Button& OKBT = Add<Button>("OKBT");
  Button& CancelBT = Add<Button>("CancelBT");

 private:
  void RestoreDefaults();

  int loadedFlow_ = -1;
};

// Shows the dialog for the port on `config` and, on OK, writes the settings
// into config.dcb. Returns 0 on OK, ERROR_CANCELLED when the person cancelled
// (the record unchanged), ERROR_INVALID_THREAD_ID when called on a thread other
// than the forms' thread, ERROR_GEN_FAILURE for any other failure. Never throws.
COM_API DWORD CommConfigDialog(std::string_view portName, COMMCONFIG& config);

}  // namespace ui
