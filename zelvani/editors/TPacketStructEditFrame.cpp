#include "zelvani/editors/TPacketStructEditFrame.h"

namespace zelvani::editors {

namespace {

constexpr char kWhat[] = "Cannot write the frame";

}  // namespace

TPacketStructEditFrame::TPacketStructEditFrame() {
  SetBounds(0, 0, 536, 390);
  IndexED = &LabeledEdit(*this, "IndexED", "Index", 8, 0, 60, true);
  IDED = &LabeledEdit(*this, "IDED", "ID", 76, 0, 80);
  NameED = &LabeledEdit(*this, "NameED", "Name", 164, 0, 160);
  AddLabel(*this, "PacketTypeLA", "Packet type", 332, 0);
  PacketTypeLB = &Add<ui::CheckListBox>("PacketTypeLB");
  PacketTypeLB->SetBounds(332, 16, 150, 64);
  PacketTypeLB->SetItems({kPacketTypeNames.begin(), kPacketTypeNames.end()});
  auto& line = Add<ui::Bevel>("Bevel1");
  line.SetShape(ui::Bevel::Shape::TopLine);
  line.SetBounds(0, 86, 536, 2);
  items_ = &Add<TPacketStructItemsEditFrame>("PacketStructItemsEditFrame");
  items_->SetBounds(0, 92, 536, 298);
}

void TPacketStructEditFrame::LoadItem(IQAVZLVFrame* frame) {
  if (!frame) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  IndexED->SetText(IntegerText(ReadLong(frame, &IQAVZLVFrame::get_Index, kWhat)));
  IDED->SetText(ReadText(frame, &IQAVZLVFrame::get_ID, kWhat));
  NameED->SetText(ReadText(frame, &IQAVZLVFrame::get_Name, kWhat));
  CheckBits(*PacketTypeLB, kPacketTypeBits, ReadLong(frame, &IQAVZLVFrame::get_PacketType, kWhat));
  items_->LoadList(ReadObject(frame, &IQAVZLVFrame::get_PacketStructItems, kWhat).Get());
}

void TPacketStructEditFrame::Validate() const {
  ParseInteger(IndexED->Text());
  items_->Validate();
}

void TPacketStructEditFrame::FitCaptions(IQAVZLVFrame* frame) {
  items_->FitCaptions(ReadObject(frame, &IQAVZLVFrame::get_PacketStructItems, kWhat).Get());
}

void TPacketStructEditFrame::SaveItem(IQAVZLVFrame* frame) {
  if (!frame) return;
  Validate();
  Put(frame, &IQAVZLVFrame::put_Index, ParseInteger(IndexED->Text()), kWhat);
  PutText(frame, &IQAVZLVFrame::put_ID, IDED->Text(), kWhat);
  PutText(frame, &IQAVZLVFrame::put_Name, NameED->Text(), kWhat);
  WriteBits(frame, &IQAVZLVFrame::get_PacketType, &IQAVZLVFrame::put_PacketType, *PacketTypeLB, kPacketTypeBits,
            kWhat);
  items_->SaveList(ReadObject(frame, &IQAVZLVFrame::get_PacketStructItems, kWhat).Get());
}

}  // namespace zelvani::editors
