// The modal editor of the packet definitions of a library: the form around TPacketDefsEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TPacketDefsEditFrame.h"

namespace zelvani::editors {

class TPacketDefsEditForm : public TEditForm<TPacketDefsEditFrame> {
 public:
  TPacketDefsEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditPacketDefs(IQAVZLVPacketDefs* object);

}  // namespace zelvani::editors
