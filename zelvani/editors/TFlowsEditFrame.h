// The list of a library's flows with the library's four repetition limits,
// shown read-only under the tree and written back as they were loaded.
#pragma once

#include "zelvani/editors/TFlowEditFrame.h"

namespace zelvani::editors {

class TFlowsEditFrame : public TListEditFrame<IQAVZLVFlows, IQAVZLVFlow, TFlowEditFrame> {
 public:
  TFlowsEditFrame();
  ui::TreeView& FlowsTV() const { return Tree(); }

 protected:
  std::string NodeCaption(IQAVZLVFlow* flow) override;
  void ListLoaded(IQAVZLVFlows* flows) override;
  void ListSaving(IQAVZLVFlows* flows) override;
  void ValidateList() const override;

 private:
  struct Limit {
    ui::Edit* edit;
    HRESULT (IQAVZLVFlows::*get)(LONG*);
    HRESULT (IQAVZLVFlows::*put)(LONG);
  };
  std::array<Limit, 4> limits_;
};

}  // namespace zelvani::editors
