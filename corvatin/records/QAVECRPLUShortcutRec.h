// A key shortcut record: the register key (by index) that sells the article
// of a code directly. Key and code travel; name, EAN and index only serve the
// host.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct PLUShortcutRecProperty {
  enum : std::size_t { KeyIndex, Code, Name, EAN, Index };
};

inline constexpr PropertyRow kPLUShortcutRecRows[] = {
    {PLUShortcutRecProperty::KeyIndex, "KeyIndex", PropertyType::Long, -1},
    {PLUShortcutRecProperty::Code, "Code", PropertyType::Text},
    {PLUShortcutRecProperty::Name, "Name", PropertyType::Text},
    {PLUShortcutRecProperty::EAN, "EAN", PropertyType::Text},
    {PLUShortcutRecProperty::Index, "Index", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kPLUShortcutRecRows));

class TQAVECRPLUShortcutRec final : public TableRecord<IQAVECRPLUShortcutRec> {
 public:
  TQAVECRPLUShortcutRec() : TableRecord(kPLUShortcutRecRows) {}

  HRESULT get_KeyIndex(LONG* r) override { return GetLong(PLUShortcutRecProperty::KeyIndex, r); }
  HRESULT put_KeyIndex(LONG v) override { return PutLong(PLUShortcutRecProperty::KeyIndex, v); }
  HRESULT get_Code(BSTR* r) override { return GetText(PLUShortcutRecProperty::Code, r); }
  HRESULT put_Code(BSTR v) override { return PutText(PLUShortcutRecProperty::Code, v); }
  HRESULT get_Name(BSTR* r) override { return GetText(PLUShortcutRecProperty::Name, r); }
  HRESULT put_Name(BSTR v) override { return PutText(PLUShortcutRecProperty::Name, v); }
  HRESULT get_EAN(BSTR* r) override { return GetText(PLUShortcutRecProperty::EAN, r); }
  HRESULT put_EAN(BSTR v) override { return PutText(PLUShortcutRecProperty::EAN, v); }
  HRESULT get_Index(LONG* r) override { return GetLong(PLUShortcutRecProperty::Index, r); }
  HRESULT put_Index(LONG v) override { return PutLong(PLUShortcutRecProperty::Index, v); }
};

}  // namespace corvatin
