// A sale record of the daily and periodical reports, also the record of the
// periodical sale summary and of the summary report: the date and number of
// the report, its sale lines by tax rate, counters, amounts and tax rates in
// lists the record owns, and attribute flags telling whether a reset or an
// article change happened in the period.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct SaleRecProperty {
  enum : std::size_t { ReportType, Date, Number, Attributes };
};

// Attributes stays -1 until a reader fills the record (the readers start it
// from 0 and add QAVECRSaleRecAttributes flags).
inline constexpr PropertyRow kSaleRecRows[] = {
    {SaleRecProperty::ReportType, "ReportType", PropertyType::Long, -1},
    {SaleRecProperty::Date, "Date", PropertyType::Date, -1},
    {SaleRecProperty::Number, "Number", PropertyType::Long, -1},
    {SaleRecProperty::Attributes, "Attributes", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kSaleRecRows));

class TQAVECRSaleRec final : public TableRecord<IQAVECRSaleRec> {
 public:
  // Creates the amounts, counters, sale and tax-rate lists, in this order, by
  // class identifier; when any fails, the record is not made.
  TQAVECRSaleRec();

  HRESULT get_ReportType(LONG* r) override { return GetLong(SaleRecProperty::ReportType, r); }
  HRESULT put_ReportType(LONG v) override { return PutLong(SaleRecProperty::ReportType, v); }
  HRESULT get_Date(DATE* r) override { return GetDate(SaleRecProperty::Date, r); }
  HRESULT put_Date(DATE v) override { return PutDate(SaleRecProperty::Date, v); }
  HRESULT get_Number(LONG* r) override { return GetLong(SaleRecProperty::Number, r); }
  HRESULT put_Number(LONG v) override { return PutLong(SaleRecProperty::Number, v); }
  HRESULT get_Sale(IQAVECRSale** r) override;
  HRESULT get_Counters(IQAVECRCounters** r) override;
  HRESULT get_Amounts(IQAVECRAmounts** r) override;
  HRESULT get_TaxRates(IQAVECRTaxRates** r) override;
  HRESULT get_Attributes(LONG* r) override { return GetLong(SaleRecProperty::Attributes, r); }
  HRESULT put_Attributes(LONG v) override { return PutLong(SaleRecProperty::Attributes, v); }

  IQAVECRAmounts* Amounts() const { return amounts_.Get(); }
  IQAVECRCounters* Counters() const { return counters_.Get(); }
  IQAVECRSale* Sale() const { return sale_.Get(); }
  IQAVECRTaxRates* TaxRates() const { return taxRates_.Get(); }

 private:
  // Declared in the order of creation, so they are released in reverse.
  const ComPtr<IQAVECRAmounts> amounts_;
  const ComPtr<IQAVECRCounters> counters_;
  const ComPtr<IQAVECRSale> sale_;
  const ComPtr<IQAVECRTaxRates> taxRates_;
};

}  // namespace corvatin
