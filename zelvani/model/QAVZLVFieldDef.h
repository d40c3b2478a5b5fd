// Field definitions: where one field lies in a packet's data area, what kind
// of value it carries and how that value is written as text on the wire; and
// the collection of them that a packet definition owns.
//
// Paste and Extract are the only place where field values become wire text and
// back. A packet calls them once per field when it builds or parses its data
// string, so they work on 8-bit strings without going through the object layer.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/variant.h"
#include "zelvani/model/DispatchCollection.h"
#include "zelvani/model/QAVZLVValue.h"

namespace zelvani {

// The one reading of an amount's text, for a field read from a packet, for a
// currency field's default value and for the amounts of the batch driver's
// lines: [blanks][+|-]digits[point digits][(e|E)[+|-]digits][blanks], the
// point being "." or the locale's decimal separator. Nothing else belongs to a
// number, thousands separators and currency signs included: "12,50" is 12.50
// where "," is the decimal separator and no number where it is not, never
// 1250. DISP_E_TYPEMISMATCH for a text that is no number, DISP_E_OVERFLOW
// beyond the currency's range.
HRESULT ReadCurrency(std::string_view s, CY& out);

class TQAVZLVFieldDef final : public ZelvaniObject<IQAVZLVFieldDef> {
 public:
  HRESULT get_ID(BSTR* result) override;
  HRESULT put_ID(BSTR value) override;
  HRESULT get_Name(BSTR* result) override;
  HRESULT put_Name(BSTR value) override;
  HRESULT get_Index(LONG* result) override;
  HRESULT put_Index(LONG value) override;
  HRESULT get_Size(LONG* result) override;
  HRESULT put_Size(LONG value) override;
  HRESULT get_DataType(LONG* result) override;
  HRESULT put_DataType(LONG value) override;
  HRESULT get_Constraints(LONG* result) override;
  HRESULT put_Constraints(LONG value) override;
  HRESULT get_MinValue(VARIANT* result) override;
  HRESULT put_MinValue(VARIANT value) override;
  HRESULT get_MaxValue(VARIANT* result) override;
  HRESULT put_MaxValue(VARIANT value) override;
  HRESULT get_DefaultValue(VARIANT* result) override;
  HRESULT put_DefaultValue(VARIANT value) override;
  HRESULT get_Separator(BSTR* result) override;
  HRESULT put_Separator(BSTR value) override;
  HRESULT get_Required(VARIANT_BOOL* result) override;
  HRESULT put_Required(VARIANT_BOOL value) override;
  HRESULT get_Conversions(LONG* result) override;
  HRESULT put_Conversions(LONG value) override;
  HRESULT get_Offset(LONG* result) override;
  HRESULT put_Offset(LONG value) override;
  // Answers whether the value fits its field: True when its whole text went
  // in; False when nothing was pasted (the buffer is left as it was) or when
  // its text was cut to the field's Size. A string is pasted cut, as the
  // field's form wants; a sender of numbers asks this first and refuses a
  // number that does not fit, since a cut number is another number.
  HRESULT PasteValue(BSTR* buffer, VARIANT value, LONG offset, VARIANT_BOOL* result) override;
  HRESULT ExtractValue(BSTR buffer, VARIANT* value, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;
  HRESULT CopyFrom(IQAVZLVFieldDef* source, VARIANT_BOOL* result) override;

  // C++ access (texts are 8-bit ANSI).
  const std::string& ID() const { return id_; }
  void SetID(std::string v) { id_ = std::move(v); }
  const std::string& Name() const { return name_; }
  void SetName(std::string v) { name_ = std::move(v); }
  LONG Index() const { return index_; }
  void SetIndex(LONG v) { index_ = v; }
  LONG Size() const { return size_; }
  void SetSize(LONG v) { size_ = v; }
  LONG DataType() const { return dataType_; }
  void SetDataType(LONG v) { dataType_ = v; }
  LONG Constraints() const { return constraints_; }
  void SetConstraints(LONG v) { constraints_ = v; }
  const Variant& MinValue() const { return minValue_; }
  void SetMinValue(const VARIANT& v) { minValue_ = CopyOfValue(v); }
  const Variant& MaxValue() const { return maxValue_; }
  void SetMaxValue(const VARIANT& v) { maxValue_ = CopyOfValue(v); }
  const Variant& DefaultValue() const { return defaultValue_; }
  // Stores the default value. On a currency field the value is taken as text
  // and read as an amount is read from a packet ("." or the locale's decimal
  // separator as the point, no grouping), and stored as the currency it
  // denotes (an empty text is no default, Empty); throws EConvertError when
  // that text is no number.
  void SetDefaultValue(const VARIANT& v);
  const std::string& Separator() const { return separator_; }
  void SetSeparator(std::string v) { separator_ = std::move(v); }
  bool Required() const { return required_ != VARIANT_FALSE; }
  void SetRequired(bool v) { required_ = v ? VARIANT_TRUE : VARIANT_FALSE; }
  LONG Conversions() const { return conversions_; }
  void SetConversions(LONG v) { conversions_ = v; }
  bool HasConversion(LONG bit) const { return (conversions_ & bit) != 0; }
  LONG Offset() const { return offset_; }
  void SetOffset(LONG v) { offset_ = v; }

  // The wire text of VALUE for this field, conversions applied, cut or padded
  // to Size (plus the separator of qzlvdcFitFieldToData), into TEXT (replaced).
  // False, with TEXT unspecified, when the value has no text for this field:
  // no data type, a value that is no date, a text that is no integer under
  // qzlvdcHex, a text that is no number under qzlvdcZeroPadded.
  // With WHOLE, whether the value's text fits the field: it was not cut to
  // Size (a terminator of qzlvdcStringTerminated that the cut takes away is
  // the field's form, not part of the value).
  bool FieldText(const VARIANT& value, std::string& text, bool* whole = nullptr) const;

  // Writes the wire text of VALUE over BUFFER from POSITION (1-based; below 0
  // means the field's own Offset). The buffer never grows or shrinks: the part
  // of the text that runs past its end is dropped. False, leaving BUFFER as it
  // was, when the value has no text for this field (see FieldText) or the
  // position lies outside the buffer.
  bool Paste(std::string& buffer, const VARIANT& value, LONG position = -1) const;

  // Reads this field out of BUFFER at the field's own Offset into VALUE. VALUE
  // is Empty when the field does not lie inside the buffer or an integer text
  // is no number, Null when the text does not denote a value of the field's
  // type. True exactly when a value was read (VALUE neither Empty nor Null).
  bool Extract(std::string_view buffer, Variant& value) const;

  // Copies every field of SOURCE (the default value as it is); False, changing
  // nothing, for null.
  bool CopyFromSource(IQAVZLVFieldDef* source);

 private:
  LONG constraints_ = 0;
  LONG dataType_ = 0;
  std::string id_;
  Variant maxValue_;
  Variant minValue_;
  std::string name_;
  LONG index_ = 0;
  LONG size_ = 0;
  Variant defaultValue_;
  std::string separator_;
  VARIANT_BOOL required_ = VARIANT_FALSE;
  LONG conversions_ = 0;
  LONG offset_ = 0;
};

class TQAVZLVFieldDefs final : public DispatchCollectionBase<IQAVZLVFieldDefs, IQAVZLVFieldDef> {
 public:
  HRESULT get_Items(LONG i, IQAVZLVFieldDef** result) override;
  HRESULT FindByName(BSTR name, IQAVZLVFieldDef** result) override;
  HRESULT FindByID(BSTR id, IQAVZLVFieldDef** result) override;
  HRESULT Clear() override;
  HRESULT CopyFrom(IQAVZLVFieldDefs* source, VARIANT_BOOL* result) override;
  HRESULT Edit(VARIANT_BOOL* result) override;

  // The first field definition whose Name (ID) equals the text exactly, case
  // included; null when there is none.
  ComPtr<IQAVZLVFieldDef> FindName(std::string_view name) const;
  ComPtr<IQAVZLVFieldDef> FindID(std::string_view id) const;

  // Deep copy: the collection is cleared and gets, for each element of the
  // source in order, a new field definition created by class identifier,
  // added and made a copy of the element (its Index included). False,
  // changing nothing, for null.
  bool CopyFromSource(IQAVZLVFieldDefs* source);

 protected:
  void ItemAdded(IQAVZLVFieldDef* item, LONG index) override;
};

}  // namespace zelvani
