// The modal editor of the items of a frame: the form around TPacketStructItemsEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TPacketStructItemsEditFrame.h"

namespace zelvani::editors {

class TPacketStructItemsEditForm : public TEditForm<TPacketStructItemsEditFrame> {
 public:
  TPacketStructItemsEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditPacketStructItems(IQAVZLVFrameItems* object);

}  // namespace zelvani::editors
