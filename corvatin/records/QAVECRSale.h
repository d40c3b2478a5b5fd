// The sale of a daily or periodical report: one line per tax rate (gross,
// nett and tax with the rate's letter) and the two totals the register
// reports. The totals are the register's own figures; nothing sums the lines
// into them.
#pragma once

#include <string>
#include <vector>

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct SaleProperty {
  enum : std::size_t { SaleTotal, TaxesTotal };
};

inline constexpr PropertyRow kSaleRows[] = {
    {SaleProperty::SaleTotal, "SaleTotal", PropertyType::Currency, 0},
    {SaleProperty::TaxesTotal, "TaxesTotal", PropertyType::Currency, 0},
};
static_assert(RowsInOrder(kSaleRows));

// One line of a sale; a plain item owned by its sale.
struct TQAVECRSaleItem {
  CY Gross{};
  CY Nett{};
  CY Tax{};
  std::u16string Info;
};

class TQAVECRSale final : public TableRecord<IQAVECRSale> {
 public:
  TQAVECRSale() : TableRecord(kSaleRows) {}

  HRESULT get_SaleTotal(CY* r) override { return GetCurrency(SaleProperty::SaleTotal, r); }
  HRESULT put_SaleTotal(CY v) override { return PutCurrency(SaleProperty::SaleTotal, v); }
  HRESULT get_TaxesTotal(CY* r) override { return GetCurrency(SaleProperty::TaxesTotal, r); }
  HRESULT put_TaxesTotal(CY v) override { return PutCurrency(SaleProperty::TaxesTotal, v); }
  HRESULT get_Count(LONG* result) override;
  HRESULT get_Grosses(LONG i, CY* result) override;
  HRESULT get_Netts(LONG i, CY* result) override;
  HRESULT get_Taxes(LONG i, CY* result) override;
  HRESULT get_Infos(LONG i, BSTR* result) override;
  HRESULT Add(CY gross, CY nett, CY tax, BSTR info, VARIANT_BOOL* result) override;
  HRESULT Delete(LONG i, VARIANT_BOOL* result) override;
  HRESULT Clear(VARIANT_BOOL* result) override;

  // C++ access to the lines; an index outside the list throws the list's
  // index error.
  const std::vector<TQAVECRSaleItem>& Lines() const { return lines_; }
  void Append(CY gross, CY nett, CY tax, std::u16string_view info);
  void Remove(LONG i);
  void RemoveAll() { lines_.clear(); }

 private:
  std::vector<TQAVECRSaleItem> lines_;
};

}  // namespace corvatin
