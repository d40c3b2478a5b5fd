// The protocol editor: a whole packet library at once, its flows, frames and
// packet definitions each in a list editor on a tab of its own and the
// definitions file as plain text on a fourth tab.
//
// The editor never edits the caller's library directly: it reads a working
// library afresh from the library's file, the list editors work on deep copies
// of that library's collections, and OK copies the three edited collections
// into the caller's library (whose frames keep looking definitions up in the
// caller's library). Leaving the text tab after a change, or pressing OK on it,
// writes the text to the file and reloads the lists from it; Cancel drops the
// text typed since the tab was last left. The text tab is the only place that
// writes a packet library file. The file keeps its line ends and is replaced
// whole (a new file in the same folder renamed over it, with the old file's
// permissions), and a text that cannot be written or does not load keeps the
// user on the text tab with the message, the lists as they were and the
// change still pending.
#pragma once

#include "platform/ui/Form.h"
#include "zelvani/editors/TFlowsEditFrame.h"
#include "zelvani/editors/TPacketDefsEditFrame.h"
#include "zelvani/editors/TPacketStructsEditFrame.h"

namespace zelvani::editors {

class TPacketLibraryEditForm : public ui::Form {
 public:
  TPacketLibraryEditForm();

  // The three lists from the working library.
  void LoadLists();
  void PageControlChanging(bool& allowChange);
  // A pending change of the text: written to the file, the lists reloaded.
  void WriteText();
  void PageControlChange();
  void RTFChange() { FModified = true; }

  ui::PageControl* PageControl;
  ui::TabSheet* Flows;
  ui::TabSheet* Frames;
  ui::TabSheet* Packets;
  ui::TabSheet* PacketLibraryFile;
  TFlowsEditFrame* FlowsEditFrame;
  TPacketStructsEditFrame* PacketStructsEditFrame;
  TPacketDefsEditFrame* PacketDefsEditFrame;
  ui::RichEdit* RTF;
  ui::Panel* Panel;
  ui::Button* OKBT;
  ui::Button* CancelBT;

  ComPtr<IQAVZLVPacketLibrary> FLibrary;
  bool FModified = false;
};

// Runs the protocol editor modally on LIBRARY; True when the user closed it
// with OK. A library file that cannot be read fails with its reason and no
// window is left open.
bool EditPacketLibrary(IQAVZLVPacketLibrary* library);

// Replaces the file NAME (ANSI) by TEXT as a whole: a new file in the same
// folder, written, flushed and renamed over the old one with its permissions.
// A read-only file is refused. Throws with the reason; the old file then stays
// as it was.
void ReplaceFileText(const std::string& name, const std::string& text);

}  // namespace zelvani::editors
