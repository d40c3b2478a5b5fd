// The modal editor of a packet definition: the form around TPacketDefEditFrame, and the
// routine behind the model's Edit member.
#pragma once

#include "zelvani/editors/TEditForm.h"
#include "zelvani/editors/TPacketDefEditFrame.h"

namespace zelvani::editors {

class TPacketDefEditForm : public TEditForm<TPacketDefEditFrame> {
 public:
  TPacketDefEditForm();
};

// Opens the editor on the object; True when the user closed it with OK.
bool EditPacketDef(IQAVZLVPacketDef* object);

}  // namespace zelvani::editors
