// The list of a library's frames (packet structures).
#pragma once

#include "zelvani/editors/TPacketStructEditFrame.h"

namespace zelvani::editors {

class TPacketStructsEditFrame : public TListEditFrame<IQAVZLVFrames, IQAVZLVFrame, TPacketStructEditFrame> {
 public:
  TPacketStructsEditFrame();
  ui::TreeView& PacketStructsTV() const { return Tree(); }

 protected:
  std::string NodeCaption(IQAVZLVFrame* frame) override;
};

}  // namespace zelvani::editors
