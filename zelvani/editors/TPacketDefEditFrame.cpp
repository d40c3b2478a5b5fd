#include "zelvani/editors/TPacketDefEditFrame.h"

namespace zelvani::editors {

namespace {

constexpr char kWhat[] = "Cannot write the packet definition";

}  // namespace

TPacketDefEditFrame::TPacketDefEditFrame() {
  SetBounds(0, 0, 536, 460);
  IndexED = &LabeledEdit(*this, "IndexED", "Index", 8, 0, 60, true);
  IDED = &LabeledEdit(*this, "IDED", "ID", 76, 0, 80);
  NameED = &LabeledEdit(*this, "NameED", "Name", 164, 0, 160);
  PacketStructIDED = &LabeledEdit(*this, "PacketStructIDED", "Frame structure ID", 8, 40, 150);
  AddLabel(*this, "PacketTypeLA", "Packet type", 332, 0);
  PacketTypeLB = &Add<ui::CheckListBox>("PacketTypeLB");
  PacketTypeLB->SetBounds(332, 16, 150, 64);
  PacketTypeLB->SetItems({kPacketTypeNames.begin(), kPacketTypeNames.end()});
  auto& line = Add<ui::Bevel>("Bevel1");
  line.SetShape(ui::Bevel::Shape::TopLine);
  line.SetBounds(0, 86, 536, 2);
  fields_ = &Add<TFieldDefsEditFrame>("FieldDefsEditFrame");
  fields_->SetBounds(0, 92, 536, 368);
}

void TPacketDefEditFrame::LoadItem(IQAVZLVPacketDef* def) {
  if (!def) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  IndexED->SetText(IntegerText(ReadLong(def, &IQAVZLVPacketDef::get_Index, kWhat)));
  IDED->SetText(ReadText(def, &IQAVZLVPacketDef::get_ID, kWhat));
  NameED->SetText(ReadText(def, &IQAVZLVPacketDef::get_Name, kWhat));
  PacketStructIDED->SetText(ReadText(def, &IQAVZLVPacketDef::get_PacketStructID, kWhat));
  CheckBits(*PacketTypeLB, kPacketTypeBits, ReadLong(def, &IQAVZLVPacketDef::get_PacketType, kWhat));
  fields_->LoadList(ReadObject(def, &IQAVZLVPacketDef::get_FieldDefs, kWhat).Get());
}

void TPacketDefEditFrame::Validate() const {
  ParseInteger(IndexED->Text());
  fields_->Validate();
}

void TPacketDefEditFrame::FitCaptions(IQAVZLVPacketDef* def) {
  fields_->FitCaptions(ReadObject(def, &IQAVZLVPacketDef::get_FieldDefs, kWhat).Get());
}

void TPacketDefEditFrame::SaveItem(IQAVZLVPacketDef* def) {
  if (!def) return;
  Validate();
  Put(def, &IQAVZLVPacketDef::put_Index, ParseInteger(IndexED->Text()), kWhat);
  PutText(def, &IQAVZLVPacketDef::put_ID, IDED->Text(), kWhat);
  PutText(def, &IQAVZLVPacketDef::put_Name, NameED->Text(), kWhat);
  PutText(def, &IQAVZLVPacketDef::put_PacketStructID, PacketStructIDED->Text(), kWhat);
  WriteBits(def, &IQAVZLVPacketDef::get_PacketType, &IQAVZLVPacketDef::put_PacketType, *PacketTypeLB,
            kPacketTypeBits, kWhat);
  fields_->SaveList(ReadObject(def, &IQAVZLVPacketDef::get_FieldDefs, kWhat).Get());
}

}  // namespace zelvani::editors
