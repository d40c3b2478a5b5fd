// The modal editor of a frame item: the form around TPacketStructItemEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TPacketStructItemEditFrame.h"

namespace zelvani::editors {

class TPacketStructItemEditForm : public TEditForm<TPacketStructItemEditFrame> {
 public:
  TPacketStructItemEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditPacketStructItem(IQAVZLVFrameItem* object);

}  // namespace zelvani::editors
