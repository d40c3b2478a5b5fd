// The item frame of one frame (packet structure): identifier, name and packet
// types above the list of its items.
#pragma once

#include "zelvani/editors/TPacketStructItemsEditFrame.h"

namespace zelvani::editors {

class TPacketStructEditFrame : public ui::Frame {
 public:
  TPacketStructEditFrame();

  void LoadItem(IQAVZLVFrame* frame);
  // Reads every number (the shown item's included) before writing any.
  void SaveItem(IQAVZLVFrame* frame);
  void Validate() const;
  // The nested list keeps room for the captions of the frame's items.
  void FitCaptions(IQAVZLVFrame* frame);

  TPacketStructItemsEditFrame& PacketStructItemsEditFrame() const { return *items_; }

 private:
  ui::Edit* IndexED;
  ui::Edit* IDED;
  ui::Edit* NameED;
  ui::CheckListBox* PacketTypeLB;
  TPacketStructItemsEditFrame* items_;
};

}  // namespace zelvani::editors
