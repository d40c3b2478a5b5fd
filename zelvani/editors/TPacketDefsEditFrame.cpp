#include "zelvani/editors/TPacketDefsEditFrame.h"

namespace zelvani::editors {

TPacketDefsEditFrame::TPacketDefsEditFrame()
    : TListEditFrame(CLSID_QAVZLVPacketDefs, "Packets", "PacketDefsTV", "PacketDefEditFrame", false) {
  ItemEditor().FieldDefsEditFrame().FieldDefsTV().OnChange = [this](ui::TreeView&, ui::TreeNode* node) {
    FieldDefsTVChange(node);
  };
}

void TPacketDefsEditFrame::FieldDefsTVChange(ui::TreeNode* node) {
  ItemEditor().FieldDefsEditFrame().FieldDefsTVChange(node);
}

std::string TPacketDefsEditFrame::NodeCaption(IQAVZLVPacketDef* def) {
  constexpr char kWhat[] = "Cannot read the packet definition";
  return "ID = " + ReadText(def, &IQAVZLVPacketDef::get_ID, kWhat) + ": " +
         ReadText(def, &IQAVZLVPacketDef::get_Name, kWhat);
}

}  // namespace zelvani::editors
