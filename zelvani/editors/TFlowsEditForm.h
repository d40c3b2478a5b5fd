// The modal editor of the flows of a library: the form around TFlowsEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TFlowsEditFrame.h"

namespace zelvani::editors {

class TFlowsEditForm : public TEditForm<TFlowsEditFrame> {
 public:
  TFlowsEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditFlows(IQAVZLVFlows* object);

}  // namespace zelvani::editors
