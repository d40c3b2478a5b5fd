// The modal editor of a flow: the form around TFlowEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TFlowEditFrame.h"

namespace zelvani::editors {

class TFlowEditForm : public TEditForm<TFlowEditFrame> {
 public:
  TFlowEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditFlow(IQAVZLVFlow* object);

}  // namespace zelvani::editors
