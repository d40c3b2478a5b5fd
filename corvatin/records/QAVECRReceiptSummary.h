// The summary of one receipt in the register's receipt report: item count,
// date and time, receipt, print-out and register numbers, the cashier (of
// whom the reader stores the code and, in one layout, the name) and the
// receipt's payments in an amounts list. The record owns the cashier and the
// list; the reader clears the list for every receipt but not the cashier.
#pragma once

#include "corvatin/records/TableRecord.h"

namespace corvatin {

struct ReceiptSummaryProperty {
  enum : std::size_t { ItemsCount, Date, Time, ReceiptNumber, PrintOutNumber, ECRNumber };
};

inline constexpr PropertyRow kReceiptSummaryRows[] = {
    {ReceiptSummaryProperty::ItemsCount, "ItemsCount", PropertyType::Long, -1},
    {ReceiptSummaryProperty::Date, "Date", PropertyType::Date, -1},
    {ReceiptSummaryProperty::Time, "Time", PropertyType::Date, -1},
    {ReceiptSummaryProperty::ReceiptNumber, "ReceiptNumber", PropertyType::Long, -1},
    {ReceiptSummaryProperty::PrintOutNumber, "PrintOutNumber", PropertyType::Long, -1},
    {ReceiptSummaryProperty::ECRNumber, "ECRNumber", PropertyType::Long, -1},
};
static_assert(RowsInOrder(kReceiptSummaryRows));

class TQAVECRReceiptSummary final : public TableRecord<IQAVECRReceiptSummary> {
 public:
  // Creates the amounts list, then the cashier, by class identifier; when
  // either fails, the record is not made.
  TQAVECRReceiptSummary();

  HRESULT get_ItemsCount(LONG* r) override { return GetLong(ReceiptSummaryProperty::ItemsCount, r); }
  HRESULT put_ItemsCount(LONG v) override { return PutLong(ReceiptSummaryProperty::ItemsCount, v); }
  HRESULT get_Date(DATE* r) override { return GetDate(ReceiptSummaryProperty::Date, r); }
  HRESULT put_Date(DATE v) override { return PutDate(ReceiptSummaryProperty::Date, v); }
  HRESULT get_Time(DATE* r) override { return GetDate(ReceiptSummaryProperty::Time, r); }
  HRESULT put_Time(DATE v) override { return PutDate(ReceiptSummaryProperty::Time, v); }
  HRESULT get_Cashier(IQAVECRCashier** r) override;
  HRESULT get_Amounts(IQAVECRAmounts** r) override;
  HRESULT get_ReceiptNumber(LONG* r) override { return GetLong(ReceiptSummaryProperty::ReceiptNumber, r); }
  HRESULT put_ReceiptNumber(LONG v) override { return PutLong(ReceiptSummaryProperty::ReceiptNumber, v); }
  HRESULT get_PrintOutNumber(LONG* r) override { return GetLong(ReceiptSummaryProperty::PrintOutNumber, r); }
  HRESULT put_PrintOutNumber(LONG v) override { return PutLong(ReceiptSummaryProperty::PrintOutNumber, v); }
  HRESULT get_ECRNumber(LONG* r) override { return GetLong(ReceiptSummaryProperty::ECRNumber, r); }
  HRESULT put_ECRNumber(LONG v) override { return PutLong(ReceiptSummaryProperty::ECRNumber, v); }

  IQAVECRCashier* Cashier() const { return cashier_.Get(); }
  IQAVECRAmounts* Amounts() const { return amounts_.Get(); }

 private:
  // Declared in the order of creation, so they are released in reverse.
  const ComPtr<IQAVECRAmounts> amounts_;
  const ComPtr<IQAVECRCashier> cashier_;
};

}  // namespace corvatin
