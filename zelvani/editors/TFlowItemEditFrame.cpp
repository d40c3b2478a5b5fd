#include "zelvani/editors/TFlowItemEditFrame.h"

#include "zelvani/editors/EditorSupport.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani::editors {

namespace {

constexpr std::array<const char*, 11> kFlagNames{
    "qzlvffSendIfOK",          "qzlvffSendIfNotOK",         "qzlvffOKIfReceived",      "qzlvffNotOKIfReceived",
    "qzlvffWaitIfReceived",    "qzlvffRejectedIfReceived",  "qzlvffEndOfDataIfReceived",
    "qzlvffResetPortIfReceived", "qzlvffNoDataIfReceived",  "qzlvffResetPortBeforeSend",
    "qzlvffEndTransmission"};

constexpr char kWhat[] = "Cannot write the flow item";

}  // namespace

TFlowItemEditFrame::TFlowItemEditFrame(bool nested) {
  SetBounds(0, 0, 370, 394);
  IndexED = &LabeledEdit(*this, "IndexED", "Index", 8, 0, 60, true);
  IDED = &LabeledEdit(*this, "IDED", "ID", 76, 0, 80);
  AddLabel(*this, "DirectionLA", "Direction", 164, 0);
  DirectionCO = &Add<ui::ComboBox>("DirectionCO");
  DirectionCO->SetBounds(164, 16, 120, 21);
  DirectionCO->SetItems({"qzlvfdtFromPC", "qzlvfdtToPC"});

  DataValueRB = &Add<ui::RadioButton>("DataValueRB");
  DataValueRB->SetCaption("Data value");
  DataValueRB->SetBounds(8, 44, 120, 17);
  DataED = &Add<ui::Edit>("DataED");
  DataED->SetBounds(8, 62, 170, 21);
  PacketTypeRB = &Add<ui::RadioButton>("PacketTypeRB");
  PacketTypeRB->SetCaption("Packet type");
  PacketTypeRB->SetBounds(8, 90, 120, 17);
  PacketTypeLB = &Add<ui::CheckListBox>("PacketTypeLB");
  PacketTypeLB->SetBounds(8, 108, 170, 60);
  PacketTypeLB->SetItems({kPacketTypeNames.begin(), kPacketTypeNames.end()});
  AddLabel(*this, "PacketDelimitersLA", "Possible packet delimiters", 8, 172);
  PacketDelimitersME = &Add<ui::Memo>("PacketDelimitersME");
  PacketDelimitersME->SetBounds(8, 188, 170, 60);
  CharsAfterDelimiterED = &LabeledEdit(*this, "CharsAfterDelimiterED", "Number of characters after delimiter", 8, 252, 80);

  RetryCountED = &LabeledEdit(*this, "RetryCountED", nested ? "Repetitions limit" : "Number of retries", 8, 296, 80);
  IntervalED = &LabeledEdit(*this, "IntervalED",
                            nested ? "Wait before next item [ms]" : "Time to wait before next flow item", 8, 336, 80);
  NextFlowItemIDED =
      &LabeledEdit(*this, "NextFlowItemIDED", nested ? "Next item ID" : "Next flow item ID", 190, 336, 80);
  FlagsLA = &AddLabel(*this, "FlagsLA", "Flags", 190, 44);
  FlagsLB = &Add<ui::CheckListBox>("FlagsLB");
  FlagsLB->SetBounds(190, 62, 170, 180);
  FlagsLB->SetItems({kFlagNames.begin(), kFlagNames.end()});

  DataValueRB->OnClick = [this](ui::Control&) { DataValueRBClick(); };
  PacketTypeRB->OnClick = [this](ui::Control&) { PacketTypeRBClick(); };
  FlagsLB->OnClickCheck = [this](ui::Control&) { FlagsLBClickCheck(); };
  // Data mode as designed.
  DataValueRB->SetChecked(true);
}

void TFlowItemEditFrame::DataValueRBClick() {
  SetControlState(*DataED, true, true);
  SetControlState(*PacketTypeLB, false, true);
  SetControlState(*PacketDelimitersME, false, true);
  SetControlState(*CharsAfterDelimiterED, false, true);
}

void TFlowItemEditFrame::PacketTypeRBClick() {
  SetControlState(*DataED, false, true);
  SetControlState(*PacketTypeLB, true, true);
  SetControlState(*PacketDelimitersME, true, true);
  SetControlState(*CharsAfterDelimiterED, true, true);
  // Packet mode reads the number: an item switched from data mode starts at 0
  // characters after the delimiter rather than at an empty edit.
  if (CharsAfterDelimiterED->Text().empty()) CharsAfterDelimiterED->SetText("0");
}

void TFlowItemEditFrame::FlagsLBClickCheck() { RefreshFlags(); }

LONG TFlowItemEditFrame::GetFlags() const {
  LONG flags = 0;
  for (int i = 0; i < static_cast<int>(kFlagNames.size()); ++i)
    if (FlagsLB->Checked(i)) flags += LONG{1} << i;
  return flags;
}

void TFlowItemEditFrame::RefreshFlags() { FlagsLA->SetCaption("Flags: " + IntegerText(GetFlags())); }

void TFlowItemEditFrame::LoadItem(IQAVZLVFlowItem* item) {
  if (!item) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  IndexED->SetText(IntegerText(ReadLong(item, &IQAVZLVFlowItem::get_Index, kWhat)));
  IDED->SetText(ReadText(item, &IQAVZLVFlowItem::get_ID, kWhat));
  DirectionCO->SetItemIndex(ReadLong(item, &IQAVZLVFlowItem::get_Direction, kWhat) == 0 ? 0 : 1);
  const std::string data = VariantText(ReadVariant(item, &IQAVZLVFlowItem::get_Data, kWhat));
  if (!data.empty()) {
    DataValueRB->SetChecked(true);
    DataED->SetText(ControlCharsToText(data));
    for (int i = 0; i < PacketTypeLB->ItemCount(); ++i) PacketTypeLB->SetChecked(i, false);
    PacketDelimitersME->ClearLines();
    CharsAfterDelimiterED->SetText("");
  } else {
    PacketTypeRB->SetChecked(true);
    DataED->SetText("");
    CheckBits(*PacketTypeLB, kPacketTypeBits, ReadLong(item, &IQAVZLVFlowItem::get_PacketType, kWhat));
    ComPtr<IQAVZLVValues> delimiters = ReadObject(item, &IQAVZLVFlowItem::get_PacketDelimiters, kWhat);
    PacketDelimitersME->SetLines(ValueLines(delimiters.Get()));
    CharsAfterDelimiterED->SetText(IntegerText(ReadLong(item, &IQAVZLVFlowItem::get_CharsAfterDelimiter, kWhat)));
  }
  RetryCountED->SetText(IntegerText(ReadLong(item, &IQAVZLVFlowItem::get_RetryCount, kWhat)));
  IntervalED->SetText(IntegerText(ReadLong(item, &IQAVZLVFlowItem::get_Interval, kWhat)));
  NextFlowItemIDED->SetText(ReadText(item, &IQAVZLVFlowItem::get_NextFlowItemID, kWhat));
  const LONG flags = ReadLong(item, &IQAVZLVFlowItem::get_Flags, kWhat);
  for (int i = 0; i < static_cast<int>(kFlagNames.size()); ++i) FlagsLB->SetChecked(i, (flags & (LONG{1} << i)) != 0);
  RefreshFlags();
}

TFlowItemEditFrame::Numbers TFlowItemEditFrame::ReadNumbers() const {
  Numbers n{};
  n.index = ParseInteger(IndexED->Text());
  // Data mode never reads the number of characters after the delimiter.
  n.charsAfterDelimiter = PacketTypeRB->Checked() ? ParseInteger(CharsAfterDelimiterED->Text()) : 0;
  n.retryCount = ParseInteger(RetryCountED->Text());
  n.interval = ParseInteger(IntervalED->Text());
  return n;
}

void TFlowItemEditFrame::Validate() const { ReadNumbers(); }

void TFlowItemEditFrame::SaveItem(IQAVZLVFlowItem* item) {
  if (!item) return;
  const Numbers n = ReadNumbers();
  Put(item, &IQAVZLVFlowItem::put_Index, n.index, kWhat);
  PutText(item, &IQAVZLVFlowItem::put_ID, IDED->Text(), kWhat);
  if (DirectionCO->ItemIndex() >= 0) Put(item, &IQAVZLVFlowItem::put_Direction, LONG{DirectionCO->ItemIndex()}, kWhat);
  ComPtr<IQAVZLVValues> delimiters = ReadObject(item, &IQAVZLVFlowItem::get_PacketDelimiters, kWhat);
  if (!PacketTypeRB->Checked()) {
    CheckCall(item->put_Data(Variant::Ansi(TextToControlChars(DataED->Text()))), kWhat);
    Put(item, &IQAVZLVFlowItem::put_PacketType, LONG{0}, kWhat);
    CheckCall(delimiters->Clear(), kWhat);
    Put(item, &IQAVZLVFlowItem::put_CharsAfterDelimiter, LONG{0}, kWhat);
  } else {
    CheckCall(item->put_Data(Variant::Ansi("")), kWhat);
    WriteBits(item, &IQAVZLVFlowItem::get_PacketType, &IQAVZLVFlowItem::put_PacketType, *PacketTypeLB,
              kPacketTypeBits, kWhat);
    FillValues(delimiters.Get(), PacketDelimitersME->Lines());
    Put(item, &IQAVZLVFlowItem::put_CharsAfterDelimiter, n.charsAfterDelimiter, kWhat);
  }
  Put(item, &IQAVZLVFlowItem::put_RetryCount, n.retryCount, kWhat);
  Put(item, &IQAVZLVFlowItem::put_Interval, n.interval, kWhat);
  PutText(item, &IQAVZLVFlowItem::put_NextFlowItemID, NextFlowItemIDED->Text(), kWhat);
  Put(item, &IQAVZLVFlowItem::put_Flags, GetFlags(), kWhat);
  RefreshFlags();
}

}  // namespace zelvani::editors
