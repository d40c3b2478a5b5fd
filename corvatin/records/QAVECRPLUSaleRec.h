// A record of the department, article (PLU) or packing sales report: what
// one department or article sold (amount, quantity, share, returns) with a
// discount list the record owns. The reader fills code, name, amount and,
// by report, share, quantity, average price and the returns; the rest is
// the host's.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct PLUSaleRecProperty {
  enum : std::size_t {
    Name,
    Code,
    Index,
    EAN,
    Quantity,
    ReturnedQuantity,
    Price,
    AveragePrice,
    Amount,
    ReturnedAmount,
    Share,
    PLUType,
  };
};

// The EAN is a text here (a receipt item keeps it as a number).
inline constexpr PropertyRow kPLUSaleRecRows[] = {
    {PLUSaleRecProperty::Name, "Name", PropertyType::Text},
    {PLUSaleRecProperty::Code, "Code", PropertyType::Text},
    {PLUSaleRecProperty::Index, "Index", PropertyType::Long, -1},
    {PLUSaleRecProperty::EAN, "EAN", PropertyType::Text},
    {PLUSaleRecProperty::Quantity, "Quantity", PropertyType::Double, 0},
    {PLUSaleRecProperty::ReturnedQuantity, "ReturnedQuantity", PropertyType::Double, 0},
    {PLUSaleRecProperty::Price, "Price", PropertyType::Currency, 0},
    {PLUSaleRecProperty::AveragePrice, "AveragePrice", PropertyType::Currency, 0},
    {PLUSaleRecProperty::Amount, "Amount", PropertyType::Currency, 0},
    {PLUSaleRecProperty::ReturnedAmount, "ReturnedAmount", PropertyType::Currency, 0},
    {PLUSaleRecProperty::Share, "Share", PropertyType::Double, 0},
    {PLUSaleRecProperty::PLUType, "PLUType", PropertyType::Long, -1},  // QAVECRPLUType
};
static_assert(RowsInOrder(kPLUSaleRecRows));

class TQAVECRPLUSaleRec final : public TableRecord<IQAVECRPLUSaleRec> {
 public:
  // Creates the discount list by class identifier; when that fails, the
  // record is not made.
  TQAVECRPLUSaleRec();

  HRESULT get_Name(BSTR* r) override { return GetText(PLUSaleRecProperty::Name, r); }
  HRESULT put_Name(BSTR v) override { return PutText(PLUSaleRecProperty::Name, v); }
  HRESULT get_Code(BSTR* r) override { return GetText(PLUSaleRecProperty::Code, r); }
  HRESULT put_Code(BSTR v) override { return PutText(PLUSaleRecProperty::Code, v); }
  HRESULT get_Index(LONG* r) override { return GetLong(PLUSaleRecProperty::Index, r); }
  HRESULT put_Index(LONG v) override { return PutLong(PLUSaleRecProperty::Index, v); }
  HRESULT get_EAN(BSTR* r) override { return GetText(PLUSaleRecProperty::EAN, r); }
  HRESULT put_EAN(BSTR v) override { return PutText(PLUSaleRecProperty::EAN, v); }
  HRESULT get_Quantity(double* r) override { return GetDouble(PLUSaleRecProperty::Quantity, r); }
  HRESULT put_Quantity(double v) override { return PutDouble(PLUSaleRecProperty::Quantity, v); }
  HRESULT get_ReturnedQuantity(double* r) override { return GetDouble(PLUSaleRecProperty::ReturnedQuantity, r); }
  HRESULT put_ReturnedQuantity(double v) override { return PutDouble(PLUSaleRecProperty::ReturnedQuantity, v); }
  HRESULT get_Price(CY* r) override { return GetCurrency(PLUSaleRecProperty::Price, r); }
  HRESULT put_Price(CY v) override { return PutCurrency(PLUSaleRecProperty::Price, v); }
  HRESULT get_AveragePrice(CY* r) override { return GetCurrency(PLUSaleRecProperty::AveragePrice, r); }
  HRESULT put_AveragePrice(CY v) override { return PutCurrency(PLUSaleRecProperty::AveragePrice, v); }
  HRESULT get_Amount(CY* r) override { return GetCurrency(PLUSaleRecProperty::Amount, r); }
  HRESULT put_Amount(CY v) override { return PutCurrency(PLUSaleRecProperty::Amount, v); }
  HRESULT get_ReturnedAmount(CY* r) override { return GetCurrency(PLUSaleRecProperty::ReturnedAmount, r); }
  HRESULT put_ReturnedAmount(CY v) override { return PutCurrency(PLUSaleRecProperty::ReturnedAmount, v); }
  HRESULT get_Discount(IQAVECRDiscounts** r) override;
  HRESULT get_Share(double* r) override { return GetDouble(PLUSaleRecProperty::Share, r); }
  HRESULT put_Share(double v) override { return PutDouble(PLUSaleRecProperty::Share, v); }
  HRESULT get_PLUType(LONG* r) override { return GetLong(PLUSaleRecProperty::PLUType, r); }
  HRESULT put_PLUType(LONG v) override { return PutLong(PLUSaleRecProperty::PLUType, v); }

  IQAVECRDiscounts* Discount() const { return discount_.Get(); }

 private:
  const ComPtr<IQAVECRDiscounts> discount_;
};

}  // namespace corvatin
