// The report and receipt records and the status record as owners of their
// sub-objects: each hands out one instance per sub-object on every read (so
// what a reader adds stays in the record), keeps it for its whole life, and
// is not made at all when a sub-object's class cannot be created.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "corvatin/records/QAVECRCashReport.h"
#include "corvatin/records/QAVECRCashierSaleRec.h"
#include "corvatin/records/QAVECRHourlyReportRec.h"
#include "corvatin/records/QAVECRPLUSaleRec.h"
#include "corvatin/records/QAVECRReceiptSummary.h"
#include "corvatin/records/QAVECRSaleRec.h"
#include "corvatin/records/QAVECRStatus.h"
#include "corvatin/records/QAVECRTaxChangeRec.h"
#include "platform/com/activation.h"
#include "tests/corvatin/records/RecordReading.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

// The sub-object that accessor GETSUB hands out, as IUnknown (the identity
// of a COM object).
template <auto GetSub>
ComPtr<IUnknown> IdentityOf(IUnknown* record) {
  auto sub = SubObject(record, GetSub);
  return sub ? QueryAs<IUnknown>(sub.Get()) : nullptr;
}

struct SubObjectRow {
  const char* member;
  CLSID record;
  ComPtr<IUnknown> (*read)(IUnknown*);
};

const SubObjectRow kSubObjects[] = {
    {"CashReport.Amounts", CLSID_QAVECRCashReport, IdentityOf<&IQAVECRCashReport::get_Amounts>},
    {"CashReport.Counters", CLSID_QAVECRCashReport, IdentityOf<&IQAVECRCashReport::get_Counters>},
    {"CashierSaleRec.Cashier", CLSID_QAVECRCashierSaleRec, IdentityOf<&IQAVECRCashierSaleRec::get_Cashier>},
    {"CashierSaleRec.Amounts", CLSID_QAVECRCashierSaleRec, IdentityOf<&IQAVECRCashierSaleRec::get_Amounts>},
    {"CashierSaleRec.Counters", CLSID_QAVECRCashierSaleRec, IdentityOf<&IQAVECRCashierSaleRec::get_Counters>},
    {"PLUSaleRec.Discount", CLSID_QAVECRPLUSaleRec, IdentityOf<&IQAVECRPLUSaleRec::get_Discount>},
    {"HourlyReportRec.Amounts", CLSID_QAVECRHourlyReportRec, IdentityOf<&IQAVECRHourlyReportRec::get_Amounts>},
    {"HourlyReportRec.Counters", CLSID_QAVECRHourlyReportRec, IdentityOf<&IQAVECRHourlyReportRec::get_Counters>},
    {"SaleRec.Sale", CLSID_QAVECRSaleRec, IdentityOf<&IQAVECRSaleRec::get_Sale>},
    {"SaleRec.Counters", CLSID_QAVECRSaleRec, IdentityOf<&IQAVECRSaleRec::get_Counters>},
    {"SaleRec.Amounts", CLSID_QAVECRSaleRec, IdentityOf<&IQAVECRSaleRec::get_Amounts>},
    {"SaleRec.TaxRates", CLSID_QAVECRSaleRec, IdentityOf<&IQAVECRSaleRec::get_TaxRates>},
    {"TaxChangeRec.TaxRates", CLSID_QAVECRTaxChangeRec, IdentityOf<&IQAVECRTaxChangeRec::get_TaxRates>},
    {"ReceiptSummary.Cashier", CLSID_QAVECRReceiptSummary, IdentityOf<&IQAVECRReceiptSummary::get_Cashier>},
    {"ReceiptSummary.Amounts", CLSID_QAVECRReceiptSummary, IdentityOf<&IQAVECRReceiptSummary::get_Amounts>},
    {"Status.Version", CLSID_QAVECRStatus, IdentityOf<&IQAVECRStatus::get_Version>},
};

TEST(RecordSubObjectsTest, OneInstanceOnEveryReadAndOnePerRecord) {
  for (const SubObjectRow& row : kSubObjects) {
    SCOPED_TRACE(row.member);
    ComPtr<IUnknown> record = Create<IUnknown>(row.record);
    ComPtr<IUnknown> first = row.read(record.Get());
    ASSERT_TRUE(first);
    EXPECT_EQ(first, row.read(record.Get()));
    // Another record of the class has its own.
    ComPtr<IUnknown> other = Create<IUnknown>(row.record);
    EXPECT_NE(first, row.read(other.Get()));
  }
}

TEST(RecordSubObjectsTest, WhatIsAddedThroughOneReadIsSeenByTheNext) {
  auto summary = Create<IQAVECRReceiptSummary>(CLSID_QAVECRReceiptSummary);
  ComPtr<IQAVECRAmounts> amounts;
  ASSERT_EQ(summary->get_Amounts(amounts.Out()), S_OK);
  VARIANT_BOOL ok;
  ASSERT_EQ(amounts->Add(ecratTotal, Money(12), nullptr, nullptr, &ok), S_OK);
  EXPECT_EQ(Describe(Through<&IQAVECRReceiptSummary::get_Amounts, &IQAVECRAmounts::get_Count>(summary.Get())), "I4 1");

  ComPtr<IQAVECRCashier> cashier;
  ASSERT_EQ(summary->get_Cashier(cashier.Out()), S_OK);
  ASSERT_EQ(PutText(cashier.Get(), &IQAVECRCashier::put_Code, u"K01"), S_OK);
  EXPECT_EQ(Describe(Through<&IQAVECRReceiptSummary::get_Cashier, &IQAVECRCashier::get_Code>(summary.Get())),
            "BSTR K01");

  // A list the host still holds stays usable after the record is gone.
  summary = nullptr;
  EXPECT_EQ(LongOf(amounts.Get(), &IQAVECRAmounts::get_Count), 1);
}

// The record's engine-side accessors name the same objects the interface
// hands out.
TEST(RecordSubObjectsTest, EngineAccessorsNameTheSameObjects) {
  ComPtr<TQAVECRSaleRec> rec = com::MakeObject<TQAVECRSaleRec>();
  ComPtr<IQAVECRSale> sale;
  ASSERT_EQ(rec->get_Sale(sale.Out()), S_OK);
  EXPECT_EQ(sale.Get(), rec->Sale());
  ComPtr<IQAVECRTaxRates> rates;
  ASSERT_EQ(rec->get_TaxRates(rates.Out()), S_OK);
  EXPECT_EQ(rates.Get(), rec->TaxRates());
}

// The control's classes withdrawn from activation and an empty registry in
// place: no record can create its sub-objects.
class WithoutRecordClasses {
 public:
  WithoutRecordClasses() {
    if (const char* old = std::getenv("PLATFORM_REGISTRY")) saved_ = old;
    dir_ = std::filesystem::temp_directory_path() / ("corvatin-records-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    setenv("PLATFORM_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    com::WithdrawModule(&CorvatinModule());
  }
  ~WithoutRecordClasses() {
    com::AnnounceModule(&CorvatinModule());
    if (saved_) {
      setenv("PLATFORM_REGISTRY", saved_->c_str(), 1);
    } else {
      unsetenv("PLATFORM_REGISTRY");
    }
    std::filesystem::remove_all(dir_);
  }

 private:
  std::filesystem::path dir_;
  std::optional<std::string> saved_;
};

TEST(RecordSubObjectsTest, RecordIsNotMadeWhenASubObjectCannotBeCreated) {
  struct Row {
    const char* record;
    HRESULT (*create)(REFIID, void**);
    const char* firstSubObject;  // the class whose creation fails first
  };
  const Row rows[] = {
      {"CashReport", com::CreateInstanceOf<TQAVECRCashReport>, "{D5C07719-5080-4E56-ACC4-E6921CFA9954}"},
      {"CashierSaleRec", com::CreateInstanceOf<TQAVECRCashierSaleRec>, "{D5C07719-5080-4E56-ACC4-E6921CFA9954}"},
      {"PLUSaleRec", com::CreateInstanceOf<TQAVECRPLUSaleRec>, "{1ACFA5AB-29F1-4809-92BF-C3B56ACA861B}"},
      {"HourlyReportRec", com::CreateInstanceOf<TQAVECRHourlyReportRec>, "{D5C07719-5080-4E56-ACC4-E6921CFA9954}"},
      {"SaleRec", com::CreateInstanceOf<TQAVECRSaleRec>, "{D5C07719-5080-4E56-ACC4-E6921CFA9954}"},
      {"TaxChangeRec", com::CreateInstanceOf<TQAVECRTaxChangeRec>, "{C8D2F86B-6ED7-48E0-B46F-910CD79D727F}"},
      {"ReceiptSummary", com::CreateInstanceOf<TQAVECRReceiptSummary>, "{D5C07719-5080-4E56-ACC4-E6921CFA9954}"},
      {"Status", com::CreateInstanceOf<TQAVECRStatus>, "{12EE97E3-A3BB-4B3F-8A01-9D5D59ABAE24}"},
  };
  WithoutRecordClasses without;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.record);
    IUnknown* made = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_TRUE(FAILED(row.create(IUnknown::Iid, reinterpret_cast<void**>(&made))));
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(LastError().rfind(std::string("Cannot create an object of class ") + row.firstSubObject, 0), 0u)
        << LastError();
  }
}

// With the classes back, records are made again (the failure above left
// nothing behind).
TEST(RecordSubObjectsTest, RecordsAreMadeAgainOnceTheClassesAreBack) {
  { WithoutRecordClasses without; }
  auto rec = Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec);
  EXPECT_EQ(Describe(Through<&IQAVECRSaleRec::get_TaxRates, &IQAVECRTaxRates::get_Count>(rec.Get())), "I4 0");
}

}  // namespace
}  // namespace corvatin
