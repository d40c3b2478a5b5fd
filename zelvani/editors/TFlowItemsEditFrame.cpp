#include "zelvani/editors/TFlowItemsEditFrame.h"

#include "zelvani/model/TextHelpers.h"

namespace zelvani::editors {

TFlowItemsEditFrame::TFlowItemsEditFrame()
    : TListEditFrame(CLSID_QAVZLVFlowItems, "Items", "FlowItemsTV", "FlowItemEditFrame", true) {}

std::string TFlowItemsEditFrame::NodeCaption(IQAVZLVFlowItem* item) {
  constexpr char kWhat[] = "Cannot read the flow item";
  std::string caption = "ID = " + ReadText(item, &IQAVZLVFlowItem::get_ID, kWhat);
  caption += ReadLong(item, &IQAVZLVFlowItem::get_Direction, kWhat) == 0 ? ": PC --> " : ": PC <-- ";
  const std::string data = VariantText(ReadVariant(item, &IQAVZLVFlowItem::get_Data, kWhat));
  caption += data.empty() ? std::string("Packet") : ControlCharsToText(data);
  return caption;
}

}  // namespace zelvani::editors
