// A cashier record: the cashier's code, name and password that travel to and
// from the register, and first name, surname and index that only serve the
// host. Report records hold one as the cashier their sales belong to.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct CashierProperty {
  enum : std::size_t { Name, Password, FirstName, Surname, Code, Index };
};

inline constexpr PropertyRow kCashierRows[] = {
    {CashierProperty::Name, "Name", PropertyType::Text},
    {CashierProperty::Password, "Password", PropertyType::Text},
    {CashierProperty::FirstName, "FirstName", PropertyType::Text},
    {CashierProperty::Surname, "Surname", PropertyType::Text},
    {CashierProperty::Code, "Code", PropertyType::Text},
    {CashierProperty::Index, "Index", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kCashierRows));

class TQAVECRCashier final : public TableRecord<IQAVECRCashier> {
 public:
  TQAVECRCashier() : TableRecord(kCashierRows) {}

  HRESULT get_Name(BSTR* r) override { return GetText(CashierProperty::Name, r); }
  HRESULT put_Name(BSTR v) override { return PutText(CashierProperty::Name, v); }
  HRESULT get_Password(BSTR* r) override { return GetText(CashierProperty::Password, r); }
  HRESULT put_Password(BSTR v) override { return PutText(CashierProperty::Password, v); }
  HRESULT get_FirstName(BSTR* r) override { return GetText(CashierProperty::FirstName, r); }
  HRESULT put_FirstName(BSTR v) override { return PutText(CashierProperty::FirstName, v); }
  HRESULT get_Surname(BSTR* r) override { return GetText(CashierProperty::Surname, r); }
  HRESULT put_Surname(BSTR v) override { return PutText(CashierProperty::Surname, v); }
  HRESULT get_Code(BSTR* r) override { return GetText(CashierProperty::Code, r); }
  HRESULT put_Code(BSTR v) override { return PutText(CashierProperty::Code, v); }
  HRESULT get_Index(LONG* r) override { return GetLong(CashierProperty::Index, r); }
  HRESULT put_Index(LONG v) override { return PutLong(CashierProperty::Index, v); }
};

}  // namespace corvatin
