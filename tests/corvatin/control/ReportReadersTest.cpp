// The report and receipt readers against the simulated register: every layout
// read from a served packet (the field texts on the line -> the record's
// properties and lists), both families (the fetching readers; the record-kind
// readers after ReadNextRecordType) read record by record to the end of data,
// the sale lines, the scaling of receipt quantities, and bad input: missing
// and extra fields, texts that are no numbers, negative and huge values,
// Null dates, a record kind the report does not have, a data type without a
// layout, no record object.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/PacketIdentifiers.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/com/interfaces.h"
#include "tests/corvatin/control/ControlTestSupport.h"
#include "tests/corvatin/control/ECRSimulator.h"

namespace corvatin {
namespace {

using namespace std::chrono_literals;
using Record = ECRSimulator::Record;
using Fields = ECRSimulator::Fields;
// (type, value in ten-thousandths) of an amount, (type, value) of a counter.
using Amounts = std::vector<std::pair<LONG, LONGLONG>>;
using Counters = std::vector<std::pair<LONG, LONG>>;

constexpr const char* kPort = "COM8";

template <class Getter>
std::string TextOf(Getter get) {
  Bstr b;
  EXPECT_EQ(get(b.Out()), S_OK);
  return Utf8(b.Get());
}

Amounts AmountsOf(IQAVECRAmounts* list) {
  Amounts out;
  LONG n = 0;
  list->get_Count(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IQAVECRAmount> a;
    list->get_Items(i, a.Out());
    LONG type = -2;
    CY value{};
    a->get_AmountType(&type);
    a->get_Value(&value);
    out.emplace_back(type, value.int64);
  }
  return out;
}

Counters CountersOf(IQAVECRCounters* list) {
  Counters out;
  LONG n = 0;
  list->get_Count(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IQAVECRCounter> c;
    list->get_Items(i, c.Out());
    LONG type = -2, value = -2;
    c->get_CounterType(&type);
    c->get_Value(&value);
    out.emplace_back(type, value);
  }
  return out;
}

// Each sale line as "info gross/nett/tax" in ten-thousandths.
std::vector<std::string> LinesOf(IQAVECRSale* sale) {
  std::vector<std::string> out;
  LONG n = 0;
  sale->get_Count(&n);
  for (LONG i = 0; i < n; ++i) {
    CY g{}, t{}, x{};
    Bstr info;
    sale->get_Grosses(i, &g);
    sale->get_Netts(i, &t);
    sale->get_Taxes(i, &x);
    sale->get_Infos(i, info.Out());
    out.push_back(Utf8(info.Get()) + " " + std::to_string(g.int64) + "/" + std::to_string(t.int64) + "/" +
                  std::to_string(x.int64));
  }
  return out;
}

// The default library with the body of the definition whose line begins with
// HEADER replaced, and EXTRA definitions appended.
std::string LibraryText(const std::vector<std::pair<std::string, std::string>>& bodies, const std::string& extra = "") {
  std::ifstream in(ECRSimulator::Library(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  for (const auto& [header, body] : bodies) {
    const std::size_t at = s.find("\n" + header);
    if (at == std::string::npos) throw std::runtime_error("no definition " + header);
    const std::size_t open = s.find("{\n", at);
    const std::size_t close = s.find("}", open);
    s.replace(open + 2, close - open - 2, body);
  }
  return s + extra;
}

class ReportReadersTest : public ::testing::Test {
 protected:
  // The register speaking LIBRARY (a text; empty: the default library), the
  // engine connected to it with the same library.
  void Open(const std::string& libraryText = "") {
    std::string library = ECRSimulator::Library();
    if (!libraryText.empty()) {
      library = system_.path() + "/Custom.pkd";
      std::ofstream(library, std::ios::binary) << libraryText;
    }
    sim_.emplace(kPort, library);
    engine_ = std::make_unique<TQAVECRObj>();
    ASSERT_NO_FATAL_FAILURE(UseRegister(engine_.get(), kPort, libraryText.empty() ? "" : library));
    sim_->Serve();
    sim_->Start();
    ASSERT_TRUE(engine_->DoConnect()) << engine_->LastErrorMessage();
  }
  void TearDown() override {
    if (sim_) sim_->Stop();
    engine_.reset();
    sim_.reset();
  }

  // Begins a read of DATATYPE whose start packet has identifier START and
  // whose records the register serves.
  void Read(LONG dataType, const std::string& start, std::vector<Record> records) {
    sim_->Offer(start, std::move(records));
    ASSERT_TRUE(engine_->DoBeginRead(dataType, Variant(), Variant(), ecrrtNone, ecrrmNotResetting))
        << engine_->LastErrorMessage();
  }
  LONG NextKind() {
    LONG kind = -2;
    EXPECT_TRUE(engine_->DoReadNextRecordType(kind)) << engine_->LastErrorMessage();
    return kind;
  }
  // Runs a reader; its COM result and Boolean.
  template <class F>
  std::pair<HRESULT, bool> Run(F&& member) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    const HRESULT hr = member(&ok);
    return {hr, ok == VARIANT_TRUE};
  }
  template <class F>
  bool Ok(F&& member) {
    auto [hr, ok] = Run(member);
    EXPECT_EQ(hr, S_OK) << WideToUtf8(TakeErrorDescription());
    return ok;
  }

  zelvani::ScopedTestRegistry registry_;
  ScopedSystemDirectory system_;
  std::optional<ECRSimulator> sim_;
  std::unique_ptr<TQAVECRObj> engine_;
  IQAVECR* e() { return engine_.get(); }
};

// ---------------------------------------------------------------- fetching readers

TEST_F(ReportReadersTest, CashReportLayoutsFillAmountsAndCounters) {
  struct Row {
    LONG dataType;
    const char* id;
    Fields fields;
    Amounts amounts;
    Counters counters;
  };
  const Fields eight = {"1.00", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00", "8.00"};
  const Amounts eightAmounts = {{ecratCash, 10000},       {ecratCheque, 20000},     {ecratCreditCard, 30000},
                                {ecratCredit, 40000},     {ecratVoucher, 50000},    {ecratDepositOut, 60000},
                                {ecratCashPaidIn, 70000}, {ecratCashPaidOut, 80000}};
  Fields eleven = eight;
  eleven.insert(eleven.end(), {"9.00", "10.00", "11.00"});
  Amounts elevenAmounts = eightAmounts;
  elevenAmounts.insert(elevenAmounts.end(), {{ecratStorno, 90000}, {ecratDiscounts, 100000}, {ecratMarkUps, 110000}});
  Fields seventeen = eleven;
  seventeen.insert(seventeen.end(), {"12", "13", "14", "15.00", "16.00", "17.00"});
  Amounts seventeenAmounts = elevenAmounts;
  seventeenAmounts.insert(seventeenAmounts.end(),
                          {{ecratItemDiscounts, 150000}, {ecratReceiptDiscounts, 160000}, {ecratCancelled, 170000}});
  const Row rows[] = {
      {ecrdtCashReport, "R", eight, eightAmounts, {}},
      // Field 11 is read twice: the mark-ups amount and the cancelled receipts count.
      {ecrdtCashReportEx, "f", eleven, elevenAmounts, {{ecrctCancelledReceipts, 11}}},
      {ecrdtCashReportExEx,
       "o",
       seventeen,
       seventeenAmounts,
       {{ecrctCancelledReceipts, 11}, {ecrctStornoItems, 12}, {ecrctDiscountedItems, 13}, {ecrctDiscountedReceipts, 14}}},
  };
  Open();
  auto report = Create<IQAVECRCashReport>(CLSID_QAVECRCashReport);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    Read(row.dataType, row.id, {{row.id, row.fields}, {row.id, row.fields}});
    // The same record read twice holds one packet's content: the reader
    // empties its lists first.
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadCashReport(report.Get(), r); }));
    EXPECT_TRUE(engine_->Eof());
    ComPtr<IQAVECRAmounts> amounts;
    ComPtr<IQAVECRCounters> counters;
    report->get_Amounts(amounts.Out());
    report->get_Counters(counters.Out());
    EXPECT_EQ(AmountsOf(amounts.Get()), row.amounts);
    EXPECT_EQ(CountersOf(counters.Get()), row.counters);
  }
}

TEST_F(ReportReadersTest, CashierSaleLayoutsFillTheCashierAmountsAndCounters) {
  struct Row {
    LONG dataType;
    const char* id;
    std::size_t fields, amounts, counters;
  };
  // Layout 18: eight amounts, no counter; 20: fourteen amounts, four counters.
  const Row rows[] = {{ecrdtCashierSale, "S", 9, 8, 0},
                      {ecrdtCashierSaleEx, "g", 13, 11, 1},
                      {ecrdtCashierSaleExEx, "n", 19, 14, 4}};
  Open();
  auto rec = Create<IQAVECRCashierSaleRec>(CLSID_QAVECRCashierSaleRec);
  ComPtr<IQAVECRCashier> cashier;
  rec->get_Cashier(cashier.Out());
  Bstr name(u"Anna");
  cashier->put_Name(name.Get());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    Fields fields = {"K7"};
    for (std::size_t f = 2; f <= row.fields; ++f) fields.push_back(std::to_string(f));
    Read(row.dataType, row.id, {{row.id, fields}});
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadCashierSaleRec(rec.Get(), r); }));
    EXPECT_EQ(TextOf([&](BSTR* b) { return cashier->get_Code(b); }), "K7  ");
    EXPECT_EQ(TextOf([&](BSTR* b) { return cashier->get_Name(b); }), "Anna") << "the cashier is not cleared";
    ComPtr<IQAVECRAmounts> amounts;
    ComPtr<IQAVECRCounters> counters;
    rec->get_Amounts(amounts.Out());
    rec->get_Counters(counters.Out());
    const Amounts a = AmountsOf(amounts.Get());
    const Counters c = CountersOf(counters.Get());
    ASSERT_EQ(a.size(), row.amounts);
    ASSERT_EQ(c.size(), row.counters);
    EXPECT_EQ(a.front(), (std::pair<LONG, LONGLONG>{ecratCash, 20000}));
    EXPECT_EQ(a[7], (std::pair<LONG, LONGLONG>{ecratCashPaidOut, 90000}));
    if (row.counters > 0) {
      EXPECT_EQ(c.front(), (std::pair<LONG, LONG>{ecrctCancelledReceipts, 13}));
    }
    if (row.counters == 4) {
      EXPECT_EQ(c.back(), (std::pair<LONG, LONG>{ecrctDiscountedReceipts, 16}));
      EXPECT_EQ(a.back(), (std::pair<LONG, LONGLONG>{ecratCancelled, 190000}));
    }
  }
}

TEST_F(ReportReadersTest, DepartmentArticleAndPackingSalesByLayout) {
  struct Row {
    LONG dataType;
    const char* id;
    Fields fields;
    double share, quantity, returnedQuantity;
    LONGLONG averagePrice, returnedAmount;
  };
  // What a layout does not set keeps the value the record held (77 / 7).
  const Row rows[] = {
      {ecrdtDepartmentSale, "T", {"D1", "Pieczywo", "120.50", "12.5"}, 12.5, 77, 77, 70000, 70000},
      {ecrdtPLUSale, "U", {"590123", "Chleb", "35.00", "10.5", "3.50", "2.25"}, 2.25, 10.5, 77, 35000, 70000},
      {ecrdtPackingReport, "d", {"B1", "Butelka", "5.00", "10", "1.50", "3"}, 77, 10, 3, 70000, 15000},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    auto rec = Create<IQAVECRPLUSaleRec>(CLSID_QAVECRPLUSaleRec);
    for (auto put : {&IQAVECRPLUSaleRec::put_Share, &IQAVECRPLUSaleRec::put_Quantity,
                     &IQAVECRPLUSaleRec::put_ReturnedQuantity})
      (rec.Get()->*put)(77);
    rec->put_AveragePrice(CY{70000});
    rec->put_ReturnedAmount(CY{70000});
    Read(row.dataType, row.id, {{row.id, row.fields}});
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadPLUSaleRec(rec.Get(), r); }));
    EXPECT_EQ(TextOf([&](BSTR* b) { return rec->get_Name(b); }).substr(0, row.fields[1].size()), row.fields[1]);
    CY amount{}, average{}, returned{};
    double share = 0, quantity = 0, returnedQuantity = 0;
    rec->get_Amount(&amount);
    rec->get_AveragePrice(&average);
    rec->get_ReturnedAmount(&returned);
    rec->get_Share(&share);
    rec->get_Quantity(&quantity);
    rec->get_ReturnedQuantity(&returnedQuantity);
    EXPECT_DOUBLE_EQ(share, row.share);
    EXPECT_DOUBLE_EQ(quantity, row.quantity);
    EXPECT_DOUBLE_EQ(returnedQuantity, row.returnedQuantity);
    EXPECT_EQ(average.int64, row.averagePrice);
    EXPECT_EQ(returned.int64, row.returnedAmount);
    LONG index = 0;
    rec->get_Index(&index);
    EXPECT_EQ(index, -1) << "Index is the host's";
  }
}

TEST_F(ReportReadersTest, HourlyReportReadsEachHourToTheEndOfData) {
  Open();
  Read(ecrdtHourlyReport, "l", {{"l", {"9", "100.00", "12", "30", "-4.50"}}, {"l", {"10", "250.00", "20", "41", "0"}}});
  auto rec = Create<IQAVECRHourlyReportRec>(CLSID_QAVECRHourlyReportRec);
  std::vector<LONG> hours;
  for (int guard = 0; !engine_->Eof() && guard < 5; ++guard) {
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadHourlyReportRec(rec.Get(), r); }));
    LONG hour = -2;
    rec->get_Hour(&hour);
    hours.push_back(hour);
  }
  EXPECT_EQ(hours, (std::vector<LONG>{9, 10}));
  ComPtr<IQAVECRAmounts> amounts;
  ComPtr<IQAVECRCounters> counters;
  rec->get_Amounts(amounts.Out());
  rec->get_Counters(counters.Out());
  EXPECT_EQ(AmountsOf(amounts.Get()), (Amounts{{ecratTotal, 2500000}, {ecratPackingBalance, 0}}));
  EXPECT_EQ(CountersOf(counters.Get()), (Counters{{ecrctReceipts, 20}, {ecrctReceiptItems, 41}}));
}

TEST_F(ReportReadersTest, SummaryReportPutsGrossAndTaxByRate) {
  Fields fields = {"2026-12-01"};
  for (int k = 0; k < 7; ++k) fields.push_back(std::to_string(100 + k) + ".00");  // gross
  for (int k = 0; k < 7; ++k) fields.push_back(std::to_string(10 + k) + ".00");   // tax
  fields.insert(fields.end(), {"91.00", "800.00", "50", "51", "1", "2", "3", "1", "0", "4", "6.00"});
  struct Row {
    LONG dataType;
    const char* id;
    std::size_t counters, amounts;
  };
  const Row rows[] = {{ecrdtPeriodicalSummaryReport, "b", 5, 0}, {ecrdtPeriodicalSummaryReportEx, "v", 6, 1}};
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    auto rec = Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec);
    // The plain layout has no cancelled receipts (fields 25, 26).
    Read(row.dataType, row.id, {{row.id, Fields(fields.begin(), fields.begin() + (row.amounts ? 26 : 24))}});
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadSummaryReport(rec.Get(), r); }));
    ComPtr<IQAVECRSale> sale;
    rec->get_Sale(sale.Out());
    const std::vector<std::string> lines = LinesOf(sale.Get());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.front(), "A 1000000/0/100000");
    EXPECT_EQ(lines.back(), "G 1060000/0/160000");
    CY taxes{}, total{};
    sale->get_TaxesTotal(&taxes);
    sale->get_SaleTotal(&total);
    EXPECT_EQ(taxes.int64, 910000);
    EXPECT_EQ(total.int64, 8000000);
    LONG attributes = -2, number = -2;
    DATE date = 0;
    rec->get_Attributes(&attributes);
    rec->get_Number(&number);
    rec->get_Date(&date);
    EXPECT_EQ(attributes, ecratPLUResetOccured);
    EXPECT_EQ(number, -1);
    EXPECT_EQ(date, -1.0) << "field 1 is not read";
    ComPtr<IQAVECRCounters> counters;
    ComPtr<IQAVECRAmounts> amounts;
    rec->get_Counters(counters.Out());
    rec->get_Amounts(amounts.Out());
    EXPECT_EQ(CountersOf(counters.Get()).size(), row.counters);
    EXPECT_EQ(AmountsOf(amounts.Get()).size(), row.amounts);
  }
}

// ---------------------------------------------------------------- record-kind readers

TEST_F(ReportReadersTest, DailyReportsReadRecordByRecord) {
  Fields sale = {"2026-12-08", "21:30", "17", "1230.00"};
  for (int k = 0; k < 7; ++k) sale.push_back(std::to_string(k + 1) + ".00");
  sale.insert(sale.end(), {"99.00", "40", "41", "1", "4242", "3", "12.34"});
  const Fields reset = {"2026-12-07", "", "08:15", "0", "5"};
  const Fields forcedReset = {"2026-12-07", "", "08:15", "7", "5"};
  struct Row {
    LONG dataType;
    const char* start;
    Counters counters;
    Amounts amounts;
  };
  const Row rows[] = {
      {ecrdtDailyReport, "W", {{ecrctReceipts, 40}, {ecrctPrintouts, 41}, {ecrctLastReceipt, 4242}}, {}},
      {ecrdtDailyReportEx,
       "w",
       {{ecrctReceipts, 40}, {ecrctPrintouts, 41}, {ecrctLastReceipt, 4242}, {ecrctCancelledReceipts, 3}},
       {{ecratCancelled, 123400}}},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.start);
    const std::string s = row.start;
    // The plain daily sale record has no cancelled receipts (fields 17, 18).
    Fields fields(sale.begin(), sale.begin() + (row.amounts.empty() ? 16 : 18));
    Read(row.dataType, s, {{s + "1", fields}, {s + "2", reset}, {s + "3", forcedReset}});
    auto rec = Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec);
    auto resetRec = Create<IQAVECRResetRec>(CLSID_QAVECRResetRec);
    ASSERT_EQ(NextKind(), ecrnrSaleRec);
    // A record-kind reader may run twice on the same packet: same content.
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadSaleRec(rec.Get(), r); }));
    ComPtr<IQAVECRSale> lines;
    ComPtr<IQAVECRCounters> counters;
    ComPtr<IQAVECRAmounts> amounts;
    ComPtr<IQAVECRTaxRates> rates;
    rec->get_Sale(lines.Out());
    rec->get_Counters(counters.Out());
    rec->get_Amounts(amounts.Out());
    rec->get_TaxRates(rates.Out());
    EXPECT_EQ(LinesOf(lines.Get()), (std::vector<std::string>{"A 10000/0/0", "B 20000/0/0", "C 30000/0/0",
                                                              "D 40000/0/0", "E 50000/0/0", "F 60000/0/0",
                                                              "G 70000/0/0"}));
    EXPECT_EQ(CountersOf(counters.Get()), row.counters);
    EXPECT_EQ(AmountsOf(amounts.Get()), row.amounts);
    if (!row.amounts.empty()) {
      ComPtr<IQAVECRAmount> cancelled;
      amounts->get_Items(0, cancelled.Out());
      EXPECT_EQ(TextOf([&](BSTR* b) { return cancelled->get_Info(b); }), "Cancelled receipts total");
    }
    LONG count = -1, attributes = -2, number = -2, reportType = -2;
    rates->get_Count(&count);
    rec->get_Attributes(&attributes);
    rec->get_Number(&number);
    rec->get_ReportType(&reportType);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(attributes, ecratResetOccured);
    EXPECT_EQ(number, 17);
    EXPECT_EQ(reportType, -1);
    DATE date = 0;
    rec->get_Date(&date);
    EXPECT_EQ(VarBstrFromDate(date), u"2026-12-08");

    // "2" a RAM reset, "3" an article reset; reason 0 is an error, any other
    // value a forced reset.
    for (auto [type, expectedReason] : {std::pair{ecrrtRAMReset, ecrrrError}, std::pair{ecrrtPLUReset, ecrrrForced}}) {
      ASSERT_EQ(NextKind(), ecrnrResetRec);
      ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadResetRec(resetRec.Get(), r); }));
      LONG resetType = -2, reason = -2, resetNumber = -2;
      DATE time = 0;
      resetRec->get_ResetType(&resetType);
      resetRec->get_Reason(&reason);
      resetRec->get_Number(&resetNumber);
      resetRec->get_Time(&time);
      EXPECT_EQ(resetType, type);
      EXPECT_EQ(reason, expectedReason);
      EXPECT_EQ(resetNumber, 5);
      EXPECT_EQ(VarBstrFromDate(time), u"08:15:00");
    }
    EXPECT_TRUE(engine_->Eof());
  }
}

TEST_F(ReportReadersTest, PeriodicalReportsReadTaxChangesAndSummaries) {
  Fields summary = {"2026-11-30", ""};
  for (int k = 0; k < 7; ++k) summary.push_back(std::to_string(100 + k) + ".00");  // nett
  for (int k = 0; k < 7; ++k) summary.push_back(std::to_string(10 + k) + ".00");   // tax
  summary.insert(summary.end(), {"91.00", "800.00", "50", "51", "1", "2", "1", "1", "4", "8.00"});
  const Fields rates = {"2026-11-02", "", "23.00", "8.00", "5.00", "0.00", "1.00", "7.00", "4.00"};
  struct Row {
    LONG dataType;
    const char* start;
    std::vector<std::string> rateNames;
    std::size_t counters, amounts;
  };
  const Row rows[] = {{ecrdtPeriodicalReport, "Z", {"A", "B", "C", "D", "E", "F"}, 4, 0},
                      {ecrdtPeriodicalReportEx, "z", {"A", "B", "C", "D", "E", "F", "G"}, 5, 1}};
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.start);
    const std::string s = row.start;
    Fields rateFields(rates.begin(), rates.begin() + 2 + static_cast<long>(row.rateNames.size()));
    Fields summaryFields(summary.begin(), summary.begin() + (row.amounts ? 26 : 24));
    Read(row.dataType, s, {{s + "4", rateFields}, {s + "6", summaryFields}});
    auto change = Create<IQAVECRTaxChangeRec>(CLSID_QAVECRTaxChangeRec);
    ASSERT_EQ(NextKind(), ecrnrTaxChangeRec);
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadTaxChangeRec(change.Get(), r); }));
    ComPtr<IQAVECRTaxRates> taxRates;
    change->get_TaxRates(taxRates.Out());
    LONG n = 0;
    taxRates->get_Count(&n);
    ASSERT_EQ(static_cast<std::size_t>(n), row.rateNames.size());
    for (LONG i = 0; i < n; ++i) {
      EXPECT_EQ(TextOf([&](BSTR* b) { return taxRates->get_Names(i, b); }), row.rateNames[i]);
    }
    CY first{};
    taxRates->get_Values(0, &first);
    EXPECT_EQ(first.int64, 230000);

    auto rec = Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec);
    ASSERT_EQ(NextKind(), ecrnrSaleSummaryRec);
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadSaleSummaryRec(rec.Get(), r); }));
    ComPtr<IQAVECRSale> sale;
    rec->get_Sale(sale.Out());
    const std::vector<std::string> lines = LinesOf(sale.Get());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.front(), "A 0/1000000/100000");
    EXPECT_EQ(lines.back(), "G 0/1060000/160000");
    LONG attributes = -2;
    rec->get_Attributes(&attributes);
    EXPECT_EQ(attributes, ecratPLUResetOccured | ecratPLUChangeOccured);
    ComPtr<IQAVECRCounters> counters;
    ComPtr<IQAVECRAmounts> amounts;
    rec->get_Counters(counters.Out());
    rec->get_Amounts(amounts.Out());
    EXPECT_EQ(CountersOf(counters.Get()).size(), row.counters);
    EXPECT_EQ(AmountsOf(amounts.Get()).size(), row.amounts);
    EXPECT_TRUE(engine_->Eof());
  }
}

TEST_F(ReportReadersTest, ReceiptReportsReadItemsSummariesAndCards) {
  struct Row {
    LONG dataType;
    const char* start;
    Fields item, summary;
    const char* name;              // the item's name after the read
    const char* cashierName;       // the cashier's name after the read
    LONG printOut;
  };
  const Row rows[] = {
      {ecrdtReceiptReport, "O",
       {"590123", "Mleko", "B", "3", "1500", "3.20", "4.80"},
       {"2", "1001", "2026-12-08", "10:05", "K1", "Ewa", "123", "10.00", "20.00", "0", "0", "0", "0", "10.00"},
       "Mleko", "Ewa", -1},
      // Layout 30 carries no item name and no cashier name: both stay.
      {ecrdtReceiptReportEx, "k",
       {"590123", "B", "3", "1500", "3.20", "4.80"},
       {"2", "1001", "77", "2026-12-08", "10:05", "K1", "123", "10.00", "20.00", "0", "0", "0", "0", "10.00"},
       "stare", "stary", 77},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.start);
    const std::string s = row.start;
    Read(row.dataType, s, {{s + "2", row.item}, {s + "4", row.summary}, {s + "5", {"KARTA01", "2.50"}}});
    auto item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
    auto summary = Create<IQAVECRReceiptSummary>(CLSID_QAVECRReceiptSummary);
    auto card = Create<IQAVECRReceiptDiscountCard>(CLSID_QAVECRReceiptDiscountCard);
    Bstr old(u"stare");
    item->put_Name(old.Get());
    ComPtr<IQAVECRCashier> cashier;
    summary->get_Cashier(cashier.Out());
    Bstr oldCashier(u"stary");
    cashier->put_Name(oldCashier.Get());
    ComPtr<IQAVECRAmounts> amounts;
    summary->get_Amounts(amounts.Out());
    VARIANT_BOOL ignored;
    amounts->Add(ecratSale, CY{1}, nullptr, nullptr, &ignored);

    ASSERT_EQ(NextKind(), ecrnrReceiptItem);
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(item.Get(), r); }));
    LONG itemType = -2, precision = -2;
    double quantity = 0;
    CY price{}, value{};
    item->get_ItemType(&itemType);
    item->get_QuantityPrecision(&precision);
    item->get_Quantity(&quantity);
    item->get_Price(&price);
    item->get_Value(&value);
    EXPECT_EQ(itemType, ecritPackingSale);
    EXPECT_EQ(TextOf([&](BSTR* b) { return item->get_Name(b); }).substr(0, 5), row.name);
    EXPECT_EQ(TextOf([&](BSTR* b) { return item->get_TaxRateName(b); }), "B");
    EXPECT_EQ(precision, 3);
    EXPECT_EQ(quantity, 1.5);
    EXPECT_EQ(price.int64, 32000);
    EXPECT_EQ(value.int64, 48000);

    ASSERT_EQ(NextKind(), ecrnrReceiptSummary);
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptSummary(summary.Get(), r); }));
    LONG items = -2, receipt = -2, printOut = -2, ecr = -2;
    summary->get_ItemsCount(&items);
    summary->get_ReceiptNumber(&receipt);
    summary->get_PrintOutNumber(&printOut);
    summary->get_ECRNumber(&ecr);
    EXPECT_EQ(items, 2);
    EXPECT_EQ(receipt, 1001);
    EXPECT_EQ(printOut, row.printOut);
    EXPECT_EQ(ecr, 123);
    EXPECT_EQ(TextOf([&](BSTR* b) { return cashier->get_Code(b); }), "K1  ");
    EXPECT_EQ(TextOf([&](BSTR* b) { return cashier->get_Name(b); }).substr(0, 3), std::string(row.cashierName, 3));
    const Amounts paid = AmountsOf(amounts.Get());
    ASSERT_EQ(paid.size(), 7u) << "the earlier amount is cleared";
    EXPECT_EQ(paid.front(), (std::pair<LONG, LONGLONG>{ecratTotal, 100000}));
    EXPECT_EQ(paid.back(), (std::pair<LONG, LONGLONG>{ecratRest, 100000}));

    ASSERT_EQ(NextKind(), ecrnrReceiptDiscountCard);
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptDiscountCard(card.Get(), r); }));
    CY discount{};
    card->get_Discount(&discount);
    EXPECT_EQ(discount.int64, 25000);
    EXPECT_EQ(TextOf([&](BSTR* b) { return card->get_CardCode(b); }).substr(0, 7), "KARTA01");
    EXPECT_TRUE(engine_->Eof());
  }
}

TEST_F(ReportReadersTest, EveryReportKindReadsRecordByRecordToTheEndOfData) {
  struct Row {
    LONG dataType;
    LONG rangeType;
    std::vector<std::string> ids;  // the records served, in order
  };
  const Row rows[] = {
      {ecrdtCashReport, ecrrtNone, {"R", "R"}},
      {ecrdtCashReportEx, ecrrtNone, {"f"}},
      {ecrdtCashReportExEx, ecrrtNone, {"o"}},
      {ecrdtCashierSale, ecrrtCodes, {"S", "S"}},
      {ecrdtCashierSaleEx, ecrrtCodes, {"g"}},
      {ecrdtCashierSaleExEx, ecrrtCodes, {"n"}},
      {ecrdtDepartmentSale, ecrrtNumbers, {"T", "T"}},
      {ecrdtPLUSale, ecrrtCodes, {"U"}},
      {ecrdtPackingReport, ecrrtNone, {"d"}},
      {ecrdtHourlyReport, ecrrtNone, {"l", "l", "l"}},
      {ecrdtPeriodicalSummaryReport, ecrrtNumbers, {"b"}},
      {ecrdtPeriodicalSummaryReport, ecrrtDates, {"a"}},
      {ecrdtPeriodicalSummaryReportEx, ecrrtNumbers, {"v"}},
      {ecrdtPeriodicalSummaryReportEx, ecrrtDates, {"u"}},
      {ecrdtDailyReport, ecrrtNone, {"W1", "W2", "W3", "W1"}},
      {ecrdtDailyReportEx, ecrrtNone, {"w1", "w2", "w3"}},
      {ecrdtPeriodicalReport, ecrrtNumbers, {"Z1", "Z2", "Z3", "Z4", "Z6"}},
      {ecrdtPeriodicalReport, ecrrtDates, {"Y1", "Y2", "Y3", "Y4", "Y6"}},
      {ecrdtPeriodicalReportEx, ecrrtNumbers, {"z1", "z2", "z3", "z4", "z6"}},
      {ecrdtPeriodicalReportEx, ecrrtDates, {"y1", "y2", "y3", "y4", "y6"}},
      {ecrdtReceiptReport, ecrrtNumbers, {"O0", "O1", "O2", "O3", "O5", "O4", "O1", "O4"}},
      {ecrdtReceiptReportEx, ecrrtNumbers, {"k0", "k1", "k2", "k3", "k5", "k4"}},
  };
  Open();
  ComPtr<IQAVZLVPacketLibrary> library;
  ASSERT_EQ(engine_->Protocol()->get_PacketLibrary(library.Out()), S_OK);
  auto cash = Create<IQAVECRCashReport>(CLSID_QAVECRCashReport);
  auto cashier = Create<IQAVECRCashierSaleRec>(CLSID_QAVECRCashierSaleRec);
  auto plu = Create<IQAVECRPLUSaleRec>(CLSID_QAVECRPLUSaleRec);
  auto hourly = Create<IQAVECRHourlyReportRec>(CLSID_QAVECRHourlyReportRec);
  auto sale = Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec);
  auto reset = Create<IQAVECRResetRec>(CLSID_QAVECRResetRec);
  auto taxChange = Create<IQAVECRTaxChangeRec>(CLSID_QAVECRTaxChangeRec);
  auto item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
  auto summary = Create<IQAVECRReceiptSummary>(CLSID_QAVECRReceiptSummary);
  auto card = Create<IQAVECRReceiptDiscountCard>(CLSID_QAVECRReceiptDiscountCard);
  // The reader of a fetching data type; none for the mixed reports.
  auto fetching = [&](LONG dataType) -> std::function<HRESULT(VARIANT_BOOL*)> {
    if (dataType >= ecrdtCashReport && dataType <= ecrdtCashReportExEx)
      return [&](VARIANT_BOOL* r) { return e()->ReadCashReport(cash.Get(), r); };
    if (dataType >= ecrdtCashierSale && dataType <= ecrdtCashierSaleExEx)
      return [&](VARIANT_BOOL* r) { return e()->ReadCashierSaleRec(cashier.Get(), r); };
    if (dataType == ecrdtDepartmentSale || dataType == ecrdtPLUSale || dataType == ecrdtPackingReport)
      return [&](VARIANT_BOOL* r) { return e()->ReadPLUSaleRec(plu.Get(), r); };
    if (dataType == ecrdtHourlyReport) return [&](VARIANT_BOOL* r) { return e()->ReadHourlyReportRec(hourly.Get(), r); };
    if (dataType == ecrdtPeriodicalSummaryReport || dataType == ecrdtPeriodicalSummaryReportEx)
      return [&](VARIANT_BOOL* r) { return e()->ReadSummaryReport(sale.Get(), r); };
    return nullptr;
  };
  // The reader that a record kind names.
  const std::function<HRESULT(VARIANT_BOOL*)> byKind[] = {
      [&](VARIANT_BOOL* r) { return e()->ReadSaleRec(sale.Get(), r); },
      [&](VARIANT_BOOL* r) { return e()->ReadResetRec(reset.Get(), r); },
      [&](VARIANT_BOOL* r) { return e()->ReadTaxChangeRec(taxChange.Get(), r); },
      [&](VARIANT_BOOL* r) { return e()->ReadSaleSummaryRec(sale.Get(), r); },
      [&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(item.Get(), r); },
      [&](VARIANT_BOOL* r) { return e()->ReadReceiptSummary(summary.Get(), r); },
      [&](VARIANT_BOOL* r) { return e()->ReadReceiptDiscountCard(card.Get(), r); },
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ids.front());
    // Every field of each record as its definition has it: "1", or a date
    // and a time.
    std::vector<Record> records;
    for (const std::string& id : row.ids) {
      ComPtr<IQAVZLVPacket> packet;
      Bstr pid = Bstr::Attach(AnsiToBstr(id));
      ASSERT_EQ(library->CreatePacket(pid.Get(), Variant(), qzlvptRead, packet.Out()), S_OK);
      ASSERT_TRUE(packet) << "the default library has no record " << id;
      ComPtr<IQAVZLVPacketDef> definition;
      ComPtr<IQAVZLVFieldDefs> defs;
      packet->get_PacketDef(definition.Out());
      definition->get_FieldDefs(defs.Out());
      LONG n = 0;
      packet->get_FieldsCount(&n);
      Fields fields;
      for (LONG i = 0; i < n; ++i) {
        ComPtr<IQAVZLVFieldDef> def;
        defs->get_Items(i, def.Out());
        LONG type = 0;
        def->get_DataType(&type);
        fields.push_back(type == qzlvdaDate ? "2026-12-08" : type == qzlvdaTime ? "12:30" : "1");
      }
      records.push_back({id, fields});
    }
    const std::string start = PacketIdOf(row.dataType, row.rangeType);
    ASSERT_EQ(start, row.ids.front().substr(0, 1));
    sim_->Offer(start, records);
    const Variant bound = row.rangeType == ecrrtDates ? Variant::Date(46000) : Variant::I4(1);
    ASSERT_TRUE(engine_->DoBeginRead(row.dataType, bound, bound, row.rangeType, ecrrmNotResetting));
    std::size_t read = 0;
    for (; !engine_->Eof() && read < row.ids.size(); ++read) {
      std::function<HRESULT(VARIANT_BOOL*)> reader = fetching(row.dataType);
      if (!reader) reader = byKind[NextKind()];
      ASSERT_TRUE(Ok(reader)) << row.ids[read] << ": " << engine_->LastErrorMessage();
    }
    EXPECT_EQ(read, row.ids.size());
    EXPECT_TRUE(engine_->Eof());
    EXPECT_TRUE(engine_->DoConfirmRead());
  }
}

// ---------------------------------------------------------------- quantities and bad input

// Receipt items whose fields are plain texts, wide enough for any value.
const char* const kTextItem =
    "1;Code;String;13;;;0;\n2;Name;String;18;;;0;\n3;TaxRateName;String;1;;;0;\n"
    "4;QuantityPrecision;String;12;;;0;\n5;Quantity;String;24;;;0;\n6;Price;String;24;;;0;\n"
    "7;Value;String;24;;;0;\n";

TEST_F(ReportReadersTest, QuantitiesAreScaledByTheirPrecision) {
  struct Row {
    const char* precision;
    const char* quantity;
    double expected;
  };
  const Row rows[] = {
      {"3", "1500", 1.5},
      {"2", "250", 2.5},
      {"0", "250", 250},
      {"-1", "250", 250},  // no scaling at or below 0
      {"1", "3", 0.3},     // one tenth at extended precision: 0.3, not 3 * 0.1 in doubles
      {"3", "-2500", -2.5},
      {" 2 ", " 125 ", 1.25},  // numeric texts are trimmed
      // A corrupt precision ends once the value reaches 0 instead of running
      // two thousand million steps.
      {"2147483647", "7", 0},
      {"2147483647", "-1e300", 0},
  };
  Open(LibraryText({{"O1;", kTextItem}}));
  std::vector<Record> records;
  for (const Row& row : rows) records.push_back({"O1", {"C", "N", "A", row.precision, row.quantity, "1", "1"}});
  Read(ecrdtReceiptReport, "O", records);
  auto item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.precision) + " " + row.quantity);
    ASSERT_EQ(NextKind(), ecrnrReceiptItem);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(item.Get(), r); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    double quantity = -99;
    item->get_Quantity(&quantity);
    EXPECT_EQ(quantity, row.expected);
  }
  EXPECT_NE(0.3, 3 * 0.1) << "the row for precision 1 tells the two apart";
}

TEST_F(ReportReadersTest, BadFieldsFailTheMemberWithADescription) {
  struct Row {
    Fields fields;
    const char* fieldName;  // the field the description names; "" when the read succeeds
  };
  const Row rows[] = {
      {{"C", "N", "A", "2", "abc", "1", "1"}, "Field 5"},                       // a quantity that is no number
      {{"C", "N", "A", "x", "1", "1", "1"}, "Field 4"},                         // a precision that is no number
      {{"C", "N", "A", "99999999999", "1", "1", "1"}, "Field 4"},               // beyond 32 bits
      {{"C", "N", "A", "0", "1", "99999999999999999999", "1"}, "Field 6"},      // beyond currency
      {{"C", "N", "A", "0", "1", "-12.34", "-99999.99"}, ""},                   // negative values are kept
  };
  Open(LibraryText({{"O1;", kTextItem}}));
  std::vector<Record> records;
  for (const Row& row : rows) records.push_back({"O1", row.fields});
  Read(ecrdtReceiptReport, "O", records);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fieldName);
    auto item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
    ASSERT_EQ(NextKind(), ecrnrReceiptItem);
    const LONG codeBefore = engine_->LastErrorCode();
    auto [hr, ok] = Run([&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(item.Get(), r); });
    const std::string description = WideToUtf8(TakeErrorDescription());
    if (*row.fieldName == 0) {
      ASSERT_EQ(hr, S_OK) << description;
      CY price{}, value{};
      item->get_Price(&price);
      item->get_Value(&value);
      EXPECT_EQ(price.int64, -123400);
      EXPECT_EQ(value.int64, -999999900);
      continue;
    }
    EXPECT_TRUE(FAILED(hr));
    EXPECT_FALSE(ok);
    EXPECT_NE(description.find(row.fieldName), std::string::npos) << description;
    EXPECT_NE(description.find("\"O1\""), std::string::npos) << description;
    EXPECT_EQ(engine_->LastErrorCode(), codeBefore);
    // What came before the failing field is stored.
    EXPECT_EQ(TextOf([&](BSTR* b) { return item->get_Code(b); }).substr(0, 1), "C");
  }
}

TEST_F(ReportReadersTest, MissingFieldsReadAsEmptyAndExtraFieldsAreIgnored) {
  // The cash report's packet with three fields; the sale record's with two
  // more than the layout reads.
  const std::string library =
      LibraryText({{"R;", "1;Cash;Currency;12;0;;66;\n2;Cheque;Currency;12;0;;66;\n3;CreditCard;Currency;12;0;;66;\n"},
                   {"O0;", "1;Code;String;13;;;0;\n"}});
  Open(library);
  Read(ecrdtCashReport, "R", {{"R", {"1.00", "2.00", "3.00"}}});
  auto report = Create<IQAVECRCashReport>(CLSID_QAVECRCashReport);
  ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadCashReport(report.Get(), r); }));
  ComPtr<IQAVECRAmounts> amounts;
  report->get_Amounts(amounts.Out());
  const Amounts a = AmountsOf(amounts.Get());
  ASSERT_EQ(a.size(), 8u) << "amounts of 0 are still added";
  EXPECT_EQ(a[2], (std::pair<LONG, LONGLONG>{ecratCreditCard, 30000}));
  EXPECT_EQ(a[3], (std::pair<LONG, LONGLONG>{ecratCredit, 0}));

  Read(ecrdtReceiptReport, "O", {{"O0", {"K"}}});
  auto item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
  Bstr name(u"x");
  item->put_Name(name.Get());
  item->put_Quantity(5);
  ASSERT_EQ(NextKind(), ecrnrReceiptItem);
  ASSERT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(item.Get(), r); }));
  double quantity = -1;
  item->get_Quantity(&quantity);
  EXPECT_EQ(quantity, 0);
  EXPECT_EQ(TextOf([&](BSTR* b) { return item->get_Name(b); }), "") << "a missing text field is empty";
  LONG type = -2;
  item->get_ItemType(&type);
  EXPECT_EQ(type, ecritDepartmentSale);
}

TEST_F(ReportReadersTest, NullFieldsAndDatesThatAreNoDatesFailTheMember) {
  // The daily sale record with its reset flag as a date field, so that the
  // flag can read Null.
  std::string flagAsDate = "1;Date;Date;8;;;0;\n2;Time;Time;4;;;0;\n3;Number;Integer;4;0;;16;\n";
  for (int f = 4; f <= 14; ++f) flagAsDate += std::to_string(f) + ";F" + std::to_string(f) + ";Integer;6;0;;16;\n";
  flagAsDate += "15;ResetOccurred;Date;8;;;0;\n16;LastReceipt;Integer;6;0;;16;\n";
  using Reader = std::function<HRESULT(IQAVECR*, VARIANT_BOOL*)>;
  struct Row {
    const char* why;
    std::string library;
    LONG dataType;
    Record record;
    Reader reader;
    const char* field;  // the field the description names
  };
  const Reader saleRec = [](IQAVECR* e, VARIANT_BOOL* r) {
    return e->ReadSaleRec(Create<IQAVECRSaleRec>(CLSID_QAVECRSaleRec).Get(), r);
  };
  const Row rows[] = {
      {"a date whose digits are blank reads Null", "", ecrdtDailyReport, {"W1", {"", "10:00", "3"}}, saleRec,
       "Field 1"},
      {"a flag that reads Null", LibraryText({{"W1;", flagAsDate}}), ecrdtDailyReport,
       {"W1", {"2026-12-08", "10:00", "3", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "", "0"}}, saleRec,
       "Field 15"},
      {"a date text that is no date",
       LibraryText({{"O4;", "1;ItemsCount;Integer;4;0;;16;\n2;ReceiptNumber;Integer;6;0;;16;\n3;Date;String;8;;;0;\n"}}),
       ecrdtReceiptReport, {"O4", {"3", "77", "20261399"}},
       [](IQAVECR* e, VARIANT_BOOL* r) {
         return e->ReadReceiptSummary(Create<IQAVECRReceiptSummary>(CLSID_QAVECRReceiptSummary).Get(), r);
       },
       "Field 3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TearDown();
    Open(row.library);
    Read(row.dataType, row.record.id.substr(0, 1), {row.record});
    LONG kind = -2;
    ASSERT_TRUE(engine_->DoReadNextRecordType(kind)) << engine_->LastErrorMessage();
    const LONG codeBefore = engine_->LastErrorCode();
    auto [hr, ok] = Run([&](VARIANT_BOOL* r) { return row.reader(e(), r); });
    const std::string description = WideToUtf8(TakeErrorDescription());
    EXPECT_TRUE(FAILED(hr));
    EXPECT_FALSE(ok);
    EXPECT_NE(description.find(row.field), std::string::npos) << description;
    EXPECT_EQ(engine_->LastErrorCode(), codeBefore) << "a failing conversion stores no code";
  }
}

TEST_F(ReportReadersTest, FieldsBeforeAFailingOneAreStored) {
  Open(LibraryText({{"O4;", "1;ItemsCount;Integer;4;0;;16;\n2;ReceiptNumber;Integer;6;0;;16;\n3;Date;String;8;;;0;\n"}}));
  Read(ecrdtReceiptReport, "O", {{"O4", {"3", "77", "20261399"}}});
  auto summary = Create<IQAVECRReceiptSummary>(CLSID_QAVECRReceiptSummary);
  ASSERT_EQ(NextKind(), ecrnrReceiptSummary);
  auto [hr, ok] = Run([&](VARIANT_BOOL* r) { return e()->ReadReceiptSummary(summary.Get(), r); });
  TakeErrorDescription();
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(ok);
  LONG items = -2, receipt = -2;
  DATE date = 0;
  summary->get_ItemsCount(&items);
  summary->get_ReceiptNumber(&receipt);
  summary->get_Date(&date);
  EXPECT_EQ(items, 3);
  EXPECT_EQ(receipt, 77);
  EXPECT_EQ(date, -1.0);
}

TEST_F(ReportReadersTest, ADataTypeWithoutALayoutGivesUnknownDataType) {
  Open();
  // A fetching reader consumes its packet and empties its lists first.
  Read(ecrdtCashierSale, "S", {{"S", {"K1", "1.00"}}, {"S", {"K2", "1.00"}}});
  auto report = Create<IQAVECRCashReport>(CLSID_QAVECRCashReport);
  ComPtr<IQAVECRAmounts> amounts;
  report->get_Amounts(amounts.Out());
  VARIANT_BOOL ignored;
  amounts->Add(ecratCash, CY{1}, nullptr, nullptr, &ignored);
  EXPECT_FALSE(Ok([&](VARIANT_BOOL* r) { return e()->ReadCashReport(report.Get(), r); }));
  EXPECT_EQ(engine_->LastErrorCode(), ecrecUnknownDataType);
  EXPECT_EQ(engine_->LastErrorMessage(), Utf8ToAnsi("Nieznany typ danych..."));
  EXPECT_TRUE(AmountsOf(amounts.Get()).empty());
  auto plu = Create<IQAVECRPLUSaleRec>(CLSID_QAVECRPLUSaleRec);
  EXPECT_FALSE(Ok([&](VARIANT_BOOL* r) { return e()->ReadPLUSaleRec(plu.Get(), r); }));
  EXPECT_EQ(engine_->LastErrorCode(), ecrecUnknownDataType);
  EXPECT_TRUE(engine_->Eof()) << "both packets were consumed";
  EXPECT_EQ(TextOf([&](BSTR* b) { return plu->get_Code(b); }), "");

  // A record-kind reader with a layout list touches nothing.
  Read(ecrdtDailyReport, "W", {{"W1", {}}});
  ASSERT_EQ(NextKind(), ecrnrSaleRec);
  auto item = Create<IQAVECRReceiptItem>(CLSID_QAVECRReceiptItem);
  auto summary = Create<IQAVECRReceiptSummary>(CLSID_QAVECRReceiptSummary);
  ComPtr<IQAVECRAmounts> paid;
  summary->get_Amounts(paid.Out());
  paid->Add(ecratCash, CY{1}, nullptr, nullptr, &ignored);
  EXPECT_FALSE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(item.Get(), r); }));
  EXPECT_EQ(engine_->LastErrorCode(), ecrecUnknownDataType);
  EXPECT_FALSE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptSummary(summary.Get(), r); }));
  EXPECT_EQ(engine_->LastErrorCode(), ecrecUnknownDataType);
  LONG type = -2;
  item->get_ItemType(&type);
  EXPECT_EQ(type, -1);
  EXPECT_EQ(AmountsOf(paid.Get()).size(), 1u);
  // The discount card reader has no data type check.
  auto card = Create<IQAVECRReceiptDiscountCard>(CLSID_QAVECRReceiptDiscountCard);
  EXPECT_TRUE(Ok([&](VARIANT_BOOL* r) { return e()->ReadReceiptDiscountCard(card.Get(), r); }));
}

TEST_F(ReportReadersTest, AnUnknownRecordKindAndAFailedReadLeaveTheRecord) {
  // "5" names no record kind of a periodical report.
  Open(LibraryText({}, "Z5;PeriodicalOther;R;FrameRead2;\n{\n1;Text;String;4;;;0;\n}\n"));
  Read(ecrdtPeriodicalReport, "Z", {{"Z5", {"abcd"}}});
  LONG kind = -2;
  EXPECT_FALSE(engine_->DoReadNextRecordType(kind));
  EXPECT_EQ(kind, -1);
  EXPECT_EQ(engine_->LastErrorCode(), ecrecUnknownRecordType);
  // After the end of data the register has no record: the fetching reader
  // fails with the device's code and the record is untouched.
  auto rec = Create<IQAVECRHourlyReportRec>(CLSID_QAVECRHourlyReportRec);
  EXPECT_FALSE(Ok([&](VARIANT_BOOL* r) { return e()->ReadHourlyReportRec(rec.Get(), r); }));
  EXPECT_EQ(engine_->LastErrorCode(), qzlvpeNoData);
  LONG hour = -2;
  rec->get_Hour(&hour);
  EXPECT_EQ(hour, -1);
}

TEST_F(ReportReadersTest, NoRecordObjectOrNoPacketFailsWithoutACrash) {
  engine_ = std::make_unique<TQAVECRObj>();
  using Member = std::function<HRESULT(VARIANT_BOOL*)>;
  const std::pair<const char*, Member> members[] = {
      {"ReadCashReport", [&](VARIANT_BOOL* r) { return e()->ReadCashReport(nullptr, r); }},
      {"ReadCashierSaleRec", [&](VARIANT_BOOL* r) { return e()->ReadCashierSaleRec(nullptr, r); }},
      {"ReadPLUSaleRec", [&](VARIANT_BOOL* r) { return e()->ReadPLUSaleRec(nullptr, r); }},
      {"ReadSaleRec", [&](VARIANT_BOOL* r) { return e()->ReadSaleRec(nullptr, r); }},
      {"ReadResetRec", [&](VARIANT_BOOL* r) { return e()->ReadResetRec(nullptr, r); }},
      {"ReadTaxChangeRec", [&](VARIANT_BOOL* r) { return e()->ReadTaxChangeRec(nullptr, r); }},
      {"ReadSaleSummaryRec", [&](VARIANT_BOOL* r) { return e()->ReadSaleSummaryRec(nullptr, r); }},
      {"ReadSummaryReport", [&](VARIANT_BOOL* r) { return e()->ReadSummaryReport(nullptr, r); }},
      {"ReadReceiptItem", [&](VARIANT_BOOL* r) { return e()->ReadReceiptItem(nullptr, r); }},
      {"ReadReceiptSummary", [&](VARIANT_BOOL* r) { return e()->ReadReceiptSummary(nullptr, r); }},
      {"ReadReceiptDiscountCard", [&](VARIANT_BOOL* r) { return e()->ReadReceiptDiscountCard(nullptr, r); }},
      {"ReadHourlyReportRec", [&](VARIANT_BOOL* r) { return e()->ReadHourlyReportRec(nullptr, r); }},
  };
  for (const auto& [name, member] : members) {
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(member(&ok), E_POINTER) << name;
    EXPECT_EQ(ok, VARIANT_FALSE) << name;
  }
  // Before any transfer there is no current packet to parse.
  auto card = Create<IQAVECRReceiptDiscountCard>(CLSID_QAVECRReceiptDiscountCard);
  auto [hr, ok] = Run([&](VARIANT_BOOL* r) { return e()->ReadReceiptDiscountCard(card.Get(), r); });
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(ok);
  EXPECT_NE(WideToUtf8(TakeErrorDescription()).find("no current packet"), std::string::npos);
}

}  // namespace
}  // namespace corvatin
