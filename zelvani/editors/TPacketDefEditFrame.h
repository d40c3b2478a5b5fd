// The item frame of one packet definition: identifier, name, frame and packet
// types above the list of its field definitions.
#pragma once

#include "zelvani/editors/TFieldDefsEditFrame.h"

namespace zelvani::editors {

class TPacketDefEditFrame : public ui::Frame {
 public:
  TPacketDefEditFrame();

  void LoadItem(IQAVZLVPacketDef* def);
  // Reads every number (the shown field's included) before writing any.
  void SaveItem(IQAVZLVPacketDef* def);
  void Validate() const;
  // The nested list keeps room for the captions of the definition's fields.
  void FitCaptions(IQAVZLVPacketDef* def);

  TFieldDefsEditFrame& FieldDefsEditFrame() const { return *fields_; }

 private:
  ui::Edit* IndexED;
  ui::Edit* IDED;
  ui::Edit* NameED;
  ui::Edit* PacketStructIDED;
  ui::CheckListBox* PacketTypeLB;
  TFieldDefsEditFrame* fields_;
};

}  // namespace zelvani::editors
