// The item frame of one flow item: one step of a flow, either a fixed data
// value (data mode) or the packet types it sends or expects with the possible
// delimiters of a packet (packet mode), with its retries, wait, next step and
// outcome flags. It sits in its own form and inside the flow items' list.
#pragma once

#include "platform/ui/Form.h"
#include "zelvani/Zelvani.h"

namespace zelvani::editors {

class TFlowItemEditFrame : public ui::Frame {
 public:
  // NESTED: the frame sits in the list of a flow's items, whose labels are
  // shorter.
  explicit TFlowItemEditFrame(bool nested = false);

  void LoadItem(IQAVZLVFlowItem* item);
  // Reads every number first: a bad one raises the conversion error before
  // anything is written.
  void SaveItem(IQAVZLVFlowItem* item);
  void Validate() const;
  // The flag word of the eleven checks.
  LONG GetFlags() const;

  // Radio clicks and a check toggled by a person.
  void DataValueRBClick();
  void PacketTypeRBClick();
  void FlagsLBClickCheck();

 private:
  struct Numbers {
    LONG index, charsAfterDelimiter, retryCount, interval;
  };
  Numbers ReadNumbers() const;
  void RefreshFlags();

  ui::Edit* IndexED;
  ui::Edit* IDED;
  ui::ComboBox* DirectionCO;
  ui::RadioButton* DataValueRB;
  ui::Edit* DataED;
  ui::RadioButton* PacketTypeRB;
  ui::CheckListBox* PacketTypeLB;
  ui::Memo* PacketDelimitersME;
  ui::Edit* CharsAfterDelimiterED;
  ui::Edit* RetryCountED;
  ui::Edit* IntervalED;
  ui::Edit* NextFlowItemIDED;
  ui::CheckListBox* FlagsLB;
  ui::Label* FlagsLA;
};

}  // namespace zelvani::editors
