// One line of a receipt in the register's receipt report: what was sold
// (department, article, packing or a packing return), its code and name, tax
// rate, quantity (already scaled by its precision), price and value. The
// reader fills part of it; the rest is the host's. Nothing is cleared between
// records, so members a layout does not set keep their previous values.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct ReceiptItemProperty {
  enum : std::size_t {
    ItemType,
    Name,
    Code,
    EAN,
    Index,
    TaxRateIndex,
    TaxRateName,
    TaxRate,
    QuantityPrecision,
    Quantity,
    Price,
    Value,
    DiscountValue,
    DiscountType,
  };
};

// The EAN is a number here and starts at 0 (an article sales record keeps it
// as a text).
inline constexpr PropertyRow kReceiptItemRows[] = {
    {ReceiptItemProperty::ItemType, "ItemType", PropertyType::Long, -1},  // QAVECRReceiptItemType
    {ReceiptItemProperty::Name, "Name", PropertyType::Text},
    {ReceiptItemProperty::Code, "Code", PropertyType::Text},
    {ReceiptItemProperty::EAN, "EAN", PropertyType::Long, 0},
    {ReceiptItemProperty::Index, "Index", PropertyType::Long, -1},
    {ReceiptItemProperty::TaxRateIndex, "TaxRateIndex", PropertyType::Long, -1},
    {ReceiptItemProperty::TaxRateName, "TaxRateName", PropertyType::Text},
    {ReceiptItemProperty::TaxRate, "TaxRate", PropertyType::Currency, 0},
    {ReceiptItemProperty::QuantityPrecision, "QuantityPrecision", PropertyType::Long, 0},
    {ReceiptItemProperty::Quantity, "Quantity", PropertyType::Double, 0},
    {ReceiptItemProperty::Price, "Price", PropertyType::Currency, 0},
    {ReceiptItemProperty::Value, "Value", PropertyType::Currency, 0},
    {ReceiptItemProperty::DiscountValue, "DiscountValue", PropertyType::Long, 0},
    {ReceiptItemProperty::DiscountType, "DiscountType", PropertyType::Long, 0},
};
static_assert(RowsInOrder(kReceiptItemRows));

class TQAVECRReceiptItem final : public TableRecord<IQAVECRReceiptItem> {
 public:
  TQAVECRReceiptItem() : TableRecord(kReceiptItemRows) {}

  HRESULT get_ItemType(LONG* r) override { return GetLong(ReceiptItemProperty::ItemType, r); }
  HRESULT put_ItemType(LONG v) override { return PutLong(ReceiptItemProperty::ItemType, v); }
  HRESULT get_Name(BSTR* r) override { return GetText(ReceiptItemProperty::Name, r); }
  HRESULT put_Name(BSTR v) override { return PutText(ReceiptItemProperty::Name, v); }
  HRESULT get_Code(BSTR* r) override { return GetText(ReceiptItemProperty::Code, r); }
  HRESULT put_Code(BSTR v) override { return PutText(ReceiptItemProperty::Code, v); }
  HRESULT get_EAN(LONG* r) override { return GetLong(ReceiptItemProperty::EAN, r); }
  HRESULT put_EAN(LONG v) override { return PutLong(ReceiptItemProperty::EAN, v); }
  HRESULT get_Index(LONG* r) override { return GetLong(ReceiptItemProperty::Index, r); }
  HRESULT put_Index(LONG v) override { return PutLong(ReceiptItemProperty::Index, v); }
  HRESULT get_TaxRateIndex(LONG* r) override { return GetLong(ReceiptItemProperty::TaxRateIndex, r); }
  HRESULT put_TaxRateIndex(LONG v) override { return PutLong(ReceiptItemProperty::TaxRateIndex, v); }
  HRESULT get_TaxRateName(BSTR* r) override { return GetText(ReceiptItemProperty::TaxRateName, r); }
  HRESULT put_TaxRateName(BSTR v) override { return PutText(ReceiptItemProperty::TaxRateName, v); }
  HRESULT get_TaxRate(CY* r) override { return GetCurrency(ReceiptItemProperty::TaxRate, r); }
  HRESULT put_TaxRate(CY v) override { return PutCurrency(ReceiptItemProperty::TaxRate, v); }
  HRESULT get_QuantityPrecision(LONG* r) override { return GetLong(ReceiptItemProperty::QuantityPrecision, r); }
  HRESULT put_QuantityPrecision(LONG v) override { return PutLong(ReceiptItemProperty::QuantityPrecision, v); }
  HRESULT get_Quantity(double* r) override { return GetDouble(ReceiptItemProperty::Quantity, r); }
  HRESULT put_Quantity(double v) override { return PutDouble(ReceiptItemProperty::Quantity, v); }
  HRESULT get_Price(CY* r) override { return GetCurrency(ReceiptItemProperty::Price, r); }
  HRESULT put_Price(CY v) override { return PutCurrency(ReceiptItemProperty::Price, v); }
  HRESULT get_Value(CY* r) override { return GetCurrency(ReceiptItemProperty::Value, r); }
  HRESULT put_Value(CY v) override { return PutCurrency(ReceiptItemProperty::Value, v); }
  HRESULT get_DiscountValue(LONG* r) override { return GetLong(ReceiptItemProperty::DiscountValue, r); }
  HRESULT put_DiscountValue(LONG v) override { return PutLong(ReceiptItemProperty::DiscountValue, v); }
  HRESULT get_DiscountType(LONG* r) override { return GetLong(ReceiptItemProperty::DiscountType, r); }
  HRESULT put_DiscountType(LONG v) override { return PutLong(ReceiptItemProperty::DiscountType, v); }
};

}  // namespace corvatin
