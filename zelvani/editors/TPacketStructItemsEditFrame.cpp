#include "zelvani/editors/TPacketStructItemsEditFrame.h"

namespace zelvani::editors {

TPacketStructItemsEditFrame::TPacketStructItemsEditFrame()
    : TListEditFrame(CLSID_QAVZLVFrameItems, "Items", "PacketStructItemsTV", "PacketStructItemEditFrame", true) {}

std::string TPacketStructItemsEditFrame::NodeCaption(IQAVZLVFrameItem* item) {
  constexpr char kWhat[] = "Cannot read the frame item";
  const LONG type = ReadLong(item, &IQAVZLVFrameItem::get_ItemType, kWhat);
  const auto& names = ItemEditor().ItemTypeList().Items();
  const std::string typeName = type >= 0 && type < static_cast<LONG>(names.size()) ? names[type] : std::string();
  return "ID = " + ReadText(item, &IQAVZLVFrameItem::get_ID, kWhat) + ": " + typeName;
}

}  // namespace zelvani::editors
