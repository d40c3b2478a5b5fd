// Which packet of the packet library starts the transfer of each data type: the
// definitions of what PacketIdentifiers.h declares.
#include "corvatin/control/PacketIdentifiers.h"

namespace corvatin {

namespace {

struct PacketIdRow {
  QAVECRDataType dataType;
  const char* id;         // any range but dates
  const char* datesId;    // a range of dates
};

// One row per data type, in the order of the enumeration.
constexpr PacketIdRow kPacketIds[] = {
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
    {ecrdtReceiptReportEx, "k", "k"},  // shared with the receipt number
    {ecrdtHourlyReport, "l", "l"},
    {ecrdtStatus, "p", "p"},
    {ecrdtLinkedCodes, "h", "h"},
    {ecrdtDiscountCard, "j", "j"},
    {ecrdtReceiptNumber, "k", "k"},
    {ecrdtPLUChange, "r", "r"},
    {ecrdtDailyReportEx, "w", "w"},
    {ecrdtPeriodicalReportEx, "z", "y"},
    {ecrdtPeriodicalSummaryReportEx, "v", "u"},
    {ecrdtTaxRatesEx, "0", "0"},
    {ecrdtUniqueIDEx, "1", "1"},
};

}  // namespace

std::string PacketIdOf(LONG dataType, LONG rangeType) {
  for (const PacketIdRow& row : kPacketIds)
    if (row.dataType == dataType) return rangeType == ecrrtDates ? row.datesId : row.id;
  return {};
}

}  // namespace corvatin
