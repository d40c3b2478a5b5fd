#include "zelvani/editors/TPacketStructItemEditFrame.h"

#include "zelvani/editors/EditorSupport.h"

namespace zelvani::editors {

namespace {

constexpr std::array<const char*, 8> kFlagNames{
    "qzlvpsfLeftJustify", "qzlvpsfRightJustify", "qzlvpsfZeroPadded", "qzlvpsfUseToCRCCalculation",
    "qzlvcrcECR",         "qzlvcrcTRX810",       "qzlvcrcVORDAN",     "qzlvpsEndOfDataIfFirst"};
constexpr std::array<LONG, 8> kFlagBits{1, 2, 4, 16, 32, 64, 128, 1024};

constexpr char kWhat[] = "Cannot write the frame item";

}  // namespace

TPacketStructItemEditFrame::TPacketStructItemEditFrame() {
  SetBounds(0, 0, 370, 290);
  IndexED = &LabeledEdit(*this, "IndexED", "Index", 8, 0, 80, true);
  IDED = &LabeledEdit(*this, "IDED", "ID", 8, 40, 80);
  AddLabel(*this, "ItemTypeLA", "Item type", 8, 80);
  ItemTypeCO = &Add<ui::ComboBox>("ItemTypeCO");
  ItemTypeCO->SetBounds(8, 96, 160, 21);
  ItemTypeCO->SetItems({kFrameItemTypeNames.begin(), kFrameItemTypeNames.end()});
  AddLabel(*this, "DataTypeLA", "Data type", 8, 120);
  DataTypeCO = &Add<ui::ComboBox>("DataTypeCO");
  DataTypeCO->SetBounds(8, 136, 160, 21);
  DataTypeCO->SetItems({kDataTypeNames.begin(), kDataTypeNames.end()});
  OffsetED = &LabeledEdit(*this, "OffsetED", "Offset", 8, 160, 80);
  SizeED = &LabeledEdit(*this, "SizeED", "Size", 8, 200, 80);
  AddLabel(*this, "ValuesLA", "Values", 190, 0);
  ValuesME = &Add<ui::Memo>("ValuesME");
  ValuesME->SetBounds(190, 16, 170, 90);
  AddLabel(*this, "FlagsLA", "Flags", 190, 112);
  FlagsLB = &Add<ui::CheckListBox>("FlagsLB");
  FlagsLB->SetBounds(190, 128, 170, 140);
  FlagsLB->SetItems({kFlagNames.begin(), kFlagNames.end()});
}

void TPacketStructItemEditFrame::LoadItem(IQAVZLVFrameItem* item) {
  if (!item) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  IndexED->SetText(IntegerText(ReadLong(item, &IQAVZLVFrameItem::get_Index, kWhat)));
  IDED->SetText(ReadText(item, &IQAVZLVFrameItem::get_ID, kWhat));
  const LONG itemType = ReadLong(item, &IQAVZLVFrameItem::get_ItemType, kWhat);
  ItemTypeCO->SetItemIndex(itemType >= 0 && itemType <= 5 ? static_cast<int>(itemType) : -1);
  const LONG dataType = ReadLong(item, &IQAVZLVFrameItem::get_DataType, kWhat);
  DataTypeCO->SetItemIndex(dataType >= 1 && dataType <= 7 ? static_cast<int>(dataType) - 1 : -1);
  OffsetED->SetText(IntegerText(ReadLong(item, &IQAVZLVFrameItem::get_Offset, kWhat)));
  SizeED->SetText(IntegerText(ReadLong(item, &IQAVZLVFrameItem::get_Size, kWhat)));
  ValuesME->SetLines(ValueLines(ReadObject(item, &IQAVZLVFrameItem::get_Values, kWhat).Get()));
  CheckBits(*FlagsLB, kFlagBits, ReadLong(item, &IQAVZLVFrameItem::get_Flags, kWhat));
}

TPacketStructItemEditFrame::Numbers TPacketStructItemEditFrame::ReadNumbers() const {
  return Numbers{ParseInteger(IndexED->Text()), ParseInteger(OffsetED->Text()), ParseInteger(SizeED->Text())};
}

void TPacketStructItemEditFrame::Validate() const { ReadNumbers(); }

void TPacketStructItemEditFrame::SaveItem(IQAVZLVFrameItem* item) {
  if (!item) return;
  const Numbers n = ReadNumbers();
  Put(item, &IQAVZLVFrameItem::put_Index, n.index, kWhat);
  PutText(item, &IQAVZLVFrameItem::put_ID, IDED->Text(), kWhat);
  if (ItemTypeCO->ItemIndex() >= 0) Put(item, &IQAVZLVFrameItem::put_ItemType, LONG{ItemTypeCO->ItemIndex()}, kWhat);
  Put(item, &IQAVZLVFrameItem::put_DataType, LONG{DataTypeCO->ItemIndex() >= 0 ? DataTypeCO->ItemIndex() + 1 : 1},
      kWhat);
  Put(item, &IQAVZLVFrameItem::put_Offset, n.offset, kWhat);
  Put(item, &IQAVZLVFrameItem::put_Size, n.size, kWhat);
  FillValues(ReadObject(item, &IQAVZLVFrameItem::get_Values, kWhat).Get(), ValuesME->Lines());
  WriteBits(item, &IQAVZLVFrameItem::get_Flags, &IQAVZLVFrameItem::put_Flags, *FlagsLB, kFlagBits, kWhat);
}

}  // namespace zelvani::editors
