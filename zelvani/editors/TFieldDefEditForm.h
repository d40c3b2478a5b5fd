// The modal editor of a field definition: the form around TFieldDefEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TFieldDefEditFrame.h"

namespace zelvani::editors {

class TFieldDefEditForm : public TEditForm<TFieldDefEditFrame> {
 public:
  TFieldDefEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditFieldDef(IQAVZLVFieldDef* object);

}  // namespace zelvani::editors
