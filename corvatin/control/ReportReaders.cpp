// The report and receipt readers of the engine: twelve IQAVECR members that
// fill a record object, handed in by the host, from the packets of a running
// read.
//
// A reader knows a packet only by its field numbers. Which field feeds which
// property, per layout (the data type of the read), is a table of rows; one
// small interpreter, ReadRecord, runs any of them. The fetching readers
// receive their packet first (ReadPacket); the record-kind readers parse the
// packet that ReadNextRecordType left current.
//
// The records are reached only through their interfaces: a property by its
// put member, a list through the record's get member and the list's Add, so
// any implementation of a record interface can be filled. A field that does
// not convert to its target (Null among them) fails the member with a
// description naming the field; what was stored before it stays.
#include <cmath>
#include <cstdint>
#include <exception>
#include <span>
#include <stdexcept>
#include <string>

#include "corvatin/control/CalleeCalls.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/object.h"

namespace corvatin {

namespace {

// A set of data types (QAVECRDataType values 0..63), one bit each.
using DataTypes = std::uint64_t;
constexpr DataTypes kAnyDataType = ~DataTypes{0};

template <class... T>
constexpr DataTypes In(T... dataTypes) {
  return ((DataTypes{1} << static_cast<unsigned>(dataTypes)) | ...);
}

bool Contains(DataTypes set, LONG dataType) {
  if (set == kAnyDataType) return true;
  return dataType >= 0 && dataType < 64 && (set >> dataType & 1u) != 0;
}

// The lists a reader empties before it fills the record, and whether it then
// starts Attributes from 0.
enum Clears : unsigned {
  kClearNothing = 0,
  kClearSale = 1,
  kClearTaxRates = 2,
  kClearCounters = 4,
  kClearAmounts = 8,
  kResetAttributes = 16,
};

// What one row does with its field.
enum class Step {
  Text,            // the field as text into a property
  Long,            // as a 32-bit integer
  Currency,        // as currency
  Double,          // as a double
  Date,            // as a date
  ScaledQuantity,  // as a double into Quantity, then scaled by the record's QuantityPrecision
  Compared,        // 1 into the property when the field differs from 0, else 0
  Attribute,       // Attributes or'ed with `constant` when the field differs from 0
  Amount,          // Amounts.Add(constant, field as currency, "", info)
  Counter,         // Counters.Add(constant, field as integer, "")
  SaleTotal,       // the field as currency into Sale.SaleTotal
  TaxesTotal,      // into Sale.TaxesTotal
  SaleLine,        // Sale.Add(gross, nett, tax, letter `constant`): fields `field`, `nett`, `tax`; 0 gives 0
  TaxRate,         // TaxRates.Add(field as currency, letter `constant`)
  CashierCode,     // the field as text into Cashier.Code
  CashierName,     // into Cashier.Name
  IdCharacter,     // the identifier's second character c into a property as c - low, when low <= c <= high
};

// One row of a layout table for records of interface Itf. The property is
// named by its put member; `when` lists the data types the row belongs to.
template <class Itf>
struct Row {
  Step step;
  LONG field = 0;
  DataTypes when = kAnyDataType;
  HRESULT (Itf::*putText)(BSTR) = nullptr;
  HRESULT (Itf::*putLong)(LONG) = nullptr;
  HRESULT (Itf::*putCurrency)(CY) = nullptr;
  HRESULT (Itf::*putDouble)(double) = nullptr;  // doubles and dates
  LONG constant = 0;
  const char16_t* info = u"";
  LONG nett = 0;
  LONG tax = 0;
  char low = 0;
  char high = 0;
};

// Row makers, so that each table row reads as "field, what, where".
template <class Itf>
struct Rows {
  using R = Row<Itf>;
  static constexpr R Text(LONG f, HRESULT (Itf::*put)(BSTR), DataTypes when = kAnyDataType) {
    return {.step = Step::Text, .field = f, .when = when, .putText = put};
  }
  static constexpr R Long(LONG f, HRESULT (Itf::*put)(LONG), DataTypes when = kAnyDataType) {
    return {.step = Step::Long, .field = f, .when = when, .putLong = put};
  }
  static constexpr R Currency(LONG f, HRESULT (Itf::*put)(CY), DataTypes when = kAnyDataType) {
    return {.step = Step::Currency, .field = f, .when = when, .putCurrency = put};
  }
  static constexpr R Double(LONG f, HRESULT (Itf::*put)(double), DataTypes when = kAnyDataType) {
    return {.step = Step::Double, .field = f, .when = when, .putDouble = put};
  }
  static constexpr R Date(LONG f, HRESULT (Itf::*put)(DATE), DataTypes when = kAnyDataType) {
    return {.step = Step::Date, .field = f, .when = when, .putDouble = put};
  }
  static constexpr R ScaledQuantity(LONG f, HRESULT (Itf::*put)(double), DataTypes when = kAnyDataType) {
    return {.step = Step::ScaledQuantity, .field = f, .when = when, .putDouble = put};
  }
  static constexpr R Compared(LONG f, HRESULT (Itf::*put)(LONG)) {
    return {.step = Step::Compared, .field = f, .putLong = put};
  }
  static constexpr R Attribute(LONG f, LONG flag) { return {.step = Step::Attribute, .field = f, .constant = flag}; }
  static constexpr R Amount(LONG f, QAVECRAmountType type, DataTypes when = kAnyDataType,
                            const char16_t* info = u"") {
    return {.step = Step::Amount, .field = f, .when = when, .constant = type, .info = info};
  }
  static constexpr R Counter(LONG f, QAVECRCounterType type, DataTypes when = kAnyDataType) {
    return {.step = Step::Counter, .field = f, .when = when, .constant = type};
  }
  static constexpr R SaleTotal(LONG f) { return {.step = Step::SaleTotal, .field = f}; }
  static constexpr R TaxesTotal(LONG f) { return {.step = Step::TaxesTotal, .field = f}; }
  static constexpr R SaleLine(LONG k, LONG gross, LONG nett, LONG tax) {
    return {.step = Step::SaleLine, .field = gross, .constant = k, .nett = nett, .tax = tax};
  }
  static constexpr R TaxRate(LONG f, LONG k, DataTypes when = kAnyDataType) {
    return {.step = Step::TaxRate, .field = f, .when = when, .constant = k};
  }
  static constexpr R CashierCode(LONG f, DataTypes when = kAnyDataType) {
    return {.step = Step::CashierCode, .field = f, .when = when};
  }
  static constexpr R CashierName(LONG f, DataTypes when = kAnyDataType) {
    return {.step = Step::CashierName, .field = f, .when = when};
  }
  static constexpr R IdCharacter(HRESULT (Itf::*put)(LONG), char low, char high) {
    return {.step = Step::IdCharacter, .putLong = put, .low = low, .high = high};
  }
};

// The tax-rate letters of sale lines and tax rates, by 0-based position.
constexpr const char16_t* kLetters[] = {u"A", u"B", u"C", u"D", u"E", u"F", u"G"};
constexpr const char16_t* kCancelledInfo = u"Cancelled receipts total";

// ---------------------------------------------------------------- the layouts

constexpr DataTypes kCash = In(ecrdtCashReport, ecrdtCashReportEx, ecrdtCashReportExEx);
constexpr DataTypes kCashEx = In(ecrdtCashReportEx, ecrdtCashReportExEx);
constexpr DataTypes kCashExEx = In(ecrdtCashReportExEx);

using CashRows = Rows<IQAVECRCashReport>;
// Field 11 carries both the mark-ups amount and the cancelled receipts count.
constexpr Row<IQAVECRCashReport> kCashReportRows[] = {
    CashRows::Amount(1, ecratCash),
    CashRows::Amount(2, ecratCheque),
    CashRows::Amount(3, ecratCreditCard),
    CashRows::Amount(4, ecratCredit),
    CashRows::Amount(5, ecratVoucher),
    CashRows::Amount(6, ecratDepositOut),
    CashRows::Amount(7, ecratCashPaidIn),
    CashRows::Amount(8, ecratCashPaidOut),
    CashRows::Amount(9, ecratStorno, kCashEx),
    CashRows::Amount(10, ecratDiscounts, kCashEx),
    CashRows::Amount(11, ecratMarkUps, kCashEx),
    CashRows::Counter(11, ecrctCancelledReceipts, kCashEx),
    CashRows::Counter(12, ecrctStornoItems, kCashExEx),
    CashRows::Counter(13, ecrctDiscountedItems, kCashExEx),
    CashRows::Counter(14, ecrctDiscountedReceipts, kCashExEx),
    CashRows::Amount(15, ecratItemDiscounts, kCashExEx),
    CashRows::Amount(16, ecratReceiptDiscounts, kCashExEx),
    CashRows::Amount(17, ecratCancelled, kCashExEx),
};

constexpr DataTypes kCashier = In(ecrdtCashierSale, ecrdtCashierSaleEx, ecrdtCashierSaleExEx);
constexpr DataTypes kCashierEx = In(ecrdtCashierSaleEx, ecrdtCashierSaleExEx);
constexpr DataTypes kCashierExEx = In(ecrdtCashierSaleExEx);

using CashierRows = Rows<IQAVECRCashierSaleRec>;
constexpr Row<IQAVECRCashierSaleRec> kCashierSaleRows[] = {
    CashierRows::CashierCode(1),
    CashierRows::Amount(2, ecratCash),
    CashierRows::Amount(3, ecratCheque),
    CashierRows::Amount(4, ecratCreditCard),
    CashierRows::Amount(5, ecratCredit),
    CashierRows::Amount(6, ecratVoucher),
    CashierRows::Amount(7, ecratDepositOut),
    CashierRows::Amount(8, ecratCashPaidIn),
    CashierRows::Amount(9, ecratCashPaidOut),
    CashierRows::Amount(10, ecratStorno, kCashierEx),
    CashierRows::Amount(11, ecratDiscounts, kCashierEx),
    CashierRows::Amount(12, ecratMarkUps, kCashierEx),
    CashierRows::Counter(13, ecrctCancelledReceipts, kCashierEx),
    CashierRows::Counter(14, ecrctStornoItems, kCashierExEx),
    CashierRows::Counter(15, ecrctDiscountedItems, kCashierExEx),
    CashierRows::Counter(16, ecrctDiscountedReceipts, kCashierExEx),
    CashierRows::Amount(17, ecratItemDiscounts, kCashierExEx),
    CashierRows::Amount(18, ecratReceiptDiscounts, kCashierExEx),
    CashierRows::Amount(19, ecratCancelled, kCashierExEx),
};

constexpr DataTypes kPLUSales = In(ecrdtDepartmentSale, ecrdtPLUSale, ecrdtPackingReport);
constexpr DataTypes kDepartment = In(ecrdtDepartmentSale);
constexpr DataTypes kArticle = In(ecrdtPLUSale);
constexpr DataTypes kPacking = In(ecrdtPackingReport);
constexpr DataTypes kArticleOrPacking = In(ecrdtPLUSale, ecrdtPackingReport);

using PLURows = Rows<IQAVECRPLUSaleRec>;
constexpr Row<IQAVECRPLUSaleRec> kPLUSaleRows[] = {
    PLURows::Text(1, &IQAVECRPLUSaleRec::put_Code),
    PLURows::Text(2, &IQAVECRPLUSaleRec::put_Name),
    PLURows::Currency(3, &IQAVECRPLUSaleRec::put_Amount),
    PLURows::Double(4, &IQAVECRPLUSaleRec::put_Share, kDepartment),
    PLURows::Double(4, &IQAVECRPLUSaleRec::put_Quantity, kArticleOrPacking),
    PLURows::Currency(5, &IQAVECRPLUSaleRec::put_AveragePrice, kArticle),
    PLURows::Currency(5, &IQAVECRPLUSaleRec::put_ReturnedAmount, kPacking),
    PLURows::Double(6, &IQAVECRPLUSaleRec::put_Share, kArticle),
    PLURows::Double(6, &IQAVECRPLUSaleRec::put_ReturnedQuantity, kPacking),
};

using HourlyRows = Rows<IQAVECRHourlyReportRec>;
constexpr Row<IQAVECRHourlyReportRec> kHourlyRows[] = {
    HourlyRows::Long(1, &IQAVECRHourlyReportRec::put_Hour),
    HourlyRows::Amount(2, ecratTotal),
    HourlyRows::Counter(3, ecrctReceipts),
    HourlyRows::Counter(4, ecrctReceiptItems),
    HourlyRows::Amount(5, ecratPackingBalance),
};

using SaleRows = Rows<IQAVECRSaleRec>;
constexpr DataTypes kSaleRecEx = In(ecrdtDailyReportEx, ecrdtPeriodicalReportEx);

// The sale record of a daily or periodical report: gross sales by rate.
constexpr Row<IQAVECRSaleRec> kSaleRecRows[] = {
    SaleRows::Date(1, &IQAVECRSaleRec::put_Date),
    SaleRows::Long(3, &IQAVECRSaleRec::put_Number),
    SaleRows::SaleTotal(4),
    SaleRows::SaleLine(0, 5, 0, 0),
    SaleRows::SaleLine(1, 6, 0, 0),
    SaleRows::SaleLine(2, 7, 0, 0),
    SaleRows::SaleLine(3, 8, 0, 0),
    SaleRows::SaleLine(4, 9, 0, 0),
    SaleRows::SaleLine(5, 10, 0, 0),
    SaleRows::SaleLine(6, 11, 0, 0),
    SaleRows::TaxesTotal(12),
    SaleRows::Counter(13, ecrctReceipts),
    SaleRows::Counter(14, ecrctPrintouts),
    SaleRows::Attribute(15, ecratResetOccured),
    SaleRows::Counter(16, ecrctLastReceipt),
    SaleRows::Counter(17, ecrctCancelledReceipts, kSaleRecEx),
    SaleRows::Amount(18, ecratCancelled, kSaleRecEx, kCancelledInfo),
};

constexpr DataTypes kPeriodicalEx = In(ecrdtPeriodicalReportEx);

// The sale summary of a periodical report: nett and tax by rate.
constexpr Row<IQAVECRSaleRec> kSaleSummaryRows[] = {
    SaleRows::Date(1, &IQAVECRSaleRec::put_Date),
    SaleRows::SaleLine(0, 0, 3, 10),
    SaleRows::SaleLine(1, 0, 4, 11),
    SaleRows::SaleLine(2, 0, 5, 12),
    SaleRows::SaleLine(3, 0, 6, 13),
    SaleRows::SaleLine(4, 0, 7, 14),
    SaleRows::SaleLine(5, 0, 8, 15),
    SaleRows::SaleLine(6, 0, 9, 16),
    SaleRows::TaxesTotal(17),
    SaleRows::SaleTotal(18),
    SaleRows::Counter(19, ecrctReceipts),
    SaleRows::Counter(20, ecrctPrintouts),
    SaleRows::Counter(21, ecrctRAMResets),
    SaleRows::Counter(22, ecrctFiscalBaseResets),
    SaleRows::Attribute(23, ecratPLUResetOccured),
    SaleRows::Attribute(24, ecratPLUChangeOccured),
    SaleRows::Counter(25, ecrctCancelledReceipts, kPeriodicalEx),
    SaleRows::Amount(26, ecratCancelled, kPeriodicalEx, kCancelledInfo),
};

constexpr DataTypes kSummaryEx = In(ecrdtPeriodicalSummaryReportEx);

// The periodical summary report: gross and tax by rate; field 1 is not read.
constexpr Row<IQAVECRSaleRec> kSummaryReportRows[] = {
    SaleRows::SaleLine(0, 2, 0, 9),
    SaleRows::SaleLine(1, 3, 0, 10),
    SaleRows::SaleLine(2, 4, 0, 11),
    SaleRows::SaleLine(3, 5, 0, 12),
    SaleRows::SaleLine(4, 6, 0, 13),
    SaleRows::SaleLine(5, 7, 0, 14),
    SaleRows::SaleLine(6, 8, 0, 15),
    SaleRows::TaxesTotal(16),
    SaleRows::SaleTotal(17),
    SaleRows::Counter(18, ecrctReceipts),
    SaleRows::Counter(19, ecrctPrintouts),
    SaleRows::Counter(20, ecrctRAMResets),
    SaleRows::Counter(21, ecrctFiscalBaseResets),
    SaleRows::Counter(22, ecrctPLUResets),
    SaleRows::Attribute(23, ecratPLUResetOccured),
    SaleRows::Attribute(24, ecratPLUChangeOccured),
    SaleRows::Counter(25, ecrctCancelledReceipts, kSummaryEx),
    SaleRows::Amount(26, ecratCancelled, kSummaryEx, kCancelledInfo),
};

using ResetRows = Rows<IQAVECRResetRec>;
// "2" a RAM reset, "3" an article reset; field 2 is not read.
constexpr Row<IQAVECRResetRec> kResetRows[] = {
    ResetRows::IdCharacter(&IQAVECRResetRec::put_ResetType, '2', '3'),
    ResetRows::Date(1, &IQAVECRResetRec::put_Date),
    ResetRows::Date(3, &IQAVECRResetRec::put_Time),
    ResetRows::Compared(4, &IQAVECRResetRec::put_Reason),
    ResetRows::Long(5, &IQAVECRResetRec::put_Number),
};

using TaxChangeRows = Rows<IQAVECRTaxChangeRec>;
constexpr Row<IQAVECRTaxChangeRec> kTaxChangeRows[] = {
    TaxChangeRows::Date(1, &IQAVECRTaxChangeRec::put_Date),
    TaxChangeRows::TaxRate(3, 0),
    TaxChangeRows::TaxRate(4, 1),
    TaxChangeRows::TaxRate(5, 2),
    TaxChangeRows::TaxRate(6, 3),
    TaxChangeRows::TaxRate(7, 4),
    TaxChangeRows::TaxRate(8, 5),
    TaxChangeRows::TaxRate(9, 6, kPeriodicalEx),
};

constexpr DataTypes kReceipts = In(ecrdtReceiptReport, ecrdtReceiptReportEx);
constexpr DataTypes kReceipt = In(ecrdtReceiptReport);
constexpr DataTypes kReceiptEx = In(ecrdtReceiptReportEx);

using ItemRows = Rows<IQAVECRReceiptItem>;
// "0" to "3": department sale, article sale, packing sale, packing return.
constexpr Row<IQAVECRReceiptItem> kReceiptItemRows[] = {
    ItemRows::IdCharacter(&IQAVECRReceiptItem::put_ItemType, '0', '3'),
    ItemRows::Text(1, &IQAVECRReceiptItem::put_Code, kReceipt),
    ItemRows::Text(2, &IQAVECRReceiptItem::put_Name, kReceipt),
    ItemRows::Text(3, &IQAVECRReceiptItem::put_TaxRateName, kReceipt),
    ItemRows::Long(4, &IQAVECRReceiptItem::put_QuantityPrecision, kReceipt),
    ItemRows::ScaledQuantity(5, &IQAVECRReceiptItem::put_Quantity, kReceipt),
    ItemRows::Currency(6, &IQAVECRReceiptItem::put_Price, kReceipt),
    ItemRows::Currency(7, &IQAVECRReceiptItem::put_Value, kReceipt),
    ItemRows::Text(1, &IQAVECRReceiptItem::put_Code, kReceiptEx),
    ItemRows::Text(2, &IQAVECRReceiptItem::put_TaxRateName, kReceiptEx),
    ItemRows::Long(3, &IQAVECRReceiptItem::put_QuantityPrecision, kReceiptEx),
    ItemRows::ScaledQuantity(4, &IQAVECRReceiptItem::put_Quantity, kReceiptEx),
    ItemRows::Currency(5, &IQAVECRReceiptItem::put_Price, kReceiptEx),
    ItemRows::Currency(6, &IQAVECRReceiptItem::put_Value, kReceiptEx),
};

using SummaryRows = Rows<IQAVECRReceiptSummary>;
constexpr Row<IQAVECRReceiptSummary> kReceiptSummaryRows[] = {
    SummaryRows::Long(1, &IQAVECRReceiptSummary::put_ItemsCount),
    SummaryRows::Long(2, &IQAVECRReceiptSummary::put_ReceiptNumber),
    SummaryRows::Date(3, &IQAVECRReceiptSummary::put_Date, kReceipt),
    SummaryRows::Date(4, &IQAVECRReceiptSummary::put_Time, kReceipt),
    SummaryRows::CashierCode(5, kReceipt),
    SummaryRows::CashierName(6, kReceipt),
    SummaryRows::Long(3, &IQAVECRReceiptSummary::put_PrintOutNumber, kReceiptEx),
    SummaryRows::Date(4, &IQAVECRReceiptSummary::put_Date, kReceiptEx),
    SummaryRows::Date(5, &IQAVECRReceiptSummary::put_Time, kReceiptEx),
    SummaryRows::CashierCode(6, kReceiptEx),
    SummaryRows::Long(7, &IQAVECRReceiptSummary::put_ECRNumber),
    SummaryRows::Amount(8, ecratTotal),
    SummaryRows::Amount(9, ecratCash),
    SummaryRows::Amount(10, ecratCheque),
    SummaryRows::Amount(11, ecratCreditCard),
    SummaryRows::Amount(12, ecratVoucher),
    SummaryRows::Amount(13, ecratCredit),
    SummaryRows::Amount(14, ecratRest),
};

using CardRows = Rows<IQAVECRReceiptDiscountCard>;
constexpr Row<IQAVECRReceiptDiscountCard> kDiscountCardRows[] = {
    CardRows::Text(1, &IQAVECRReceiptDiscountCard::put_CardCode),
    CardRows::Currency(2, &IQAVECRReceiptDiscountCard::put_Discount),
};

// ---------------------------------------------------------------- helpers

// The current packet's fields, converted to the readers' targets. A failure
// names the field and the packet.
class PacketFields {
 public:
  explicit PacketFields(IQAVZLVPacket* packet) : packet_(packet) {}

  const std::string& Id() {
    if (!haveId_) {
      Bstr id;
      Check(packet_->get_ID(id.Out()), "Cannot read the packet's identifier");
      id_ = BstrToAnsi(id.Get());
      haveId_ = true;
    }
    return id_;
  }

  // Field N as it is (Empty beyond the packet's fields).
  Variant Raw(LONG n) {
    Variant v;
    Check(packet_->get_FieldValues(Variant::I4(n), &v), "Cannot read a field of the packet");
    return v;
  }

  // Field N coerced to T (booleans as "True"/"False" in text); Null fails.
  Variant As(LONG n, VARTYPE t, const char* target) {
    Variant v = Raw(n);
    if (v.IsNull()) throw ComError(DISP_E_TYPEMISMATCH, Where(n) + " holds no value (Null) for " + target);
    try {
      return v.As(t, VARIANT_ALPHABOOL);
    } catch (const ComError& e) {
      throw ComError(e.Code(), Where(n) + " cannot be read as " + target + ": " + e.what());
    }
  }
  LONG Long(LONG n) { return As(n, VT_I4, "an integer").lVal; }
  CY Currency(LONG n) { return As(n, VT_CY, "a currency").cyVal; }
  double Double(LONG n) { return As(n, VT_R8, "a number").dblVal; }
  DATE Date(LONG n) { return As(n, VT_DATE, "a date").date; }

  // Whether field N differs from the integer 0, compared as values: Empty
  // equals 0, Null fails, a text is compared as the number it reads as.
  bool NonZero(LONG n) {
    Variant v = Raw(n);
    if (v.IsEmpty()) return false;
    if (v.vt == VT_CY) return v.cyVal.int64 != 0;
    if (v.vt == VT_BOOL) return v.boolVal != VARIANT_FALSE;
    return As(n, VT_R8, "a number compared with 0").dblVal != 0;
  }

 private:
  std::string Where(LONG n) { return "Field " + std::to_string(n) + " of the record \"" + Id() + "\""; }

  IQAVZLVPacket* packet_;
  bool haveId_ = false;
  std::string id_;
};

// The sub-objects of a record, fetched once per read through the record's
// get members. A record without the object (a null answer) fails the member.
template <class Itf>
class RecordParts {
 public:
  explicit RecordParts(Itf* record) : record_(record) {}

  IQAVECRAmounts* Amounts() {
    if constexpr (requires(Itf* r, IQAVECRAmounts** p) { r->get_Amounts(p); })
      return Fetch(amounts_, [&](IQAVECRAmounts** p) { return record_->get_Amounts(p); }, "Amounts");
    else
      return Missing<IQAVECRAmounts>("Amounts");
  }
  IQAVECRCounters* Counters() {
    if constexpr (requires(Itf* r, IQAVECRCounters** p) { r->get_Counters(p); })
      return Fetch(counters_, [&](IQAVECRCounters** p) { return record_->get_Counters(p); }, "Counters");
    else
      return Missing<IQAVECRCounters>("Counters");
  }
  IQAVECRSale* Sale() {
    if constexpr (requires(Itf* r, IQAVECRSale** p) { r->get_Sale(p); })
      return Fetch(sale_, [&](IQAVECRSale** p) { return record_->get_Sale(p); }, "Sale");
    else
      return Missing<IQAVECRSale>("Sale");
  }
  IQAVECRTaxRates* TaxRates() {
    if constexpr (requires(Itf* r, IQAVECRTaxRates** p) { r->get_TaxRates(p); })
      return Fetch(taxRates_, [&](IQAVECRTaxRates** p) { return record_->get_TaxRates(p); }, "TaxRates");
    else
      return Missing<IQAVECRTaxRates>("TaxRates");
  }
  IQAVECRCashier* Cashier() {
    if constexpr (requires(Itf* r, IQAVECRCashier** p) { r->get_Cashier(p); })
      return Fetch(cashier_, [&](IQAVECRCashier** p) { return record_->get_Cashier(p); }, "Cashier");
    else
      return Missing<IQAVECRCashier>("Cashier");
  }

  LONG Attributes() {
    if constexpr (requires(Itf* r, LONG* v) { r->get_Attributes(v); }) {
      LONG v = 0;
      Check(record_->get_Attributes(&v), "Cannot read the record's Attributes");
      return v;
    } else {
      throw std::logic_error("The record has no Attributes");
    }
  }
  void SetAttributes(LONG v) {
    if constexpr (requires(Itf* r) { r->put_Attributes(LONG{}); })
      Check(record_->put_Attributes(v), "Cannot set the record's Attributes");
    else
      throw std::logic_error("The record has no Attributes");
  }
  LONG QuantityPrecision() {
    if constexpr (requires(Itf* r, LONG* v) { r->get_QuantityPrecision(v); }) {
      LONG v = 0;
      Check(record_->get_QuantityPrecision(&v), "Cannot read the record's QuantityPrecision");
      return v;
    } else {
      throw std::logic_error("The record has no QuantityPrecision");
    }
  }
  double Quantity() {
    if constexpr (requires(Itf* r, double* v) { r->get_Quantity(v); }) {
      double v = 0;
      Check(record_->get_Quantity(&v), "Cannot read the record's Quantity");
      return v;
    } else {
      throw std::logic_error("The record has no Quantity");
    }
  }

 private:
  template <class P, class G>
  static P* Fetch(ComPtr<P>& slot, G&& get, const char* name) {
    if (!slot) {
      Check(get(slot.Out()), (std::string("Cannot read the record's ") + name).c_str());
      if (!slot) throw ComError(E_POINTER, std::string("The record has no ") + name + " object");
    }
    return slot.Get();
  }
  template <class P>
  static P* Missing(const char* name) {
    throw std::logic_error(std::string("The record has no ") + name);
  }

  Itf* record_;
  ComPtr<IQAVECRAmounts> amounts_;
  ComPtr<IQAVECRCounters> counters_;
  ComPtr<IQAVECRSale> sale_;
  ComPtr<IQAVECRTaxRates> taxRates_;
  ComPtr<IQAVECRCashier> cashier_;
};

// The quantity of a receipt item arrives in units of its precision: PRECISION
// times in a row it is multiplied by one tenth at extended precision and
// rounded back to a double. A value that reaches 0 or is not finite stays as
// it is for every further step, so the loop ends there: a corrupt precision
// (two thousand million steps) cannot hang the read.
double ScaleQuantity(double quantity, LONG precision) {
  for (LONG i = 0; i < precision; ++i) {
    if (quantity == 0 || !std::isfinite(quantity)) break;
    quantity = static_cast<double>(static_cast<long double>(quantity) * 0.1L);
  }
  return quantity;
}

}  // namespace

// One reader: whether it receives its packet itself, the data types it has a
// layout for (others answer 10000), the lists it empties first, and its rows.
template <class Itf>
struct TQAVECRObj::RecordReader {
  bool fetches;
  DataTypes layouts;
  unsigned clears;
  std::span<const Row<Itf>> rows;
};

template <class Itf>
bool TQAVECRObj::ReadRecord(Itf* record, const RecordReader<Itf>& reader) {
  if (reader.fetches && !ReadPacket()) return false;
  PacketFields fields(RequirePacket());
  const LONG dataType = dataType_;
  const bool hasLayout = Contains(reader.layouts, dataType);
  // A record-kind reader checks the data type before it stores anything; a
  // fetching one has consumed its packet and empties its lists all the same.
  if (!reader.fetches && !hasLayout) {
    SetEngineError(ecrecUnknownDataType);
    return false;
  }
  RecordParts<Itf> parts(record);
  VARIANT_BOOL ignored = VARIANT_FALSE;
  if (reader.clears & kClearSale) Check(parts.Sale()->Clear(&ignored), "Cannot clear the sale lines");
  if (reader.clears & kClearTaxRates) Check(parts.TaxRates()->Clear(&ignored), "Cannot clear the tax rates");
  if (reader.clears & kClearCounters) Check(parts.Counters()->Clear(&ignored), "Cannot clear the counters");
  if (reader.clears & kClearAmounts) Check(parts.Amounts()->Clear(&ignored), "Cannot clear the amounts");
  if (reader.clears & kResetAttributes) parts.SetAttributes(0);
  if (!hasLayout) {
    SetEngineError(ecrecUnknownDataType);
    return false;
  }

  const Bstr empty(u"");
  for (const Row<Itf>& row : reader.rows) {
    if (!Contains(row.when, dataType)) continue;
    const LONG f = row.field;
    switch (row.step) {
      case Step::Text: {
        Variant text = fields.As(f, VT_BSTR, "a text");
        Check((record->*row.putText)(text.bstrVal), "Cannot set a property of the record");
        break;
      }
      case Step::Long:
        Check((record->*row.putLong)(fields.Long(f)), "Cannot set a property of the record");
        break;
      case Step::Currency:
        Check((record->*row.putCurrency)(fields.Currency(f)), "Cannot set a property of the record");
        break;
      case Step::Double:
        Check((record->*row.putDouble)(fields.Double(f)), "Cannot set a property of the record");
        break;
      case Step::Date:
        Check((record->*row.putDouble)(fields.Date(f)), "Cannot set a property of the record");
        break;
      case Step::ScaledQuantity: {
        Check((record->*row.putDouble)(fields.Double(f)), "Cannot set the record's Quantity");
        const LONG precision = parts.QuantityPrecision();
        if (precision > 0)
          Check((record->*row.putDouble)(ScaleQuantity(parts.Quantity(), precision)),
                "Cannot set the record's Quantity");
        break;
      }
      case Step::Compared:
        Check((record->*row.putLong)(fields.NonZero(f) ? 1 : 0), "Cannot set a property of the record");
        break;
      case Step::Attribute:
        if (fields.NonZero(f)) parts.SetAttributes(parts.Attributes() | row.constant);
        break;
      case Step::Amount: {
        const CY value = fields.Currency(f);
        const Bstr info(row.info);
        Check(parts.Amounts()->Add(row.constant, value, empty.Get(), info.Get(), &ignored), "Cannot add an amount");
        break;
      }
      case Step::Counter: {
        const LONG value = fields.Long(f);
        Check(parts.Counters()->Add(row.constant, value, empty.Get(), &ignored), "Cannot add a counter");
        break;
      }
      case Step::SaleTotal:
        Check(parts.Sale()->put_SaleTotal(fields.Currency(f)), "Cannot set the sale total");
        break;
      case Step::TaxesTotal:
        Check(parts.Sale()->put_TaxesTotal(fields.Currency(f)), "Cannot set the taxes total");
        break;
      case Step::SaleLine: {
        const CY gross = f > 0 ? fields.Currency(f) : CY{};
        const CY nett = row.nett > 0 ? fields.Currency(row.nett) : CY{};
        const CY tax = row.tax > 0 ? fields.Currency(row.tax) : CY{};
        const Bstr letter(kLetters[row.constant]);
        Check(parts.Sale()->Add(gross, nett, tax, letter.Get(), &ignored), "Cannot add a sale line");
        break;
      }
      case Step::TaxRate: {
        const CY value = fields.Currency(f);
        const Bstr letter(kLetters[row.constant]);
        Check(parts.TaxRates()->Add(value, letter.Get(), &ignored), "Cannot add a tax rate");
        break;
      }
      case Step::CashierCode:
      case Step::CashierName: {
        Variant text = fields.As(f, VT_BSTR, "a text");
        IQAVECRCashier* cashier = parts.Cashier();
        Check(row.step == Step::CashierCode ? cashier->put_Code(text.bstrVal) : cashier->put_Name(text.bstrVal),
              "Cannot set the cashier");
        break;
      }
      case Step::IdCharacter: {
        // An identifier without a second character, or with one outside the
        // row's range, leaves the property as it was.
        const std::string& id = fields.Id();
        if (id.size() >= 2 && id[1] >= row.low && id[1] <= row.high)
          Check((record->*row.putLong)(id[1] - row.low), "Cannot set a property of the record");
        break;
      }
    }
  }
  return true;
}

template <class Itf>
HRESULT TQAVECRObj::RunReader(Itf* record, const RecordReader<Itf>& reader, VARIANT_BOOL* result) {
  return RecordMember(result, record, [&] { return ReadRecord(record, reader); });
}

// ---------------------------------------------------------------- the members

HRESULT TQAVECRObj::ReadCashReport(IQAVECRCashReport* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRCashReport> kReader{true, kCash, kClearAmounts | kClearCounters,
                                                           kCashReportRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadCashierSaleRec(IQAVECRCashierSaleRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRCashierSaleRec> kReader{true, kCashier, kClearAmounts | kClearCounters,
                                                               kCashierSaleRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadPLUSaleRec(IQAVECRPLUSaleRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRPLUSaleRec> kReader{true, kPLUSales, kClearNothing, kPLUSaleRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadHourlyReportRec(IQAVECRHourlyReportRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRHourlyReportRec> kReader{true, kAnyDataType, kClearAmounts | kClearCounters,
                                                                kHourlyRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadSummaryReport(IQAVECRSaleRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRSaleRec> kReader{
      true, kAnyDataType, kClearSale | kClearTaxRates | kClearCounters | kClearAmounts | kResetAttributes,
      kSummaryReportRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadSaleRec(IQAVECRSaleRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRSaleRec> kReader{
      false, kAnyDataType, kClearSale | kClearTaxRates | kClearCounters | kClearAmounts | kResetAttributes,
      kSaleRecRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadSaleSummaryRec(IQAVECRSaleRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRSaleRec> kReader{
      false, kAnyDataType, kClearSale | kClearTaxRates | kClearCounters | kClearAmounts | kResetAttributes,
      kSaleSummaryRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadResetRec(IQAVECRResetRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRResetRec> kReader{false, kAnyDataType, kClearNothing, kResetRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadTaxChangeRec(IQAVECRTaxChangeRec* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRTaxChangeRec> kReader{false, kAnyDataType, kClearTaxRates, kTaxChangeRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadReceiptItem(IQAVECRReceiptItem* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRReceiptItem> kReader{false, kReceipts, kClearNothing, kReceiptItemRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadReceiptSummary(IQAVECRReceiptSummary* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRReceiptSummary> kReader{false, kReceipts, kClearAmounts,
                                                               kReceiptSummaryRows};
  return RunReader(r, kReader, result);
}

HRESULT TQAVECRObj::ReadReceiptDiscountCard(IQAVECRReceiptDiscountCard* r, VARIANT_BOOL* result) {
  static constexpr RecordReader<IQAVECRReceiptDiscountCard> kReader{false, kAnyDataType, kClearNothing,
                                                                    kDiscountCardRows};
  return RunReader(r, kReader, result);
}

}  // namespace corvatin
