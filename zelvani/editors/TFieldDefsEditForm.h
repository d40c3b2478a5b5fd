// The modal editor of the field definitions of a packet definition: the form around TFieldDefsEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TFieldDefsEditFrame.h"

namespace zelvani::editors {

class TFieldDefsEditForm : public TEditForm<TFieldDefsEditFrame> {
 public:
  TFieldDefsEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditFieldDefs(IQAVZLVFieldDefs* object);

}  // namespace zelvani::editors
