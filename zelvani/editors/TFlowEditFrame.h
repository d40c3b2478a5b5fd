// The item frame of one flow: its index, identifier and flow type above the
// list of its items.
#pragma once

#include "zelvani/editors/TFlowItemsEditFrame.h"

namespace zelvani::editors {

class TFlowEditFrame : public ui::Frame {
 public:
  TFlowEditFrame();

  void LoadItem(IQAVZLVFlow* flow);
  // Reads every number (the nested item's included) before writing any.
  void SaveItem(IQAVZLVFlow* flow);
  void Validate() const;
  // The nested list keeps room for the captions of the flow's items.
  void FitCaptions(IQAVZLVFlow* flow);

  TFlowItemsEditFrame& FlowItemsEditFrame() const { return *items_; }

 private:
  ui::Edit* IndexED;
  ui::Edit* IDED;
  ui::ComboBox* FlowTypeCO;
  TFlowItemsEditFrame* items_;
};

}  // namespace zelvani::editors
