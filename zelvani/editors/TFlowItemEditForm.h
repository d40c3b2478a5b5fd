// The modal editor of a flow item: the form around TFlowItemEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TFlowItemEditFrame.h"

namespace zelvani::editors {

class TFlowItemEditForm : public TEditForm<TFlowItemEditFrame> {
 public:
  TFlowItemEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditFlowItem(IQAVZLVFlowItem* object);

}  // namespace zelvani::editors
