// The modal editor of the items of a flow: the form around TFlowItemsEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TFlowItemsEditFrame.h"

namespace zelvani::editors {

class TFlowItemsEditForm : public TEditForm<TFlowItemsEditFrame> {
 public:
  TFlowItemsEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditFlowItems(IQAVZLVFlowItems* object);

}  // namespace zelvani::editors
