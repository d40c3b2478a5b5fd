// What every new record of the control reads before anyone fills it: the
// plain properties, the lists the record owns (empty) and the owned cashier
// and version records (with their own defaults), each read through the
// record's interface as a host reads it.
#include <gtest/gtest.h>

#include <vector>

#include "tests/corvatin/records/RecordReading.h"

namespace corvatin {
namespace {

using namespace test;

struct Default {
  const char* member;
  Variant (*read)(IUnknown*);
  Variant expected;
};

struct RecordDefaults {
  const char* record;
  CLSID clsid;
  std::vector<Default> members;
};

const Variant kEmptyText = Variant::Str(u"");
const Variant kNoIndex = Variant::I4(-1);
const Variant kNoMoney = Variant::Cy(CY{0});
const Variant kNoDate = Variant::R8(-1.0);
const Variant kNone = Variant::I4(0);  // an empty list's Count, a zero number
const Variant kFalse = Variant::Bool(false);

std::vector<RecordDefaults> AllRecords() {
  return {
      {"QAVECRPLU",
       CLSID_QAVECRPLU,
       {
           {"Name", Read<&IQAVECRPLU::get_Name>, kEmptyText},
           {"Code", Read<&IQAVECRPLU::get_Code>, kEmptyText},
           {"Index", Read<&IQAVECRPLU::get_Index>, kNoIndex},
           {"EAN", Read<&IQAVECRPLU::get_EAN>, kEmptyText},
           {"ShortName", Read<&IQAVECRPLU::get_ShortName>, kEmptyText},
           {"PLUType", Read<&IQAVECRPLU::get_PLUType>, kNoIndex},
           {"Price", Read<&IQAVECRPLU::get_Price>, kNoMoney},
           {"DepartmentIndex", Read<&IQAVECRPLU::get_DepartmentIndex>, kNoIndex},
           {"DepartmentCode", Read<&IQAVECRPLU::get_DepartmentCode>, kEmptyText},
           {"ContainerIndex", Read<&IQAVECRPLU::get_ContainerIndex>, kNoIndex},
           {"ContainerCode", Read<&IQAVECRPLU::get_ContainerCode>, kEmptyText},
           {"LinkedIndex", Read<&IQAVECRPLU::get_LinkedIndex>, kNoIndex},
           {"LinkedCode", Read<&IQAVECRPLU::get_LinkedCode>, kEmptyText},
           {"TaxRateIndex", Read<&IQAVECRPLU::get_TaxRateIndex>, kNoIndex},
           {"TaxRateName", Read<&IQAVECRPLU::get_TaxRateName>, kEmptyText},
           {"TaxRate", Read<&IQAVECRPLU::get_TaxRate>, kNoMoney},
           {"PLUAttributes", Read<&IQAVECRPLU::get_PLUAttributes>, kNoIndex},  // every bit set
           {"HALOIndex", Read<&IQAVECRPLU::get_HALOIndex>, kNoIndex},
           {"HALOAmount", Read<&IQAVECRPLU::get_HALOAmount>, kNoIndex},
           {"Precision", Read<&IQAVECRPLU::get_Precision>, kNoIndex},
       }},
      {"QAVECRCashier",
       CLSID_QAVECRCashier,
       {
           {"Name", Read<&IQAVECRCashier::get_Name>, kEmptyText},
           {"Password", Read<&IQAVECRCashier::get_Password>, kEmptyText},
           {"FirstName", Read<&IQAVECRCashier::get_FirstName>, kEmptyText},
           {"Surname", Read<&IQAVECRCashier::get_Surname>, kEmptyText},
           {"Code", Read<&IQAVECRCashier::get_Code>, kEmptyText},
           {"Index", Read<&IQAVECRCashier::get_Index>, kNoIndex},
       }},
      {"QAVECRLinkedCodeRec",
       CLSID_QAVECRLinkedCodeRec,
       {
           {"Code", Read<&IQAVECRLinkedCodeRec::get_Code>, kEmptyText},
           {"LinkedCode", Read<&IQAVECRLinkedCodeRec::get_LinkedCode>, kEmptyText},
       }},
      {"QAVECRPLUShortcutRec",
       CLSID_QAVECRPLUShortcutRec,
       {
           {"KeyIndex", Read<&IQAVECRPLUShortcutRec::get_KeyIndex>, kNoIndex},
           {"Code", Read<&IQAVECRPLUShortcutRec::get_Code>, kEmptyText},
           {"Name", Read<&IQAVECRPLUShortcutRec::get_Name>, kEmptyText},
           {"EAN", Read<&IQAVECRPLUShortcutRec::get_EAN>, kEmptyText},
           {"Index", Read<&IQAVECRPLUShortcutRec::get_Index>, kNoIndex},
       }},
      {"QAVECRVersion",
       CLSID_QAVECRVersion,
       {
           {"ApplicationModule", Read<&IQAVECRVersion::get_ApplicationModule>, kEmptyText},
           {"FiscalModule", Read<&IQAVECRVersion::get_FiscalModule>, kEmptyText},
           {"PrintingDevice", Read<&IQAVECRVersion::get_PrintingDevice>, kEmptyText},
       }},
      {"QAVECRStatus",
       CLSID_QAVECRStatus,
       {
           {"ReceiptBufferFreeMemory", Read<&IQAVECRStatus::get_ReceiptBufferFreeMemory>, kNoIndex},
           {"FirstReceiptInBuffer", Read<&IQAVECRStatus::get_FirstReceiptInBuffer>, kNoIndex},
           {"LastReceiptInBuffer", Read<&IQAVECRStatus::get_LastReceiptInBuffer>, kNoIndex},
           {"Fiscal", Read<&IQAVECRStatus::get_Fiscal>, kFalse},
           {"ReadOnly", Read<&IQAVECRStatus::get_ReadOnly>, kFalse},
           {"ClientDisplay", Read<&IQAVECRStatus::get_ClientDisplay>, kFalse},
           {"PaperOut", Read<&IQAVECRStatus::get_PaperOut>, kFalse},
           {"PrintingDeviceError", Read<&IQAVECRStatus::get_PrintingDeviceError>, kFalse},
           {"Version.ApplicationModule",
            Through<&IQAVECRStatus::get_Version, &IQAVECRVersion::get_ApplicationModule>, kEmptyText},
           {"Version.FiscalModule", Through<&IQAVECRStatus::get_Version, &IQAVECRVersion::get_FiscalModule>,
            kEmptyText},
           {"Version.PrintingDevice", Through<&IQAVECRStatus::get_Version, &IQAVECRVersion::get_PrintingDevice>,
            kEmptyText},
       }},
      {"QAVECRAmount",
       CLSID_QAVECRAmount,
       {
           {"AmountType", Read<&IQAVECRAmount::get_AmountType>, kNoIndex},
           {"Value", Read<&IQAVECRAmount::get_Value>, kNoMoney},
           {"Name", Read<&IQAVECRAmount::get_Name>, kEmptyText},
           {"Info", Read<&IQAVECRAmount::get_Info>, kEmptyText},
       }},
      {"QAVECRCounter",
       CLSID_QAVECRCounter,
       {
           {"CounterType", Read<&IQAVECRCounter::get_CounterType>, kNoIndex},
           {"Value", Read<&IQAVECRCounter::get_Value>, kNoIndex},
           {"Info", Read<&IQAVECRCounter::get_Info>, kEmptyText},
       }},
      {"QAVECRAmounts", CLSID_QAVECRAmounts, {{"Count", Read<&IQAVECRAmounts::get_Count>, kNone}}},
      {"QAVECRCounters", CLSID_QAVECRCounters, {{"Count", Read<&IQAVECRCounters::get_Count>, kNone}}},
      {"QAVECRSale",
       CLSID_QAVECRSale,
       {
           {"SaleTotal", Read<&IQAVECRSale::get_SaleTotal>, kNoMoney},
           {"TaxesTotal", Read<&IQAVECRSale::get_TaxesTotal>, kNoMoney},
           {"Count", Read<&IQAVECRSale::get_Count>, kNone},
       }},
      {"QAVECRCashReport",
       CLSID_QAVECRCashReport,
       {
           {"Amounts.Count", Through<&IQAVECRCashReport::get_Amounts, &IQAVECRAmounts::get_Count>, kNone},
           {"Counters.Count", Through<&IQAVECRCashReport::get_Counters, &IQAVECRCounters::get_Count>, kNone},
       }},
      {"QAVECRCashierSaleRec",
       CLSID_QAVECRCashierSaleRec,
       {
           {"Cashier.Code", Through<&IQAVECRCashierSaleRec::get_Cashier, &IQAVECRCashier::get_Code>, kEmptyText},
           {"Cashier.Index", Through<&IQAVECRCashierSaleRec::get_Cashier, &IQAVECRCashier::get_Index>, kNoIndex},
           {"Amounts.Count", Through<&IQAVECRCashierSaleRec::get_Amounts, &IQAVECRAmounts::get_Count>, kNone},
           {"Counters.Count", Through<&IQAVECRCashierSaleRec::get_Counters, &IQAVECRCounters::get_Count>, kNone},
       }},
      {"QAVECRPLUSaleRec",
       CLSID_QAVECRPLUSaleRec,
       {
           {"Name", Read<&IQAVECRPLUSaleRec::get_Name>, kEmptyText},
           {"Code", Read<&IQAVECRPLUSaleRec::get_Code>, kEmptyText},
           {"Index", Read<&IQAVECRPLUSaleRec::get_Index>, kNoIndex},
           {"EAN", Read<&IQAVECRPLUSaleRec::get_EAN>, kEmptyText},
           {"Quantity", Read<&IQAVECRPLUSaleRec::get_Quantity>, Variant::R8(0)},
           {"ReturnedQuantity", Read<&IQAVECRPLUSaleRec::get_ReturnedQuantity>, Variant::R8(0)},
           {"Price", Read<&IQAVECRPLUSaleRec::get_Price>, kNoMoney},
           {"AveragePrice", Read<&IQAVECRPLUSaleRec::get_AveragePrice>, kNoMoney},
           {"Amount", Read<&IQAVECRPLUSaleRec::get_Amount>, kNoMoney},
           {"ReturnedAmount", Read<&IQAVECRPLUSaleRec::get_ReturnedAmount>, kNoMoney},
           {"Discount.Count", Through<&IQAVECRPLUSaleRec::get_Discount, &IQAVECRDiscounts::get_Count>, kNone},
           {"Share", Read<&IQAVECRPLUSaleRec::get_Share>, Variant::R8(0)},
           {"PLUType", Read<&IQAVECRPLUSaleRec::get_PLUType>, kNoIndex},
       }},
      {"QAVECRHourlyReportRec",
       CLSID_QAVECRHourlyReportRec,
       {
           {"Hour", Read<&IQAVECRHourlyReportRec::get_Hour>, kNoIndex},
           {"Amounts.Count", Through<&IQAVECRHourlyReportRec::get_Amounts, &IQAVECRAmounts::get_Count>, kNone},
           {"Counters.Count", Through<&IQAVECRHourlyReportRec::get_Counters, &IQAVECRCounters::get_Count>, kNone},
       }},
      {"QAVECRSaleRec",
       CLSID_QAVECRSaleRec,
       {
           {"ReportType", Read<&IQAVECRSaleRec::get_ReportType>, kNoIndex},
           {"Date", Read<&IQAVECRSaleRec::get_Date>, kNoDate},
           {"Number", Read<&IQAVECRSaleRec::get_Number>, kNoIndex},
           {"Sale.Count", Through<&IQAVECRSaleRec::get_Sale, &IQAVECRSale::get_Count>, kNone},
           {"Sale.SaleTotal", Through<&IQAVECRSaleRec::get_Sale, &IQAVECRSale::get_SaleTotal>, kNoMoney},
           {"Counters.Count", Through<&IQAVECRSaleRec::get_Counters, &IQAVECRCounters::get_Count>, kNone},
           {"Amounts.Count", Through<&IQAVECRSaleRec::get_Amounts, &IQAVECRAmounts::get_Count>, kNone},
           {"TaxRates.Count", Through<&IQAVECRSaleRec::get_TaxRates, &IQAVECRTaxRates::get_Count>, kNone},
           {"Attributes", Read<&IQAVECRSaleRec::get_Attributes>, kNoIndex},  // not filled yet
       }},
      {"QAVECRResetRec",
       CLSID_QAVECRResetRec,
       {
           {"ResetType", Read<&IQAVECRResetRec::get_ResetType>, kNoIndex},
           {"Date", Read<&IQAVECRResetRec::get_Date>, kNoDate},
           {"Time", Read<&IQAVECRResetRec::get_Time>, kNoDate},
           {"Reason", Read<&IQAVECRResetRec::get_Reason>, kNoIndex},
           {"Number", Read<&IQAVECRResetRec::get_Number>, kNoIndex},
       }},
      {"QAVECRTaxChangeRec",
       CLSID_QAVECRTaxChangeRec,
       {
           {"Date", Read<&IQAVECRTaxChangeRec::get_Date>, kNoDate},
           {"TaxRates.Count", Through<&IQAVECRTaxChangeRec::get_TaxRates, &IQAVECRTaxRates::get_Count>, kNone},
       }},
      {"QAVECRReceiptItem",
       CLSID_QAVECRReceiptItem,
       {
           {"ItemType", Read<&IQAVECRReceiptItem::get_ItemType>, kNoIndex},
           {"Name", Read<&IQAVECRReceiptItem::get_Name>, kEmptyText},
           {"Code", Read<&IQAVECRReceiptItem::get_Code>, kEmptyText},
           {"EAN", Read<&IQAVECRReceiptItem::get_EAN>, kNone},  // a number here, starting at 0
           {"Index", Read<&IQAVECRReceiptItem::get_Index>, kNoIndex},
           {"TaxRateIndex", Read<&IQAVECRReceiptItem::get_TaxRateIndex>, kNoIndex},
           {"TaxRateName", Read<&IQAVECRReceiptItem::get_TaxRateName>, kEmptyText},
           {"TaxRate", Read<&IQAVECRReceiptItem::get_TaxRate>, kNoMoney},
           {"QuantityPrecision", Read<&IQAVECRReceiptItem::get_QuantityPrecision>, kNone},
           {"Quantity", Read<&IQAVECRReceiptItem::get_Quantity>, Variant::R8(0)},
           {"Price", Read<&IQAVECRReceiptItem::get_Price>, kNoMoney},
           {"Value", Read<&IQAVECRReceiptItem::get_Value>, kNoMoney},
           {"DiscountValue", Read<&IQAVECRReceiptItem::get_DiscountValue>, kNone},
           {"DiscountType", Read<&IQAVECRReceiptItem::get_DiscountType>, kNone},
       }},
      {"QAVECRReceiptSummary",
       CLSID_QAVECRReceiptSummary,
       {
           {"ItemsCount", Read<&IQAVECRReceiptSummary::get_ItemsCount>, kNoIndex},
           {"Date", Read<&IQAVECRReceiptSummary::get_Date>, kNoDate},
           {"Time", Read<&IQAVECRReceiptSummary::get_Time>, kNoDate},
           {"Cashier.Name", Through<&IQAVECRReceiptSummary::get_Cashier, &IQAVECRCashier::get_Name>, kEmptyText},
           {"Cashier.Index", Through<&IQAVECRReceiptSummary::get_Cashier, &IQAVECRCashier::get_Index>, kNoIndex},
           {"Amounts.Count", Through<&IQAVECRReceiptSummary::get_Amounts, &IQAVECRAmounts::get_Count>, kNone},
           {"ReceiptNumber", Read<&IQAVECRReceiptSummary::get_ReceiptNumber>, kNoIndex},
           {"PrintOutNumber", Read<&IQAVECRReceiptSummary::get_PrintOutNumber>, kNoIndex},
           {"ECRNumber", Read<&IQAVECRReceiptSummary::get_ECRNumber>, kNoIndex},
       }},
      {"QAVECRReceiptDiscountCard",
       CLSID_QAVECRReceiptDiscountCard,
       {
           {"CardName", Read<&IQAVECRReceiptDiscountCard::get_CardName>, kEmptyText},
           {"CardCode", Read<&IQAVECRReceiptDiscountCard::get_CardCode>, kEmptyText},
           {"Discount", Read<&IQAVECRReceiptDiscountCard::get_Discount>, kNoMoney},
       }},
  };
}

TEST(RecordDefaultsTest, EveryNewRecordReadsItsDefaults) {
  for (const RecordDefaults& record : AllRecords()) {
    SCOPED_TRACE(record.record);
    ComPtr<IUnknown> object = Create<IUnknown>(record.clsid);
    for (const Default& d : record.members) {
      EXPECT_EQ(Describe(d.read(object.Get())), Describe(d.expected)) << record.record << "." << d.member;
    }
  }
}

}  // namespace
}  // namespace corvatin
