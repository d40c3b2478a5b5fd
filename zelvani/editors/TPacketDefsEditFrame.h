// The list of a library's packet definitions. The nested field tree's
// selection changes are bound to this frame's FieldDefsTVChange, which passes
// them to the nested field list.
#pragma once

#include "zelvani/editors/TPacketDefEditFrame.h"

namespace zelvani::editors {

class TPacketDefsEditFrame : public TListEditFrame<IQAVZLVPacketDefs, IQAVZLVPacketDef, TPacketDefEditFrame> {
 public:
  TPacketDefsEditFrame();
  ui::TreeView& PacketDefsTV() const { return Tree(); }
  void FieldDefsTVChange(ui::TreeNode* node);

 protected:
  // "ID = " + ID + ": " + Name.
  std::string NodeCaption(IQAVZLVPacketDef* def) override;
};

}  // namespace zelvani::editors
