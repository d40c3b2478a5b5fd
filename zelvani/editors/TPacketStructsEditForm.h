// The modal editor of the frames of a library: the form around TPacketStructsEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TPacketStructsEditFrame.h"

namespace zelvani::editors {

class TPacketStructsEditForm : public TEditForm<TPacketStructsEditFrame> {
 public:
  TPacketStructsEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditPacketStructs(IQAVZLVFrames* object);

}  // namespace zelvani::editors
