// The list of the items of one frame, nested in the frame's own frame.
#pragma once

#include "zelvani/editors/TListEditFrame.h"
#include "zelvani/editors/TPacketStructItemEditFrame.h"

namespace zelvani::editors {

class TPacketStructItemsEditFrame
    : public TListEditFrame<IQAVZLVFrameItems, IQAVZLVFrameItem, TPacketStructItemEditFrame> {
 public:
  TPacketStructItemsEditFrame();
  ui::TreeView& PacketStructItemsTV() const { return Tree(); }

 protected:
  // "ID = " + ID + ": " + the item type's name (empty outside 0 to 5).
  std::string NodeCaption(IQAVZLVFrameItem* item) override;
};

}  // namespace zelvani::editors
