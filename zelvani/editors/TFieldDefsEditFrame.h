// The list of the field definitions of one packet definition, nested in the
// packet definition's frame.
#pragma once

#include "zelvani/editors/TFieldDefEditFrame.h"
#include "zelvani/editors/TListEditFrame.h"

namespace zelvani::editors {

class TFieldDefsEditFrame : public TListEditFrame<IQAVZLVFieldDefs, IQAVZLVFieldDef, TFieldDefEditFrame> {
 public:
  TFieldDefsEditFrame();
  ui::TreeView& FieldDefsTV() const { return Tree(); }
  // The tree's selection handler, which an enclosing frame may bind in its
  // place.
  void FieldDefsTVChange(ui::TreeNode* node) { SelectionChanged(node); }

 protected:
  // "ID = " + ID + ": " + Name.
  std::string NodeCaption(IQAVZLVFieldDef* field) override;
};

}  // namespace zelvani::editors
