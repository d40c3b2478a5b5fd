// The item frame of one frame item: a constant, counter, receiver or packet
// identifier, data area or checksum slot of a packet's layout, with its
// constant values (in the escape notation, one per line) and its flags.
#pragma once

#include <array>

#include "platform/ui/Form.h"
#include "zelvani/Zelvani.h"

namespace zelvani::editors {

// The names of the item types 0 to 5, as the item type list shows them.
inline constexpr std::array<const char*, 6> kFrameItemTypeNames{
    "qzlvpstConst", "qzlvpstCounter", "qzlvpstReceiverID", "qzlvpstPacketID", "qzlvpstData", "qzlvpstChecksum"};

class TPacketStructItemEditFrame : public ui::Frame {
 public:
  TPacketStructItemEditFrame();

  void LoadItem(IQAVZLVFrameItem* item);
  // Reads every number before writing any.
  void SaveItem(IQAVZLVFrameItem* item);
  void Validate() const;

  ui::ComboBox& ItemTypeList() const { return *ItemTypeCO; }

 private:
  struct Numbers {
    LONG index, offset, size;
  };
  Numbers ReadNumbers() const;

  ui::Edit* IndexED;
  ui::Edit* IDED;
  ui::ComboBox* ItemTypeCO;
  ui::ComboBox* DataTypeCO;
  ui::Edit* OffsetED;
  ui::Edit* SizeED;
  ui::Memo* ValuesME;
  ui::CheckListBox* FlagsLB;
};

}  // namespace zelvani::editors
