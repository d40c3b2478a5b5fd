// The modal editor of a frame: the form around TPacketStructEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TPacketStructEditFrame.h"

namespace zelvani::editors {

class TPacketStructEditForm : public TEditForm<TPacketStructEditFrame> {
 public:
  TPacketStructEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditPacketStruct(IQAVZLVFrame* object);

}  // namespace zelvani::editors
