// The packet identifier that starts the transfer of each data type, under
// each range type: the reports that a range of dates selects have their own.
#include <gtest/gtest.h>

#include "corvatin/control/PacketIdentifiers.h"

namespace corvatin {
namespace {

TEST(PacketIdTest, EveryDataTypeUnderEveryRangeType) {
  struct Row {
    LONG dataType;
    const char* id;
    const char* datesId;
  } rows[] = {
      {ecrdtFlags, "A", "A"},
      {ecrdtFlagsEx, "s", "s"},
      {ecrdtHeader, "B", "B"},
      {ecrdtFooter, "C", "C"},
      {ecrdtCashier, "D", "D"},
      {ecrdtHALO, "E", "E"},
      {ecrdtDiscounts, "G", "G"},
      {ecrdtDepartment, "H", "H"},
      {ecrdtPLU, "I", "I"},
      {ecrdtPLUShortcuts, "J", "J"},
      {ecrdtTaxRates, "K", "K"},
      {ecrdtDateTime, "L", "L"},
      {ecrdtUniqueID, "M", "M"},
      {ecrdtTaxPayerID, "N", "N"},
      {ecrdtECRNumber, "P", "P"},
      {ecrdtCashReport, "R", "R"},
      {ecrdtCashReportEx, "f", "f"},
      {ecrdtCashReportExEx, "o", "o"},
      {ecrdtCashierSale, "S", "S"},
      {ecrdtCashierSaleEx, "g", "g"},
      {ecrdtCashierSaleExEx, "n", "n"},
      {ecrdtDepartmentSale, "T", "T"},
      {ecrdtPLUSale, "U", "U"},
      {ecrdtDailyReport, "W", "W"},
      {ecrdtLastFiscalReport, "X", "X"},
      {ecrdtPeriodicalReport, "Z", "Y"},
      {ecrdtPeriodicalSummaryReport, "b", "a"},
      {ecrdtPackingReport, "d", "d"},
      {ecrdtVersion, "e", "e"},
      {ecrdtReceiptReport, "O", "O"},
      {ecrdtReceiptReportEx, "k", "k"},
      {ecrdtHourlyReport, "l", "l"},
      {ecrdtStatus, "p", "p"},
      {ecrdtLinkedCodes, "h", "h"},
      {ecrdtDiscountCard, "j", "j"},
      {ecrdtReceiptNumber, "k", "k"},  // shares its identifier with the receipt report
      {ecrdtPLUChange, "r", "r"},
      {ecrdtDailyReportEx, "w", "w"},
      {ecrdtPeriodicalReportEx, "z", "y"},
      {ecrdtPeriodicalSummaryReportEx, "v", "u"},
      {ecrdtTaxRatesEx, "0", "0"},
      {ecrdtUniqueIDEx, "1", "1"},
  };
  ASSERT_EQ(std::size(rows), 42u);
  for (const Row& row : rows) {
    for (LONG rangeType : {LONG(ecrrtNone), LONG(ecrrtCodes), LONG(ecrrtNumbers), LONG(9)})
      EXPECT_EQ(PacketIdOf(row.dataType, rangeType), row.id) << row.dataType << " " << rangeType;
    EXPECT_EQ(PacketIdOf(row.dataType, ecrrtDates), row.datesId) << row.dataType;
  }
}

TEST(PacketIdTest, DataTypesOutsideTheTableHaveNone) {
  for (LONG dataType : {-1, 42, 43, 1000, -2147483647 - 1, 2147483647})
    for (LONG rangeType : {LONG(ecrrtNone), LONG(ecrrtDates)})
      EXPECT_EQ(PacketIdOf(dataType, rangeType), "") << dataType;
}

}  // namespace
}  // namespace corvatin
