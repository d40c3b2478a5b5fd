#include "zelvani/editors/TFieldDefEditFrame.h"

#include "zelvani/editors/EditorSupport.h"
#include "zelvani/model/ZelvaniServer.h"

namespace zelvani::editors {

namespace {

constexpr std::array<const char*, 10> kConversionNames{
    "qzlvdcShortDate",   "qzlvdcHundredths", "qzlvdcThousands",       "qzlvdcSigned",      "qzlvdcZeroPadded",
    "qzlvdcLeftJustify", "qzlvdcRightJustify", "qzlvdcHex", "qzlvdcStringTerminated", "qzlvdcFitFieldToData"};
constexpr std::array<LONG, 10> kConversionBits{1, 2, 4, 8, 16, 32, 64, 128, 256, 512};

constexpr char kWhat[] = "Cannot write the field definition";

// The data type names padded with blanks to 30 characters.
std::vector<std::string> PaddedDataTypeNames() {
  std::vector<std::string> names;
  for (const char* name : kDataTypeNames) {
    std::string padded = name;
    padded.resize(30, ' ');
    names.push_back(std::move(padded));
  }
  return names;
}

}  // namespace

TFieldDefEditFrame::TFieldDefEditFrame() {
  SetBounds(0, 0, 370, 370);
  IndexED = &LabeledEdit(*this, "IndexED", "Index", 8, 0, 80, true);
  IDED = &LabeledEdit(*this, "IDED", "ID", 8, 40, 80);
  NameED = &LabeledEdit(*this, "NameED", "Name", 8, 80, 160);
  SizeED = &LabeledEdit(*this, "SizeED", "Size", 8, 120, 80);
  OffsetED = &LabeledEdit(*this, "OffsetED", "Offset", 8, 160, 80);
  SeparatorED = &LabeledEdit(*this, "SeparatorED", "Separator", 8, 200, 80);
  // The separator goes on the wire: a control byte is typed by its name.
  SeparatorED->SetReadsNotation(true);
  AddLabel(*this, "DataTypeLA", "Data type", 8, 240);
  DataTypeCO = &Add<ui::ComboBox>("DataTypeCO");
  DataTypeCO->SetBounds(8, 256, 160, 21);
  DataTypeCO->SetItems(PaddedDataTypeNames());
  RequiredCB = &Add<ui::CheckBox>("RequiredCB");
  RequiredCB->SetCaption("Field is required");
  RequiredCB->SetBounds(8, 288, 160, 17);
  ConstraintsED = &LabeledEdit(*this, "ConstraintsED", "Constraints", 190, 0, 80);
  MinValueED = &LabeledEdit(*this, "MinValueED", "Min value", 190, 40, 170);
  MaxValueED = &LabeledEdit(*this, "MaxValueED", "Max value", 190, 80, 170);
  DefaultValueED = &LabeledEdit(*this, "DefaultValueED", "Default value", 190, 120, 170);
  AddLabel(*this, "ConversionsLA", "Conversion flags", 190, 160);
  ConversionsLB = &Add<ui::CheckListBox>("ConversionsLB");
  ConversionsLB->SetBounds(190, 176, 170, 160);
  ConversionsLB->SetItems({kConversionNames.begin(), kConversionNames.end()});
}

void TFieldDefEditFrame::LoadItem(IQAVZLVFieldDef* field) {
  if (!field) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  IDED->SetText(ReadText(field, &IQAVZLVFieldDef::get_ID, kWhat));
  NameED->SetText(ReadText(field, &IQAVZLVFieldDef::get_Name, kWhat));
  IndexED->SetText(IntegerText(ReadLong(field, &IQAVZLVFieldDef::get_Index, kWhat)));
  SizeED->SetText(IntegerText(ReadLong(field, &IQAVZLVFieldDef::get_Size, kWhat)));
  const LONG type = ReadLong(field, &IQAVZLVFieldDef::get_DataType, kWhat);
  DataTypeCO->SetItemIndex(type >= 2 && type <= 7 ? static_cast<int>(type) - 1 : 0);
  ConstraintsED->SetText(IntegerText(ReadLong(field, &IQAVZLVFieldDef::get_Constraints, kWhat)));
  MinValueED->SetText(VariantText(ReadVariant(field, &IQAVZLVFieldDef::get_MinValue, kWhat)));
  MaxValueED->SetText(VariantText(ReadVariant(field, &IQAVZLVFieldDef::get_MaxValue, kWhat)));
  DefaultValueED->SetText(VariantText(ReadVariant(field, &IQAVZLVFieldDef::get_DefaultValue, kWhat)));
  SeparatorED->SetText(ReadText(field, &IQAVZLVFieldDef::get_Separator, kWhat));
  VARIANT_BOOL required = VARIANT_FALSE;
  CheckCall(field->get_Required(&required), kWhat);
  RequiredCB->SetChecked(required != VARIANT_FALSE);
  CheckBits(*ConversionsLB, kConversionBits, ReadLong(field, &IQAVZLVFieldDef::get_Conversions, kWhat));
  OffsetED->SetText(IntegerText(ReadLong(field, &IQAVZLVFieldDef::get_Offset, kWhat)));
}

LONG TFieldDefEditFrame::SelectedDataType() const {
  const int position = DataTypeCO->ItemIndex();
  return position >= 1 && position <= 6 ? position + 1 : qzlvdaString;
}

TFieldDefEditFrame::Numbers TFieldDefEditFrame::ReadNumbers() const {
  Numbers n{};
  n.index = ParseInteger(IndexED->Text());
  n.size = ParseInteger(SizeED->Text());
  n.constraints = ParseInteger(ConstraintsED->Text());
  n.offset = ParseInteger(OffsetED->Text());
  return n;
}

void TFieldDefEditFrame::Validate() const {
  ReadNumbers();
  if (SelectedDataType() == qzlvdaCurrency) {
    // A currency field stores its default as the amount the text denotes: try
    // the text on a scratch field by the same rule as the definitions file.
    ComPtr<IQAVZLVFieldDef> scratch = Create<IQAVZLVFieldDef>(CLSID_QAVZLVFieldDef);
    CheckCall(scratch->put_DataType(qzlvdaCurrency), kWhat);
    CheckCall(scratch->put_DefaultValue(Variant::Ansi(DefaultValueED->Text())), "Invalid default value");
  }
}

void TFieldDefEditFrame::SaveItem(IQAVZLVFieldDef* field) {
  if (!field) return;
  Validate();
  const Numbers n = ReadNumbers();
  PutText(field, &IQAVZLVFieldDef::put_ID, IDED->Text(), kWhat);
  PutText(field, &IQAVZLVFieldDef::put_Name, NameED->Text(), kWhat);
  Put(field, &IQAVZLVFieldDef::put_Index, n.index, kWhat);
  Put(field, &IQAVZLVFieldDef::put_Size, n.size, kWhat);
  Put(field, &IQAVZLVFieldDef::put_DataType, SelectedDataType(), kWhat);
  Put(field, &IQAVZLVFieldDef::put_Constraints, n.constraints, kWhat);
  CheckCall(field->put_MinValue(Variant::Ansi(MinValueED->Text())), kWhat);
  CheckCall(field->put_MaxValue(Variant::Ansi(MaxValueED->Text())), kWhat);
  CheckCall(field->put_DefaultValue(Variant::Ansi(DefaultValueED->Text())), kWhat);
  PutText(field, &IQAVZLVFieldDef::put_Separator, SeparatorED->Text(), kWhat);
  Put(field, &IQAVZLVFieldDef::put_Required, VARIANT_BOOL{RequiredCB->Checked() ? VARIANT_TRUE : VARIANT_FALSE},
      kWhat);
  WriteBits(field, &IQAVZLVFieldDef::get_Conversions, &IQAVZLVFieldDef::put_Conversions, *ConversionsLB,
            kConversionBits, kWhat);
  Put(field, &IQAVZLVFieldDef::put_Offset, n.offset, kWhat);
}

}  // namespace zelvani::editors
