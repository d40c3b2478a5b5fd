// The list of the items of one flow, nested in the flow's frame.
#pragma once

#include "zelvani/editors/TFlowItemEditFrame.h"
#include "zelvani/editors/TListEditFrame.h"

namespace zelvani::editors {

// The flow item frame as the list shows it, with the list's shorter labels.
class TNestedFlowItemEditFrame : public TFlowItemEditFrame {
 public:
  TNestedFlowItemEditFrame() : TFlowItemEditFrame(true) {}
};

class TFlowItemsEditFrame : public TListEditFrame<IQAVZLVFlowItems, IQAVZLVFlowItem, TNestedFlowItemEditFrame> {
 public:
  TFlowItemsEditFrame();
  ui::TreeView& FlowItemsTV() const { return Tree(); }

 protected:
  // "ID = " + ID + ": PC --> " (from the PC) or ": PC <-- ", then "Packet" or
  // the data in the escape notation.
  std::string NodeCaption(IQAVZLVFlowItem* item) override;
};

}  // namespace zelvani::editors
