#include "zelvani/editors/TPacketStructsEditFrame.h"

namespace zelvani::editors {

TPacketStructsEditFrame::TPacketStructsEditFrame()
    : TListEditFrame(CLSID_QAVZLVFrames, "Frame structures", "PacketStructsTV", "PacketStructEditFrame", false) {}

std::string TPacketStructsEditFrame::NodeCaption(IQAVZLVFrame* frame) {
  return ReadText(frame, &IQAVZLVFrame::get_ID, "Cannot read the frame's ID");
}

}  // namespace zelvani::editors
