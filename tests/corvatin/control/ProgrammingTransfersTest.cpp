// The engine's readers and writers of programming data. Against the simulated
// register over a pseudo-terminal: each writer's fields in the order the
// register takes them (as the register received them), each reader filling
// its record from a record the register serves, and every kind travelling to
// the register and back. Without a register (the engine's packets kept in the
// test): delete flags and their polarity, the tax-rate and card-discount
// texts, the flag word's bytes and the speed code, the checks of the data
// type, bad input (texts where numbers belong, Null, missing fields, a null
// record), which fails with a description and never crashes, and values that
// the register's fields cannot take, which answer False and send nothing.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/QAVECRObj.h"
#include "corvatin/records/QAVECRCashier.h"
#include "corvatin/records/QAVECRDiscountCard.h"
#include "corvatin/records/QAVECRPLU.h"
#include "corvatin/records/QAVECRStatus.h"
#include "corvatin/records/QAVECRTaxRates.h"
#include "corvatin/records/QAVECRVersion.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "tests/corvatin/control/ControlTestSupport.h"
#include "tests/corvatin/control/ECRSimulator.h"

namespace corvatin {
namespace {

using Record = ECRSimulator::Record;
using Fields = ECRSimulator::Fields;

constexpr const char* kPort = "COM7";

std::string Utf8(std::u16string_view s) { return WideToUtf8(s); }

// Calls a method by name through IDispatch, as a script host does; arguments
// in the order a script writes them.
HRESULT InvokeByName(IDispatch* object, const char16_t* member, std::vector<Variant> args, Variant* result) {
  std::u16string name(member);
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(object->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK) << Utf8(member);
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{};
  params.rgvarg = reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  return object->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}
// A UTF-8 text as the register holds it in a field of SIZE characters:
// Windows-1250, padded with blanks.
std::string Padded(std::string_view utf8, std::size_t size) {
  std::string s = Utf8ToAnsi(utf8);
  s.resize(size, ' ');
  return s;
}
CY Money(LONGLONG tenThousandths) { return CY{tenThousandths}; }
constexpr LONGLONG kUnit = 10000;

// The description of the last failure on this thread (UTF-8).
std::string LastDescription() { return WideToUtf8(TakeErrorDescription()); }

// ---------------------------------------------------------------------------
// Records made and filled for the tests

ComPtr<IQAVECRPLU> Article(LONG type, LONG attributes) {
  ComPtr<IQAVECRPLU> plu = Create<IQAVECRPLU>(CLSID_QAVECRPLU);
  auto& v = dynamic_cast<TQAVECRPLU&>(*plu.Get()).Values();
  v.SetText(PLUProperty::Code, u"5901234");
  v.SetText(PLUProperty::Name, u"Kawa żółta");
  v.SetCurrency(PLUProperty::Price, Money(125 * kUnit / 10));
  v.SetText(PLUProperty::TaxRateName, u"B");
  v.SetLong(PLUProperty::Precision, 2);
  v.SetLong(PLUProperty::PLUType, type);
  v.SetLong(PLUProperty::PLUAttributes, attributes);
  v.SetLong(PLUProperty::DepartmentIndex, 3);
  v.SetLong(PLUProperty::HALOIndex, 1);
  v.SetText(PLUProperty::LinkedCode, u"590");
  v.SetText(PLUProperty::EAN, u"not sent");
  return plu;
}

ComPtr<IQAVECRCashier> Cashier() {
  ComPtr<IQAVECRCashier> c = Create<IQAVECRCashier>(CLSID_QAVECRCashier);
  auto& v = dynamic_cast<TQAVECRCashier&>(*c.Get()).Values();
  v.SetText(CashierProperty::Code, u"K1");
  v.SetText(CashierProperty::Name, u"Łucja Świątek");
  v.SetText(CashierProperty::Password, u"1234");
  v.SetText(CashierProperty::FirstName, u"not sent");
  return c;
}

ComPtr<IQAVECRTaxRates> TaxRates(std::initializer_list<LONGLONG> rates) {
  ComPtr<IQAVECRTaxRates> list = Create<IQAVECRTaxRates>(CLSID_QAVECRTaxRates);
  VARIANT_BOOL ok;
  for (LONGLONG r : rates) list->Add(Money(r), Bstr(u"X").Get(), &ok);
  return list;
}

ComPtr<IQAVECRHALO> HALO(std::initializer_list<LONGLONG> limits) {
  ComPtr<IQAVECRHALO> list = Create<IQAVECRHALO>(CLSID_QAVECRHALO);
  VARIANT_BOOL ok;
  for (LONGLONG l : limits) list->Add(Money(l), &ok);
  return list;
}

ComPtr<IQAVECRDiscountCard> Card(std::initializer_list<LONGLONG> discounts) {
  ComPtr<IQAVECRDiscountCard> card = Create<IQAVECRDiscountCard>(CLSID_QAVECRDiscountCard);
  VARIANT_BOOL ok;
  for (LONGLONG d : discounts) card->AddDiscount(Money(d), &ok);
  auto& v = dynamic_cast<TQAVECRDiscountCard&>(*card.Get()).Values();
  v.SetLong(DiscountCardProperty::IdentifierPosition, 1);
  v.SetLong(DiscountCardProperty::IdentifierLength, 8);
  v.SetText(DiscountCardProperty::IdentifierTemplate, u"99??");
  v.SetLong(DiscountCardProperty::DatePosition, 9);
  v.SetLong(DiscountCardProperty::DateLength, 6);
  v.SetLong(DiscountCardProperty::DiscountIdentifierPosition, 15);
  v.SetText(DiscountCardProperty::CardName, u"not sent");
  return card;
}

std::vector<LONGLONG> HALOValues(IQAVECRHALO* halo) {
  LONG n = 0;
  halo->get_Count(&n);
  std::vector<LONGLONG> values;
  for (LONG i = 0; i < n; ++i) {
    CY v{};
    halo->get_Values(i, &v);
    values.push_back(v.int64);
  }
  return values;
}

// ---------------------------------------------------------------------------
// Against the simulated register

class ProgrammingE2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.emplace(kPort);
    engine_ = std::make_unique<TQAVECRObj>();
    ASSERT_NO_FATAL_FAILURE(UseRegister(e(), kPort));
    sim_->Serve();
    sim_->Start();
  }
  void TearDown() override {
    sim_->Stop();
    engine_.reset();
    sim_.reset();
  }

  IQAVECR* e() { return engine_.get(); }
  ECRSimulator& sim() { return *sim_; }

  static bool Ok(HRESULT hr, VARIANT_BOOL r) {
    EXPECT_EQ(hr, S_OK) << LastDescription();
    return r == VARIANT_TRUE;
  }
  template <class F>
  bool Call(F&& member) {
    VARIANT_BOOL r = VARIANT_FALSE;
    const HRESULT hr = member(&r);
    return Ok(hr, r);
  }
  std::string Message() { return Utf8ToAnsi(engine_->LastErrorMessage()) + " (" + std::to_string(engine_->LastErrorCode()) + ")"; }

  // Writes one record of DATATYPE in a write session of its own; the record
  // the register stored.
  Record Write(LONG dataType, const std::function<HRESULT(VARIANT_BOOL*)>& writer) {
    const std::size_t before = sim().Stored().size();
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Connect(r); }));
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->BeginWrite(dataType, r); })) << Message();
    EXPECT_TRUE(Call(writer)) << Message();
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Disconnect(r); }));
    const std::vector<Record> stored = sim().Stored();
    if (stored.size() != before + 1) {
      ADD_FAILURE() << "the register stored " << stored.size() - before << " records";
      return {};
    }
    return stored.back();
  }

  // Serves RECORD in a read of DATATYPE and runs the reader on it.
  void Read(LONG dataType, const Record& record, const std::function<HRESULT(VARIANT_BOOL*)>& reader) {
    sim().Offer(record.id.substr(0, 1), {record});
    ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Connect(r); }));
    ASSERT_TRUE(Call([&](VARIANT_BOOL* r) {
      return e()->BeginRead(dataType, Variant(), Variant(), ecrrtNone, ecrrmNotResetting, r);
    })) << Message();
    EXPECT_TRUE(Call(reader)) << Message();
    EXPECT_EQ(engine_->LastErrorCode(), 0);
    EXPECT_TRUE(engine_->Eof()) << "the only record carries the end of data";
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->ConfirmRead(r); }));
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Disconnect(r); }));
  }

  zelvani::ScopedTestRegistry registry_;
  ScopedSystemDirectory system_;
  std::optional<ECRSimulator> sim_;
  std::unique_ptr<TQAVECRObj> engine_;
};

TEST_F(ProgrammingE2ETest, WritersSendTheirFieldsInTheRegistersOrder) {
  ComPtr<IQAVECRLinkedCodeRec> linked = Create<IQAVECRLinkedCodeRec>(CLSID_QAVECRLinkedCodeRec);
  linked->put_Code(Wide("5901234").Get());
  linked->put_LinkedCode(Wide("5900001").Get());
  ComPtr<IQAVECRPLUShortcutRec> shortcut = Create<IQAVECRPLUShortcutRec>(CLSID_QAVECRPLUShortcutRec);
  shortcut->put_KeyIndex(12);
  shortcut->put_Code(Wide("5901234").Get());
  shortcut->put_Name(Wide("not sent").Get());
  ComPtr<IQAVECRDiscounts> discounts = Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts);
  VARIANT_BOOL added;
  // Only the first discount of a type counts; types not in the list send 0.
  discounts->Add(ecrdtStdAmountDiscount, Money(3 * kUnit), nullptr, &added);
  discounts->Add(ecrdtStdAmountDiscount, Money(4 * kUnit), nullptr, &added);
  discounts->Add(ecrdtMaxPercentageMarkUp, Money(15 * kUnit / 10), nullptr, &added);
  ComPtr<IQAVECRPLU> department = Article(ecrptDepartment, ecrpaPriceOpen | ecrpaSingleSale);
  ComPtr<IQAVECRPLU> packing = Article(ecrptPacking, ecrpaSingleSale);
  ComPtr<IQAVECRTaxRates> rates = TaxRates({23 * kUnit, 8 * kUnit, 989900});
  ComPtr<IQAVECRCashier> cashier = Cashier();
  ComPtr<IQAVECRHALO> halo = HALO({5 * kUnit, 250 * kUnit});
  ComPtr<IQAVECRDiscountCard> card = Card({5 * kUnit, 125 * kUnit / 10});

  const std::string kawa = Padded("Kawa żółta", 18);
  struct Row {
    const char* what;
    LONG dataType;
    std::function<HRESULT(VARIANT_BOOL*)> write;
    const char* id;
    Fields fields;
  } rows[] = {
      {"cashier", ecrdtCashier, [&](VARIANT_BOOL* r) { return e()->WriteCashier(cashier.Get(), r); }, "D",
       {Padded("K1", 4), Padded("Łucja Świątek", 18), Padded("1234", 6)}},
      {"linked code", ecrdtLinkedCodes, [&](VARIANT_BOOL* r) { return e()->WriteLinkedCodeRec(linked.Get(), r); },
       "h", {Padded("5901234", 13), Padded("5900001", 13)}},
      {"key shortcut", ecrdtPLUShortcuts,
       [&](VARIANT_BOOL* r) { return e()->WritePLUShortcutRec(shortcut.Get(), r); }, "J",
       {"12", Padded("5901234", 13)}},
      {"department", ecrdtDepartment,
       [&](VARIANT_BOOL* r) { return e()->WritePLU(department.Get(), ecrwmUpdate, r); }, "H",
       {"1", Padded("5901", 4), kawa, "12.5", "B", "10010", "1"}},
      {"deleted department", ecrdtDepartment,
       [&](VARIANT_BOOL* r) { return e()->WritePLU(department.Get(), ecrwmDelete, r); }, "H",
       {"0", Padded("5901", 4), kawa, "12.5", "B", "10010", "1"}},
      {"packing article", ecrdtPLU, [&](VARIANT_BOOL* r) { return e()->WritePLU(packing.Get(), ecrwmInsert, r); },
       "I", {"1", Padded("5901234", 13), kawa, "12.5", "B", "2", "00011", "3", "1", Padded("590", 13)}},
      {"article change", ecrdtPLUChange,
       [&](VARIANT_BOOL* r) { return e()->WritePLU(packing.Get(), ecrwmInsertOrUpdate, r); }, "r",
       {Padded("5901234", 13), "12.5", "2", "00010", "3", "1", Padded("590", 13)}},
      {"tax rates", ecrdtTaxRates, [&](VARIANT_BOOL* r) { return e()->WriteTaxRates(rates.Get(), r); }, "K",
       {" 2300", " 0800", " FFFF", " 0000", " 0000", " 0000"}},
      {"tax rates with G", ecrdtTaxRatesEx, [&](VARIANT_BOOL* r) { return e()->WriteTaxRates(rates.Get(), r); },
       "0", {" 2300", " 0800", " FFFF", " 0000", " 0000", " 0000", " 0000"}},
      {"HALO limits", ecrdtHALO, [&](VARIANT_BOOL* r) { return e()->WriteHALO(halo.Get(), r); }, "E",
       {"5", "250", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}},
      {"discounts", ecrdtDiscounts, [&](VARIANT_BOOL* r) { return e()->WriteDiscounts(discounts.Get(), r); }, "G",
       {"0", "0", "0", "1.5", "3", "0", "0", "0"}},
      {"discount card", ecrdtDiscountCard,
       [&](VARIANT_BOOL* r) { return e()->WriteDiscountCard(card.Get(), ecrwmInsertOrUpdate, r); }, "j",
       {"0", "50", "125", "0", "0", "0", "0", "0", "0", "0", "0", "1", "8", Padded("99??", 16), "9", "6", "15"}},
      {"deleted discount card", ecrdtDiscountCard,
       [&](VARIANT_BOOL* r) { return e()->WriteDiscountCard(card.Get(), ecrwmDelete, r); }, "j",
       {"1", "50", "125", "0", "0", "0", "0", "0", "0", "0", "0", "1", "8", Padded("99??", 16), "9", "6", "15"}},
      {"unique identifier", ecrdtUniqueID,
       [&](VARIANT_BOOL* r) { return e()->WriteIdentifier(Variant::Str(u"AB12"), r); }, "M", {Padded("AB12", 16)}},
      // A Boolean identifier travels as its English text.
      {"identifier from a Boolean", ecrdtTaxPayerID,
       [&](VARIANT_BOOL* r) { return e()->WriteIdentifier(Variant::Bool(true), r); }, "N", {Padded("True", 13)}},
  };
  for (const Row& row : rows) {
    const Record stored = Write(row.dataType, row.write);
    EXPECT_EQ(stored.id, row.id) << row.what;
    EXPECT_EQ(stored.fields, row.fields) << row.what;
  }
}

TEST_F(ProgrammingE2ETest, DateAndTimeGoInTwoFieldsAndComeBackAsOne) {
  const DATE when = 37755.4375;  // 2003-05-14 10:30
  const Record stored = Write(ecrdtDateTime, [&](VARIANT_BOOL* r) { return e()->WriteDateTime(when, r); });
  ASSERT_EQ(stored.id, "L");
  ASSERT_EQ(stored.fields.size(), 2u);
  // The date field takes the day, the time field the time of day.
  Variant day, time;
  ASSERT_EQ(Variant::Ansi(stored.fields[0]).TryAs(VT_DATE, day), S_OK) << stored.fields[0];
  ASSERT_EQ(Variant::Ansi(stored.fields[1]).TryAs(VT_DATE, time), S_OK) << stored.fields[1];
  EXPECT_DOUBLE_EQ(day.date, 37755.0);
  EXPECT_DOUBLE_EQ(time.date, 0.4375);

  DATE back = 0;
  Read(ecrdtDateTime, stored, [&](VARIANT_BOOL* r) { return e()->ReadDateTime(&back, r); });
  EXPECT_DOUBLE_EQ(back, when);
}

TEST_F(ProgrammingE2ETest, ArticleAttributeTextsReadBack) {
  struct Row {
    LONG dataType;
    const char* id;
    const char* text;
    LONG attributes;
    LONG type;
  } rows[] = {
      {ecrdtPLU, "I", "00011", ecrpaSingleSale, ecrptPacking},
      {ecrdtPLU, "I", "10100", ecrpaPriceOpen | ecrpaAutoRepeat, ecrptPLU},
      {ecrdtPLU, "I", "11101", ecrpaPriceOpen | ecrpaPriceFixed | ecrpaAutoRepeat | ecrpaSingleSale, ecrptPLU},
      // Any character other than "0" counts as set.
      {ecrdtPLU, "I", "0X0Y0", ecrpaPriceFixed, ecrptPacking},
      // A department's fourth character is SingleSale; it is always a department.
      {ecrdtDepartment, "H", "10010", ecrpaPriceOpen | ecrpaSingleSale, ecrptDepartment},
      {ecrdtDepartment, "H", "00000", 0, ecrptDepartment},
      // The field's blanks are characters other than "0".
      {ecrdtDepartment, "H", "1", 15, ecrptDepartment},
  };
  for (const Row& row : rows) {
    Record served{row.id, {}};
    if (row.dataType == ecrdtPLU)
      served.fields = {"1", "5901234", "KAWA", "9.99", "A", "3", row.text, "7", "2", "590"};
    else
      served.fields = {"1", "12", "NAPOJE", "0", "C", row.text, "4"};
    ComPtr<IQAVECRPLU> plu = Article(ecrptPLU, -1);  // what a reader must overwrite
    Read(row.dataType, served, [&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); });
    const auto& v = dynamic_cast<TQAVECRPLU&>(*plu.Get()).Values();
    EXPECT_EQ(v.Long(PLUProperty::PLUAttributes), row.attributes) << row.id << " \"" << row.text << "\"";
    EXPECT_EQ(v.Long(PLUProperty::PLUType), row.type) << row.id << " \"" << row.text << "\"";
    if (row.dataType == ecrdtPLU) {
      EXPECT_EQ(Utf8(v.Text(PLUProperty::Code)), Padded("5901234", 13));
      EXPECT_EQ(v.Currency(PLUProperty::Price).int64, 99900);
      EXPECT_EQ(Utf8(v.Text(PLUProperty::TaxRateName)), "A");
      EXPECT_EQ(v.Long(PLUProperty::Precision), 3);
      EXPECT_EQ(v.Long(PLUProperty::DepartmentIndex), 7);
      EXPECT_EQ(v.Long(PLUProperty::HALOIndex), 2);
      EXPECT_EQ(Utf8(v.Text(PLUProperty::LinkedCode)), Padded("590", 13));
    } else {
      EXPECT_EQ(Utf8(v.Text(PLUProperty::Name)), Padded("NAPOJE", 18));
      EXPECT_EQ(v.Currency(PLUProperty::Price).int64, 0);
      EXPECT_EQ(v.Long(PLUProperty::HALOIndex), 4);
      EXPECT_EQ(v.Long(PLUProperty::Precision), 2) << "a department has no precision field";
    }
    EXPECT_EQ(Utf8(v.Text(PLUProperty::EAN)), "not sent") << "a property without a field is left";
  }
}

// Every record but the last of a read ends like a record the PC writes; each
// must still be taken as the register's record, whose fields carry amounts
// (a rate not in use reads as 98.99), not the writer's rate texts.
TEST_F(ProgrammingE2ETest, SeveralTaxRateRecordsReadInOneTransfer) {
  struct Row {
    LONG dataType;
    const char* id;
    std::vector<Fields> records;
    std::vector<std::vector<LONGLONG>> rates;
  } rows[] = {
      {ecrdtTaxRates, "K",
       {{"23", "8", "-1", "5", "0", "0"}, {"22", "7", "3", "-1", "0", "0"}, {"23", "8", "5", "0", "0", "-1"}},
       {{230000, 80000, 989900, 50000, 0, 0}, {220000, 70000, 30000, 989900, 0, 0},
        {230000, 80000, 50000, 0, 0, 989900}}},
      {ecrdtTaxRatesEx, "0",
       {{"23", "8", "-1", "5", "0", "0", "4.5"}, {"-1", "12.5", "0", "0", "0", "0", "0"}},
       {{230000, 80000, 989900, 50000, 0, 0, 45000}, {989900, 125000, 0, 0, 0, 0, 0}}},
  };
  for (const Row& row : rows) {
    std::vector<Record> served;
    for (const Fields& f : row.records) served.push_back({row.id, f});
    sim().Offer(row.id, served);
    ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Connect(r); }));
    ASSERT_TRUE(Call([&](VARIANT_BOOL* r) {
      return e()->BeginRead(row.dataType, Variant(), Variant(), ecrrtNone, ecrrmNotResetting, r);
    })) << Message();
    std::vector<std::vector<LONGLONG>> read;
    for (int guard = 0; !engine_->Eof() && guard < 10; ++guard) {
      ComPtr<IQAVECRTaxRates> rates = TaxRates({});
      ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->ReadTaxRates(rates.Get(), r); }))
          << row.id << " record " << read.size() + 1 << ": " << Message() << " " << LastDescription();
      std::vector<LONGLONG> values;
      for (const auto& rate : dynamic_cast<TQAVECRTaxRates&>(*rates.Get()).Rates()) values.push_back(rate.Value.int64);
      read.push_back(values);
    }
    EXPECT_EQ(read, row.rates) << row.id;
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->ConfirmRead(r); }));
    EXPECT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Disconnect(r); }));
  }
}

TEST_F(ProgrammingE2ETest, ListsAreClearedAndRefilled) {
  // Tax rates: a rate not in use (FFFF, read as -1) is 98.99; names by position.
  ComPtr<IQAVECRTaxRates> rates = TaxRates({1, 2, 3, 4, 5, 6, 7, 8, 9});
  // (The register's values: the library puts them on the line in hundredths.)
  Read(ecrdtTaxRatesEx, {"0", {"23", "8", "-1", "5", "0", "0", "5"}},
       [&](VARIANT_BOOL* r) { return e()->ReadTaxRates(rates.Get(), r); });
  const auto& list = dynamic_cast<TQAVECRTaxRates&>(*rates.Get()).Rates();
  ASSERT_EQ(list.size(), 7u);
  const LONGLONG expected[] = {230000, 80000, 989900, 50000, 0, 0, 50000};
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].Value.int64, expected[i]) << i;
    EXPECT_EQ(list[i].Name, std::u16string(1, char16_t(u'A' + i)));
  }
  // The short data type has six.
  Read(ecrdtTaxRates, {"K", {"23", "8", "-1", "5", "0", "0"}},
       [&](VARIANT_BOOL* r) { return e()->ReadTaxRates(rates.Get(), r); });
  EXPECT_EQ(list.size(), 6u);

  // HALO: zero fields are empty slots, skipped rather than ending the list.
  ComPtr<IQAVECRHALO> halo = HALO({1});
  Read(ecrdtHALO, {"E", {"5", "0", "7", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "12.25"}},
       [&](VARIANT_BOOL* r) { return e()->ReadHALO(halo.Get(), r); });
  EXPECT_EQ(HALOValues(halo.Get()), (std::vector<LONGLONG>{50000, 70000, 122500}));

  // Discounts: all eight types in order, zeros included.
  ComPtr<IQAVECRDiscounts> discounts = Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts);
  VARIANT_BOOL added;
  discounts->Add(ecrdtAmount, Money(1), nullptr, &added);
  Read(ecrdtDiscounts, {"G", {"5", "10", "0", "0", "2.5", "0", "0", "1"}},
       [&](VARIANT_BOOL* r) { return e()->ReadDiscounts(discounts.Get(), r); });
  LONG count = 0;
  discounts->get_Count(&count);
  ASSERT_EQ(count, 8);
  const LONGLONG values[] = {50000, 100000, 0, 0, 25000, 0, 0, 10000};
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVECRDiscount> d;
    ASSERT_EQ(discounts->get_Items(i, d.Out()), S_OK);
    LONG type = -1;
    CY value{};
    d->get_DiscountType(&type);
    d->get_Value(&value);
    EXPECT_EQ(type, i);
    EXPECT_EQ(value.int64, values[i]) << i;
  }

  // Discount card: ten discounts in tenths, then its six values.
  ComPtr<IQAVECRDiscountCard> card = Card({1, 2, 3});
  Read(ecrdtDiscountCard, {"j", {"50", "125", "0", "0", "0", "0", "0", "0", "0", "999", "2", "10", "12??", "12", "6", "22"}},
       [&](VARIANT_BOOL* r) { return e()->ReadDiscountCard(card.Get(), r); });
  const auto& c = dynamic_cast<TQAVECRDiscountCard&>(*card.Get());
  ASSERT_EQ(c.Discounts().size(), 10u);
  EXPECT_EQ(c.Discounts()[0].Value.int64, 50000);
  EXPECT_EQ(c.Discounts()[1].Value.int64, 125000);
  EXPECT_EQ(c.Discounts()[2].Value.int64, 0);
  EXPECT_EQ(c.Discounts()[9].Value.int64, 999000);
  EXPECT_EQ(c.Values().Long(DiscountCardProperty::IdentifierPosition), 2);
  EXPECT_EQ(c.Values().Long(DiscountCardProperty::IdentifierLength), 10);
  EXPECT_EQ(Utf8(c.Values().Text(DiscountCardProperty::IdentifierTemplate)), Padded("12??", 16));
  EXPECT_EQ(c.Values().Long(DiscountCardProperty::DatePosition), 12);
  EXPECT_EQ(c.Values().Long(DiscountCardProperty::DateLength), 6);
  EXPECT_EQ(c.Values().Long(DiscountCardProperty::DiscountIdentifierPosition), 22);
  EXPECT_EQ(Utf8(c.Values().Text(DiscountCardProperty::CardName)), "not sent");
}

TEST_F(ProgrammingE2ETest, PlainRecordsReadBack) {
  ComPtr<IQAVECRCashier> cashier = Create<IQAVECRCashier>(CLSID_QAVECRCashier);
  Read(ecrdtCashier, {"D", {"K7", Utf8ToAnsi("Łucja"), "0000"}},
       [&](VARIANT_BOOL* r) { return e()->ReadCashier(cashier.Get(), r); });
  const auto& cv = dynamic_cast<TQAVECRCashier&>(*cashier.Get()).Values();
  EXPECT_EQ(Utf8(cv.Text(CashierProperty::Code)), "K7  ");
  EXPECT_EQ(Utf8(cv.Text(CashierProperty::Name)), AnsiToUtf8(Padded("Łucja", 18)));
  EXPECT_EQ(Utf8(cv.Text(CashierProperty::Password)), "0000  ");
  EXPECT_EQ(cv.Long(CashierProperty::Index), -1);

  ComPtr<IQAVECRLinkedCodeRec> linked = Create<IQAVECRLinkedCodeRec>(CLSID_QAVECRLinkedCodeRec);
  Read(ecrdtLinkedCodes, {"h", {"111", "222"}}, [&](VARIANT_BOOL* r) { return e()->ReadLinkedCodeRec(linked.Get(), r); });
  Bstr code, linkedCode;
  linked->get_Code(code.Out());
  linked->get_LinkedCode(linkedCode.Out());
  EXPECT_EQ(Utf8(code.Get()), Padded("111", 13));
  EXPECT_EQ(Utf8(linkedCode.Get()), Padded("222", 13));

  ComPtr<IQAVECRPLUShortcutRec> shortcut = Create<IQAVECRPLUShortcutRec>(CLSID_QAVECRPLUShortcutRec);
  Read(ecrdtPLUShortcuts, {"J", {"17", "333"}}, [&](VARIANT_BOOL* r) { return e()->ReadPLUShortcutRec(shortcut.Get(), r); });
  LONG key = 0;
  Bstr shortcutCode;
  shortcut->get_KeyIndex(&key);
  shortcut->get_Code(shortcutCode.Out());
  EXPECT_EQ(key, 17);
  EXPECT_EQ(Utf8(shortcutCode.Get()), Padded("333", 13));

  ComPtr<IQAVECRVersion> version = Create<IQAVECRVersion>(CLSID_QAVECRVersion);
  Read(ecrdtVersion, {"e", {"APP 1.02", "FM 3.1", "DRUK 7"}}, [&](VARIANT_BOOL* r) { return e()->ReadVersion(version.Get(), r); });
  const auto& vv = dynamic_cast<TQAVECRVersion&>(*version.Get()).Values();
  EXPECT_EQ(Utf8(vv.Text(VersionProperty::ApplicationModule)), Padded("APP 1.02", 12));
  EXPECT_EQ(Utf8(vv.Text(VersionProperty::FiscalModule)), Padded("FM 3.1", 12));
  EXPECT_EQ(Utf8(vv.Text(VersionProperty::PrintingDevice)), Padded("DRUK 7", 12));

  Variant id;
  Read(ecrdtUniqueID, {"M", {"XYZ"}}, [&](VARIANT_BOOL* r) { return e()->ReadIdentifier(&id, r); });
  EXPECT_EQ(BstrToAnsi(id.As(VT_BSTR).bstrVal), Padded("XYZ", 16));
}

TEST_F(ProgrammingE2ETest, StatusTakesItsStateAndTextApart) {
  struct Row {
    const char* state;
    const char* text;
    bool fiscal, readOnly, clientDisplay, paperOut, printerError;
  } rows[] = {
      {"1", "010", true, false, true, true, false},
      {"2", "101", false, true, false, false, true},
      {"0", "000", false, false, true, false, false},
      {"3", "1X9", false, false, false, true, true},
  };
  for (const Row& row : rows) {
    ComPtr<IQAVECRStatus> status = Create<IQAVECRStatus>(CLSID_QAVECRStatus);
    Read(ecrdtStatus, {"p", {row.state, "4096", "101", "250", "APP 2", "FM 1", "PR 3", row.text}},
         [&](VARIANT_BOOL* r) { return e()->ReadStatus(status.Get(), r); });
    auto& s = dynamic_cast<TQAVECRStatus&>(*status.Get());
    const std::string why = std::string(row.state) + " \"" + row.text + "\"";
    EXPECT_EQ(s.Values().Bool(StatusProperty::Fiscal), row.fiscal) << why;
    EXPECT_EQ(s.Values().Bool(StatusProperty::ReadOnly), row.readOnly) << why;
    EXPECT_EQ(s.Values().Bool(StatusProperty::ClientDisplay), row.clientDisplay) << why;
    EXPECT_EQ(s.Values().Bool(StatusProperty::PaperOut), row.paperOut) << why;
    EXPECT_EQ(s.Values().Bool(StatusProperty::PrintingDeviceError), row.printerError) << why;
    EXPECT_EQ(s.Values().Long(StatusProperty::ReceiptBufferFreeMemory), 4096);
    EXPECT_EQ(s.Values().Long(StatusProperty::FirstReceiptInBuffer), 101);
    EXPECT_EQ(s.Values().Long(StatusProperty::LastReceiptInBuffer), 250);
    // The versions go into the status record's own version record.
    const auto& v = dynamic_cast<TQAVECRVersion&>(*s.Version()).Values();
    EXPECT_EQ(Utf8(v.Text(VersionProperty::ApplicationModule)), Padded("APP 2", 12));
    EXPECT_EQ(Utf8(v.Text(VersionProperty::FiscalModule)), Padded("FM 1", 12));
    EXPECT_EQ(Utf8(v.Text(VersionProperty::PrintingDevice)), Padded("PR 3", 12));
  }
}

// Every record the control writes comes back from the register as it went.
TEST_F(ProgrammingE2ETest, EveryWrittenKindReadsBackAsItWent) {
  ComPtr<IQAVECRCashier> cashier = Cashier();
  ComPtr<IQAVECRPLU> article = Article(ecrptPacking, ecrpaPriceOpen | ecrpaAutoRepeat);
  ComPtr<IQAVECRHALO> halo = HALO({15 * kUnit, 0, 125 * kUnit / 100});
  ComPtr<IQAVECRDiscountCard> card = Card({5 * kUnit, 125 * kUnit / 10, 100 * kUnit});
  ComPtr<IQAVECRFlags> flags;
  ASSERT_EQ(e()->get_Flags(flags.Out()), S_OK);
  flags->put_ScalesCodeType(2);
  flags->put_ScalesType(1);
  flags->put_PLUStaling(30);
  flags->put_Print(ecrpfPrintTOTAL | ecrpfPLUSaleReportPermitted);  // bits 3 and 16
  flags->put_Misc(ecrftNoDiscountsFromCard);                         // bit 33

  Record r = Write(ecrdtCashier, [&](VARIANT_BOOL* x) { return e()->WriteCashier(cashier.Get(), x); });
  ComPtr<IQAVECRCashier> cashierBack = Create<IQAVECRCashier>(CLSID_QAVECRCashier);
  Read(ecrdtCashier, r, [&](VARIANT_BOOL* x) { return e()->ReadCashier(cashierBack.Get(), x); });
  EXPECT_EQ(Utf8(dynamic_cast<TQAVECRCashier&>(*cashierBack.Get()).Values().Text(CashierProperty::Name)),
            AnsiToUtf8(Padded("Łucja Świątek", 18)));

  r = Write(ecrdtPLU, [&](VARIANT_BOOL* x) { return e()->WritePLU(article.Get(), ecrwmInsert, x); });
  ComPtr<IQAVECRPLU> articleBack = Create<IQAVECRPLU>(CLSID_QAVECRPLU);
  Read(ecrdtPLU, r, [&](VARIANT_BOOL* x) { return e()->ReadPLU(articleBack.Get(), x); });
  const auto& a = dynamic_cast<TQAVECRPLU&>(*articleBack.Get()).Values();
  EXPECT_EQ(a.Long(PLUProperty::PLUAttributes), ecrpaPriceOpen | ecrpaAutoRepeat);
  EXPECT_EQ(a.Long(PLUProperty::PLUType), ecrptPacking);
  EXPECT_EQ(a.Currency(PLUProperty::Price).int64, 125000);

  r = Write(ecrdtHALO, [&](VARIANT_BOOL* x) { return e()->WriteHALO(halo.Get(), x); });
  ComPtr<IQAVECRHALO> haloBack = HALO({});
  Read(ecrdtHALO, r, [&](VARIANT_BOOL* x) { return e()->ReadHALO(haloBack.Get(), x); });
  EXPECT_EQ(HALOValues(haloBack.Get()), (std::vector<LONGLONG>{150000, 12500})) << "the empty slot is skipped";

  r = Write(ecrdtDiscountCard, [&](VARIANT_BOOL* x) { return e()->WriteDiscountCard(card.Get(), ecrwmUpdate, x); });
  r.fields.erase(r.fields.begin());  // the register reads a card without its delete flag
  ComPtr<IQAVECRDiscountCard> cardBack = Card({});
  Read(ecrdtDiscountCard, r, [&](VARIANT_BOOL* x) { return e()->ReadDiscountCard(cardBack.Get(), x); });
  const auto& cb = dynamic_cast<TQAVECRDiscountCard&>(*cardBack.Get());
  ASSERT_EQ(cb.Discounts().size(), 10u);
  EXPECT_EQ(cb.Discounts()[1].Value.int64, 125000);
  EXPECT_EQ(cb.Discounts()[2].Value.int64, 1000000);

  for (LONG dataType : {ecrdtFlagsEx, ecrdtFlags}) {
    r = Write(dataType, [&](VARIANT_BOOL* x) { return e()->WriteFlags(x); });
    flags->put_ScalesCodeType(0);
    flags->put_Print(ecrpfEconomyPrint);  // not in the word: cleared by a read
    flags->put_Misc(0);
    Read(dataType, r, [&](VARIANT_BOOL* x) { return e()->ReadFlags(x); });
    LONG scalesCode = -1, print = -1, misc = -1, staling = -1;
    flags->get_ScalesCodeType(&scalesCode);
    flags->get_Print(&print);
    flags->get_Misc(&misc);
    flags->get_PLUStaling(&staling);
    EXPECT_EQ(scalesCode, 2) << dataType;
    EXPECT_EQ(staling, 30) << dataType;
    EXPECT_EQ(print, ecrpfPrintTOTAL | ecrpfPLUSaleReportPermitted) << dataType;
    // Bit 33 travels only in the extended word.
    EXPECT_EQ(misc, dataType == ecrdtFlagsEx ? ecrftNoDiscountsFromCard : 0) << dataType;
    flags->put_Misc(ecrftNoDiscountsFromCard);
  }
}

// A script host reaches the members by name: the record as an object argument,
// the clock through a date passed by reference.
TEST_F(ProgrammingE2ETest, AScriptHostWritesAndReadsByName) {
  auto invoke = [&](const char16_t* member, std::vector<Variant> args, Variant* result) {
    return InvokeByName(e(), member, std::move(args), result);
  };
  ComPtr<IQAVECRPLU> article = Article(ecrptPLU, ecrpaPriceFixed);
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Connect(r); }));
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->BeginWrite(ecrdtPLU, r); }));
  Variant result;
  ASSERT_EQ(invoke(u"WritePLU", {Variant::Dispatch(article.Get()), Variant::I2(ecrwmDelete)}, &result), S_OK)
      << LastDescription();
  EXPECT_EQ(result.As(VT_BOOL).boolVal, VARIANT_TRUE) << Message();
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Disconnect(r); }));
  const std::vector<Record> stored = sim().Stored();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].fields.at(0), "0");
  EXPECT_EQ(stored[0].fields.at(6), "01000");

  sim().Offer("L", {{"L", {"2024-02-29", "23:59"}}});
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) { return e()->Connect(r); }));
  ASSERT_TRUE(Call([&](VARIANT_BOOL* r) {
    return e()->BeginRead(ecrdtDateTime, Variant(), Variant(), ecrrtNone, ecrrmNotResetting, r);
  }));
  DATE when = 0;
  Variant byRef;
  byRef.vt = VT_DATE | VT_BYREF;
  byRef.pdate = &when;
  ASSERT_EQ(invoke(u"ReadDateTime", {byRef}, &result), S_OK) << LastDescription();
  EXPECT_EQ(result.As(VT_BOOL).boolVal, VARIANT_TRUE) << Message();
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(when, &st));
  EXPECT_EQ(std::vector<int>({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute}),
            std::vector<int>({2024, 2, 29, 23, 59}));
}

// ---------------------------------------------------------------------------
// Without a register: the engine's packets kept in the test

// The engine with its transfers kept here: a read takes the next packet of
// `incoming` (made from the default library, its fields set to the variants
// given), a write keeps the values of the packet it would have sent.
class TKeptEngine final : public TQAVECRObj {
 public:
  struct Incoming {
    std::string id;
    std::vector<Variant> fields;
  };

  bool ReadPacket() override {
    if (incoming.empty()) {
      SetEngineError(qzlvpeNoData);
      return false;
    }
    Incoming in = std::move(incoming.front());
    incoming.pop_front();
    if (!CreateCurrentPacket(in.id, qzlvptRead)) throw std::logic_error("no read packet " + in.id);
    for (std::size_t i = 0; i < in.fields.size(); ++i) SetFieldValue(static_cast<LONG>(i + 1), in.fields[i]);
    SetEngineError(0);
    ++reads;
    return true;
  }
  bool WritePacket() override {
    std::vector<Variant> fields;
    LONG count = 0;
    Packet()->get_FieldsCount(&count);
    for (LONG n = 1; n <= count; ++n) fields.push_back(FieldValue(n));
    sent.push_back(std::move(fields));
    return true;
  }
  // Marks every field of a new write packet, so that a test sees which fields
  // a writer leaves as the packet was made.
  bool CreateWritePacket() override {
    if (TQAVECRObj::CreateWritePacket()) return true;
    LONG count = 0;
    Packet()->get_FieldsCount(&count);
    for (LONG n = 1; n <= count; ++n) SetFieldValue(n, Variant::Ansi(kAsCreated));
    return false;
  }
  static constexpr const char* kAsCreated = "<as created>";

  std::deque<Incoming> incoming;
  std::vector<std::vector<Variant>> sent;
  int reads = 0;
};

std::string Text(const Variant& v) {
  if (v.IsEmpty()) return "<empty>";
  Variant t;
  return SUCCEEDED(v.TryAs(VT_BSTR, t, VARIANT_ALPHABOOL)) ? BstrToAnsi(t.bstrVal) : "<?>";
}

class ProgrammingOfflineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.SetPacketLibraryFile(ECRSimulator::Library());
    ASSERT_TRUE(engine_.Protocol());
  }

  // Starts a transfer of DATATYPE (its start packet is not kept).
  void Begin(LONG dataType) {
    ASSERT_TRUE(engine_.DoBeginWrite(dataType));
    engine_.sent.clear();
  }
  // The texts of the last packet written.
  std::vector<std::string> Sent() {
    std::vector<std::string> texts;
    if (engine_.sent.empty()) return texts;
    for (const Variant& v : engine_.sent.back()) texts.push_back(Text(v));
    return texts;
  }
  void Serve(const std::string& id, std::vector<Variant> fields) { engine_.incoming.push_back({id, std::move(fields)}); }

  // Runs a member; the HRESULT, with the result in *OK.
  template <class F>
  static HRESULT Run(F&& member, bool* ok) {
    VARIANT_BOOL r = VARIANT_TRUE;
    const HRESULT hr = member(&r);
    *ok = r == VARIANT_TRUE;
    return hr;
  }

  IQAVECR* e() { return &engine_; }

  // Calls a method by name through the engine's IDispatch, as a script host
  // does; arguments in the order a script writes them.
  HRESULT Invoke(const char16_t* member, std::vector<Variant> args, Variant* result) {
    return InvokeByName(e(), member, std::move(args), result);
  }

  zelvani::ScopedTestRegistry registry_;
  TKeptEngine engine_;
};

TEST_F(ProgrammingOfflineTest, DeleteFlagsHaveThePolarityOfTheirKind) {
  ComPtr<IQAVECRPLU> plu = Article(ecrptPLU, 0);
  ComPtr<IQAVECRDiscountCard> card = Card({});
  struct Row {
    LONG dataType;
    LONG writeMode;
    const char* field1;
  } rows[] = {
      // Departments and articles send 1 and 0 to delete; only delete changes it.
      {ecrdtDepartment, ecrwmInsertOrUpdate, "1"}, {ecrdtDepartment, ecrwmInsert, "1"},
      {ecrdtDepartment, ecrwmUpdate, "1"},         {ecrdtDepartment, ecrwmDelete, "0"},
      {ecrdtPLU, ecrwmInsertOrUpdate, "1"},        {ecrdtPLU, ecrwmUpdate, "1"},
      {ecrdtPLU, ecrwmDelete, "0"},                {ecrdtPLU, 17, "1"},
      // A discount card sends 1 to delete.
      {ecrdtDiscountCard, ecrwmInsertOrUpdate, "0"}, {ecrdtDiscountCard, ecrwmInsert, "0"},
      {ecrdtDiscountCard, ecrwmUpdate, "0"},         {ecrdtDiscountCard, ecrwmDelete, "1"},
      // An article change has no delete flag: field 1 is its code.
      {ecrdtPLUChange, ecrwmDelete, "5901234"},
  };
  for (const Row& row : rows) {
    Begin(row.dataType);
    bool ok = false;
    const HRESULT hr = row.dataType == ecrdtDiscountCard
                           ? Run([&](VARIANT_BOOL* r) { return e()->WriteDiscountCard(card.Get(), row.writeMode, r); }, &ok)
                           : Run([&](VARIANT_BOOL* r) { return e()->WritePLU(plu.Get(), row.writeMode, r); }, &ok);
    ASSERT_EQ(hr, S_OK) << LastDescription();
    EXPECT_TRUE(ok);
    ASSERT_FALSE(Sent().empty());
    EXPECT_EQ(Sent()[0], row.field1) << "data type " << row.dataType << ", mode " << row.writeMode;
  }
}

TEST_F(ProgrammingOfflineTest, TaxRateTexts) {
  struct Row {
    LONGLONG rate;  // ten-thousandths
    const char* text;
  } rows[] = {
      {23 * kUnit, "2300"}, {8 * kUnit, "0800"},  {kUnit / 2, "0050"},   {0, "0000"},
      {989900, "FFFF"},     {100 * kUnit, "10000"},
      // Hundredths of a percent rounded, halves to even.
      {1250, "0012"},       {1350, "0014"},       {1251, "0013"},        {989901, "9899"},
  };
  for (const Row& row : rows) {
    Begin(ecrdtTaxRates);
    ComPtr<IQAVECRTaxRates> rates = TaxRates({row.rate});
    bool ok = false;
    ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteTaxRates(rates.Get(), r); }, &ok), S_OK);
    EXPECT_EQ(Sent(), (std::vector<std::string>{row.text, "0000", "0000", "0000", "0000", "0000"})) << row.rate;
  }
  // Any data type other than the extended one writes six rates.
  Begin(ecrdtCashier);
  ComPtr<IQAVECRTaxRates> seven = TaxRates({1 * kUnit, 2 * kUnit, 3 * kUnit, 4 * kUnit, 5 * kUnit, 6 * kUnit, 7 * kUnit});
  bool ok = false;
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteTaxRates(seven.Get(), r); }, &ok), S_OK);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"0100", "0200", "0300"}))
      << "the cashier packet has three fields; the rates beyond them are dropped";
}

TEST_F(ProgrammingOfflineTest, DiscountCardDiscountsInTenths) {
  struct Row {
    LONGLONG discount;
    std::string tenths;
  } rows[] = {
      {125 * kUnit / 10, "125"}, {5 * kUnit, "50"}, {0, "0"},
      // Rounded, halves to even.
      {500, "0"},                 {1500, "2"},       {1501, "2"}, {-1500, "-2"},
  };
  for (const Row& row : rows) {
    Begin(ecrdtDiscountCard);
    ComPtr<IQAVECRDiscountCard> card = Card({row.discount});
    bool ok = false;
    ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteDiscountCard(card.Get(), ecrwmInsert, r); }, &ok), S_OK);
    ASSERT_EQ(Sent().size(), 17u);
    EXPECT_EQ(Sent()[1], row.tenths) << row.discount;
    EXPECT_EQ(Sent()[2], "0") << "a discount past the card's list";
  }
}

TEST_F(ProgrammingOfflineTest, FlagWordBytesAndSpeedCode) {
  ComPtr<IQAVECRFlags> flags;
  ASSERT_EQ(e()->get_Flags(flags.Out()), S_OK);
  ComPtr<IQAVECRCommOptions> options;
  ASSERT_EQ(e()->get_CommOptions(options.Out()), S_OK);
  struct Row {
    LONG dataType;
    LONG keyboard, print, misc, sale;
    LONG speed;
    std::vector<std::string> fields;
  } rows[] = {
      // Speed codes; any other speed leaves the field as the packet was made.
      {ecrdtFlags, 0, 0, 0, 0, 2400, {"3", "1", "9", "0", "0", "0", "0"}},
      {ecrdtFlags, 0, 0, 0, 0, 4800, {"3", "1", "9", "1", "0", "0", "0"}},
      {ecrdtFlags, 0, 0, 0, 0, 9600, {"3", "1", "9", "2", "0", "0", "0"}},
      {ecrdtFlags, 0, 0, 0, 0, 19200, {"3", "1", "9", "3", "0", "0", "0"}},
      {ecrdtFlags, 0, 0, 0, 0, 115200, {"3", "1", "9", "<as created>", "0", "0", "0"}},
      // Bits 0 (code keys only), 15 (print inaccessible), 20 (online).
      {ecrdtFlags, ecrkfCodeKeysOnly, ecrpfPrintInaccessibleDirectly, ecrftOnline, 0, 9600,
       {"3", "1", "9", "2", "1", "128", "16"}},
      // The short word drops bits 24 and above.
      {ecrdtFlags, ecrkfPLUChangesLocked, 0, ecrftNoDiscountsFromCard, ecrsfPriceInPennies, 9600,
       {"3", "1", "9", "2", "0", "0", "0"}},
      // The extended word: bytes 0-4 from field 6; field 5 as made.
      {ecrdtFlagsEx, ecrkfPLUChangesLocked, 0, ecrftNoDiscountsFromCard, ecrsfPriceInPennies, 9600,
       {"3", "1", "9", "2", "<as created>", "0", "0", "0", "65", "2"}},
      {ecrdtFlagsEx, ecrkfCodeKeysOnly, ecrpfPrintInaccessibleDirectly, ecrftOnline,
       ecrsfDepartment42WithoutDiscount, 19200, {"3", "1", "9", "3", "<as created>", "1", "128", "16", "0", "1"}},
  };
  flags->put_ScalesCodeType(3);
  flags->put_ScalesType(1);
  flags->put_PLUStaling(9);
  for (const Row& row : rows) {
    flags->put_Keyboard(row.keyboard);
    flags->put_Print(row.print);
    flags->put_Misc(row.misc);
    flags->put_Sale(row.sale);
    options->put_Speed(row.speed);
    Begin(row.dataType);
    bool ok = false;
    ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteFlags(r); }, &ok), S_OK) << LastDescription();
    EXPECT_TRUE(ok);
    EXPECT_EQ(Sent(), row.fields) << "data type " << row.dataType << ", speed " << row.speed;
  }
}

TEST_F(ProgrammingOfflineTest, FlagBytesMergeIntoTheWord) {
  ComPtr<IQAVECRFlags> flags;
  ASSERT_EQ(e()->get_Flags(flags.Out()), S_OK);
  struct Row {
    LONG dataType;
    std::vector<LONG> bytes;  // from field 5
    std::uint64_t word;
  } rows[] = {
      {ecrdtFlags, {0x01, 0x80, 0x10}, (1ull << 0) | (1ull << 15) | (1ull << 20)},
      {ecrdtFlags, {0xFF, 0xFF, 0xFF}, 0xFFFFFFull & ~((1ull << 18) | (7ull << 21))},
      // Extended: field 5 is not read; field 10 = 1 is bit 32, field 9 = 255 bits 24-31.
      {ecrdtFlagsEx, {0xFF, 0, 0, 0, 0, 1}, 1ull << 32},
      {ecrdtFlagsEx, {0, 0, 0, 0, 0xFF, 0}, 0xFF000000ull},
      {ecrdtFlagsEx, {0, 0x08, 0, 0, 0, 0x02}, (1ull << 3) | (1ull << 33)},
  };
  for (const Row& row : rows) {
    Begin(row.dataType);
    std::vector<Variant> fields{Variant::I4(1), Variant::I4(2), Variant::I4(3), Variant::I4(0)};
    for (LONG b : row.bytes) fields.push_back(Variant::I4(b));
    Serve(row.dataType == ecrdtFlags ? "A" : "s", fields);
    flags->put_Power(1);
    bool ok = false;
    ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->ReadFlags(r); }, &ok), S_OK) << LastDescription();
    EXPECT_TRUE(ok);
    EXPECT_EQ(engine_.GetFlagsWord(), row.word) << "data type " << row.dataType;
    LONG power = 0, staling = 0;
    flags->get_Power(&power);
    flags->get_PLUStaling(&staling);
    EXPECT_EQ(power, 1) << "power is not in the word";
    EXPECT_EQ(staling, 3);
  }
}

TEST_F(ProgrammingOfflineTest, MembersThatCheckTheDataTypeRefuseOthers) {
  ComPtr<IQAVECRPLU> plu = Article(ecrptPLU, 0);
  struct Row {
    const char* member;
    bool reads;
    std::function<HRESULT(VARIANT_BOOL*)> call;
  } rows[] = {
      {"ReadPLU", true, [&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); }},
      {"WritePLU", false, [&](VARIANT_BOOL* r) { return e()->WritePLU(plu.Get(), ecrwmInsert, r); }},
      {"ReadFlags", true, [&](VARIANT_BOOL* r) { return e()->ReadFlags(r); }},
      {"WriteFlags", false, [&](VARIANT_BOOL* r) { return e()->WriteFlags(r); }},
  };
  for (const Row& row : rows) {
    Begin(ecrdtCashier);
    Serve("D", {Variant::Ansi("K1"), Variant::Ansi("Anna"), Variant::Ansi("1")});
    const int readsBefore = engine_.reads;
    bool ok = true;
    ASSERT_EQ(Run(row.call, &ok), S_OK) << row.member;
    EXPECT_FALSE(ok) << row.member;
    EXPECT_EQ(engine_.LastErrorCode(), ecrecUnknownDataType) << row.member;
    EXPECT_EQ(AnsiToUtf8(engine_.LastErrorMessage()), "Nieznany typ danych...");
    EXPECT_TRUE(engine_.sent.empty()) << row.member << " sent its packet";
    // A reader has taken the packet by then.
    EXPECT_EQ(engine_.reads - readsBefore, row.reads ? 1 : 0) << row.member;
    engine_.incoming.clear();
  }
  // An article change cannot be read.
  Begin(ecrdtPLUChange);
  Serve("I", {});
  bool ok = true;
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); }, &ok), S_OK);
  EXPECT_FALSE(ok);
  EXPECT_EQ(engine_.LastErrorCode(), ecrecUnknownDataType);
}

TEST_F(ProgrammingOfflineTest, NoPacketLeavesTheRecordAsItWas) {
  Begin(ecrdtPLU);
  ComPtr<IQAVECRPLU> plu = Article(ecrptPacking, 5);
  bool ok = true;
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); }, &ok), S_OK);
  EXPECT_FALSE(ok);
  EXPECT_EQ(engine_.LastErrorCode(), qzlvpeNoData);
  const auto& v = dynamic_cast<TQAVECRPLU&>(*plu.Get()).Values();
  EXPECT_EQ(v.Long(PLUProperty::PLUAttributes), 5);
  EXPECT_EQ(Utf8(v.Text(PLUProperty::Code)), "5901234");

  // A data type without a packet identifier makes no write packet: 10000.
  engine_.DoBeginWrite(99);
  ComPtr<IQAVECRCashier> cashier = Cashier();
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteCashier(cashier.Get(), r); }, &ok), S_OK);
  EXPECT_FALSE(ok);
  EXPECT_EQ(engine_.LastErrorCode(), ecrecUnknownDataType);
  EXPECT_TRUE(engine_.sent.empty());
}

TEST_F(ProgrammingOfflineTest, ANullRecordFailsWithEPointerAndTakesNoPacket) {
  using Member = std::function<HRESULT(VARIANT_BOOL*)>;
  const std::pair<const char*, Member> members[] = {
      {"ReadCashier", [&](VARIANT_BOOL* r) { return e()->ReadCashier(nullptr, r); }},
      {"WriteCashier", [&](VARIANT_BOOL* r) { return e()->WriteCashier(nullptr, r); }},
      {"ReadDiscounts", [&](VARIANT_BOOL* r) { return e()->ReadDiscounts(nullptr, r); }},
      {"WriteDiscounts", [&](VARIANT_BOOL* r) { return e()->WriteDiscounts(nullptr, r); }},
      {"ReadTaxRates", [&](VARIANT_BOOL* r) { return e()->ReadTaxRates(nullptr, r); }},
      {"WriteTaxRates", [&](VARIANT_BOOL* r) { return e()->WriteTaxRates(nullptr, r); }},
      {"ReadHALO", [&](VARIANT_BOOL* r) { return e()->ReadHALO(nullptr, r); }},
      {"WriteHALO", [&](VARIANT_BOOL* r) { return e()->WriteHALO(nullptr, r); }},
      {"ReadPLU", [&](VARIANT_BOOL* r) { return e()->ReadPLU(nullptr, r); }},
      {"WritePLU", [&](VARIANT_BOOL* r) { return e()->WritePLU(nullptr, 0, r); }},
      {"ReadPLUShortcutRec", [&](VARIANT_BOOL* r) { return e()->ReadPLUShortcutRec(nullptr, r); }},
      {"WritePLUShortcutRec", [&](VARIANT_BOOL* r) { return e()->WritePLUShortcutRec(nullptr, r); }},
      {"ReadDateTime", [&](VARIANT_BOOL* r) { return e()->ReadDateTime(nullptr, r); }},
      {"ReadLinkedCodeRec", [&](VARIANT_BOOL* r) { return e()->ReadLinkedCodeRec(nullptr, r); }},
      {"WriteLinkedCodeRec", [&](VARIANT_BOOL* r) { return e()->WriteLinkedCodeRec(nullptr, r); }},
      {"WriteDiscountCard", [&](VARIANT_BOOL* r) { return e()->WriteDiscountCard(nullptr, 0, r); }},
      {"ReadDiscountCard", [&](VARIANT_BOOL* r) { return e()->ReadDiscountCard(nullptr, r); }},
      {"ReadVersion", [&](VARIANT_BOOL* r) { return e()->ReadVersion(nullptr, r); }},
      {"ReadStatus", [&](VARIANT_BOOL* r) { return e()->ReadStatus(nullptr, r); }},
  };
  Begin(ecrdtCashier);
  Serve("D", {});
  for (const auto& [name, member] : members) {
    bool ok = true;
    EXPECT_EQ(Run(member, &ok), E_POINTER) << name;
    EXPECT_FALSE(ok) << name;
    EXPECT_FALSE(LastDescription().empty()) << name;
  }
  EXPECT_EQ(engine_.reads, 0);
  EXPECT_TRUE(engine_.sent.empty());
}

// Field values that do not convert, Null, values out of range: the member
// fails with a description that names the field; nothing is sent, the record
// keeps what was stored before the failing field.
TEST_F(ProgrammingOfflineTest, BadFieldsFailTheReaderWithADescription) {
  const Variant article[] = {Variant::I4(1),        Variant::Ansi("5901"), Variant::Ansi("KAWA"),
                             Variant::Ansi("9.99"), Variant::Ansi("A"),    Variant::I4(2),
                             Variant::Ansi("10000"), Variant::I4(1),       Variant::I4(1),
                             Variant::Ansi("")};
  struct Row {
    const char* what;
    LONG dataType;
    const char* id;
    LONG field;  // 1-based; replaced with `value`
    Variant value;
    const char* mentions;
  } rows[] = {
      {"text in a price", ecrdtPLU, "I", 4, Variant::Ansi("12,3zł"), "Field 4"},
      {"Null in a precision", ecrdtPLU, "I", 6, Variant::Null(), "Field 6"},
      {"a price past the currency's range", ecrdtPLU, "I", 4, Variant::R8(1e300), "Field 4"},
      {"an index past a long", ecrdtPLU, "I", 8, Variant::Ansi("99999999999"), "Field 8"},
      {"Null attributes", ecrdtPLU, "I", 7, Variant::Null(), "Field 7"},
  };
  for (const Row& row : rows) {
    Begin(row.dataType);
    std::vector<Variant> fields(std::begin(article), std::end(article));
    fields[static_cast<std::size_t>(row.field - 1)] = row.value;
    Serve(row.id, fields);
    ComPtr<IQAVECRPLU> plu = Article(ecrptPLU, 5);
    bool ok = true;
    const HRESULT hr = Run([&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); }, &ok);
    EXPECT_TRUE(FAILED(hr)) << row.what;
    EXPECT_FALSE(ok);
    const std::string description = LastDescription();
    EXPECT_NE(description.find(row.mentions), std::string::npos) << row.what << ": " << description;
    EXPECT_EQ(engine_.LastErrorCode(), 0) << "unchanged by the failure";
    // Fields before the failing one are stored.
    const auto& v = dynamic_cast<TQAVECRPLU&>(*plu.Get()).Values();
    EXPECT_EQ(Utf8(v.Text(PLUProperty::Code)), "5901") << row.what;
  }

  // The flag word's bytes: Null, a text.
  const std::pair<Variant, const char*> flagFields[] = {
      {Variant::Null(), "Field 6"},
      {Variant::Ansi("x1"), "Field 6"},
  };
  for (const auto& [value, mentions] : flagFields) {
    Begin(ecrdtFlags);
    engine_.SetFlagsWord(1ull << 20);
    Serve("A", {Variant::I4(0), Variant::I4(0), Variant::I4(0), Variant::I4(0), Variant::I4(1), value, Variant::I4(0)});
    bool ok = true;
    EXPECT_TRUE(FAILED(Run([&](VARIANT_BOOL* r) { return e()->ReadFlags(r); }, &ok))) << Text(value);
    const std::string description = LastDescription();
    EXPECT_NE(description.find(mentions), std::string::npos) << description;
    EXPECT_EQ(engine_.GetFlagsWord(), 1ull << 20) << "the word is stored whole or not at all";
  }

  // Tax rates, HALO, discounts, discount card: a text where money belongs.
  ComPtr<IQAVECRTaxRates> rates = TaxRates({kUnit});
  ComPtr<IQAVECRHALO> halo = HALO({kUnit});
  ComPtr<IQAVECRDiscounts> discounts = Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts);
  ComPtr<IQAVECRDiscountCard> card = Card({kUnit});
  struct ListRow {
    const char* what;
    LONG dataType;
    const char* id;
    std::function<HRESULT(VARIANT_BOOL*)> read;
  } lists[] = {
      {"tax rates", ecrdtTaxRates, "K", [&](VARIANT_BOOL* r) { return e()->ReadTaxRates(rates.Get(), r); }},
      {"HALO", ecrdtHALO, "E", [&](VARIANT_BOOL* r) { return e()->ReadHALO(halo.Get(), r); }},
      {"discounts", ecrdtDiscounts, "G", [&](VARIANT_BOOL* r) { return e()->ReadDiscounts(discounts.Get(), r); }},
      {"discount card", ecrdtDiscountCard, "j", [&](VARIANT_BOOL* r) { return e()->ReadDiscountCard(card.Get(), r); }},
  };
  for (const ListRow& row : lists) {
    Begin(row.dataType);
    Serve(row.id, {Variant::Ansi("5"), Variant::Ansi("abc")});
    bool ok = true;
    EXPECT_TRUE(FAILED(Run(row.read, &ok))) << row.what;
    const std::string description = LastDescription();
    EXPECT_NE(description.find("Field 2"), std::string::npos) << row.what << ": " << description;
  }
  // A list is cleared and holds what came before the failing field.
  EXPECT_EQ(dynamic_cast<TQAVECRTaxRates&>(*rates.Get()).Rates().size(), 1u);
  EXPECT_EQ(HALOValues(halo.Get()), (std::vector<LONGLONG>{50000}));
}

// A value that its field on the register cannot take is refused as the
// control's other failures are: through IDispatch the member succeeds and
// answers False, LastErrorCode and LastErrorMessage name an invalid packet,
// nothing is sent, and a refused flag word is not stored.
TEST_F(ProgrammingOfflineTest, ValuesTheRegisterCannotTakeAnswerFalseAndSendNothing) {
  ComPtr<IQAVECRTaxRates> negative = TaxRates({23 * kUnit, -kUnit / 20});
  // 922337203685.4775 tenths do not fit the register's integer.
  ComPtr<IQAVECRDiscountCard> huge = Card({5 * kUnit, 922337203685477LL});
  // Amounts wider than their fields (ten characters of hundredths for a price
  // and a HALO limit, eight for a discount) would be cut to other amounts.
  ComPtr<IQAVECRPLU> pricey = Article(ecrptPLU, 0);
  pricey->put_Price(CY{9223372036854775807LL});
  ComPtr<IQAVECRHALO> wideLimit = HALO({5 * kUnit, 100000000 * kUnit});
  ComPtr<IQAVECRDiscounts> wideDiscount = Create<IQAVECRDiscounts>(CLSID_QAVECRDiscounts);
  VARIANT_BOOL added;
  wideDiscount->Add(ecrdtMaxAmountMarkUp, Money(1000000 * kUnit), nullptr, &added);
  // A flag record whose field 6 holds BYTE.
  auto flagBytes = [](Variant byte) {
    std::vector<Variant> fields(7, Variant::I4(0));
    fields[5] = std::move(byte);
    return fields;
  };
  struct Row {
    const char* what;
    LONG dataType;
    const char16_t* member;
    std::vector<Variant> args;
    std::vector<Variant> served;  // the register's flag record, for the reader
  } rows[] = {
      {"a negative tax rate", ecrdtTaxRates, u"WriteTaxRates", {Variant::Dispatch(negative.Get())}, {}},
      {"a huge card discount", ecrdtDiscountCard, u"WriteDiscountCard",
       {Variant::Dispatch(huge.Get()), Variant::I4(ecrwmInsert)}, {}},
      {"a huge price", ecrdtPLU, u"WritePLU", {Variant::Dispatch(pricey.Get()), Variant::I4(ecrwmInsert)}, {}},
      {"a HALO limit of 100000000", ecrdtHALO, u"WriteHALO", {Variant::Dispatch(wideLimit.Get())}, {}},
      {"a discount of 1000000", ecrdtDiscounts, u"WriteDiscounts", {Variant::Dispatch(wideDiscount.Get())}, {}},
      {"a flag byte of 256", ecrdtFlags, u"ReadFlags", {}, flagBytes(Variant::I4(256))},
      {"a flag byte of -1", ecrdtFlags, u"ReadFlags", {}, flagBytes(Variant::I4(-1))},
  };
  for (const Row& row : rows) {
    Begin(row.dataType);
    if (!row.served.empty()) Serve("A", row.served);
    engine_.SetFlagsWord(1ull << 20);
    Variant result;
    ASSERT_EQ(Invoke(row.member, row.args, &result), S_OK) << row.what << ": " << LastDescription();
    EXPECT_EQ(result.vt, VT_BOOL) << row.what;
    EXPECT_EQ(result.boolVal, VARIANT_FALSE) << row.what;
    EXPECT_EQ(engine_.LastErrorCode(), qzlvpeInvalidPacket) << row.what;
    EXPECT_EQ(AnsiToUtf8(engine_.LastErrorMessage()), "Nieprawidłowa budowa pakietu") << row.what;
    EXPECT_TRUE(engine_.sent.empty()) << row.what;
    EXPECT_EQ(engine_.GetFlagsWord(), 1ull << 20) << row.what << ": the word is stored whole or not at all";
  }

  // The widest amounts that fit, and amounts the field rounds, are sent.
  ComPtr<IQAVECRHALO> fitting = HALO({99999999 * kUnit + 9900, 123450, -5 * kUnit});
  Begin(ecrdtHALO);
  bool ok = false;
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteHALO(fitting.Get(), r); }, &ok), S_OK) << LastDescription();
  EXPECT_TRUE(ok);
  EXPECT_EQ(engine_.sent.size(), 1u);
  EXPECT_EQ(engine_.LastErrorCode(), 0);
}

TEST_F(ProgrammingOfflineTest, FieldsAreConvertedAsVariantsConvert) {
  // Numeric text is trimmed; a Boolean becomes True/False in a text field;
  // a field the packet does not carry (Empty) reads as 0 or "".
  Begin(ecrdtPLU);
  Serve("I", {Variant::I4(1), Variant::Bool(true), Variant::Bool(false), Variant::Ansi("  12.5 "), Variant::Ansi("A"),
              Variant::Ansi(" 3 ")});
  ComPtr<IQAVECRPLU> plu = Article(ecrptPacking, 5);
  bool ok = false;
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); }, &ok), S_OK) << LastDescription();
  EXPECT_TRUE(ok);
  const auto& v = dynamic_cast<TQAVECRPLU&>(*plu.Get()).Values();
  EXPECT_EQ(Utf8(v.Text(PLUProperty::Code)), "True");
  EXPECT_EQ(Utf8(v.Text(PLUProperty::Name)), "False");
  EXPECT_EQ(v.Currency(PLUProperty::Price).int64, 125000);
  EXPECT_EQ(v.Long(PLUProperty::Precision), 3);
  // Fields 7-10 were not given: the record takes what the packet holds.
  EXPECT_EQ(v.Long(PLUProperty::DepartmentIndex), 0);
  EXPECT_EQ(v.Long(PLUProperty::PLUType), ecrptPLU);

  // Date and time: two dates add as numbers, two texts join, Null fails.
  struct Row {
    Variant date, time;
    bool converts;
    DATE expected;
  } rows[] = {
      {Variant::Date(37755.0), Variant::Date(0.4375), true, 37755.4375},
      {Variant::Ansi("2003-05-14 "), Variant::Ansi("10:30"), true, 37755.4375},
      {Variant::Date(37755.0), Variant::Null(), false, 0},
      {Variant::Ansi("14 maja"), Variant::Date(0.5), false, 0},
  };
  for (const Row& row : rows) {
    Begin(ecrdtDateTime);
    Serve("L", {row.date, row.time});
    DATE when = -1;
    const HRESULT hr = Run([&](VARIANT_BOOL* r) { return e()->ReadDateTime(&when, r); }, &ok);
    EXPECT_EQ(SUCCEEDED(hr), row.converts) << Text(row.date) << " + " << Text(row.time);
    if (row.converts) {
      EXPECT_DOUBLE_EQ(when, row.expected);
    } else {
      EXPECT_EQ(when, -1) << "unchanged";
      EXPECT_FALSE(LastDescription().empty());
    }
  }
}

// Texts the register sent short: a character that is not there is a flag not
// set, and an article text without its fourth character is a plain article.
TEST_F(ProgrammingOfflineTest, ShortAttributeAndStateTextsLeaveFlagsUnset) {
  struct Row {
    LONG dataType;
    const char* text;
    LONG attributes;
    LONG type;
  } rows[] = {
      {ecrdtPLU, "1", ecrpaPriceOpen, ecrptPLU},
      {ecrdtPLU, "101", ecrpaPriceOpen | ecrpaAutoRepeat, ecrptPLU},
      {ecrdtPLU, "0001", 0, ecrptPacking},
      {ecrdtPLU, "", 0, ecrptPLU},
      {ecrdtDepartment, "", 0, ecrptDepartment},
      {ecrdtDepartment, "01", ecrpaPriceFixed, ecrptDepartment},
  };
  for (const Row& row : rows) {
    Begin(row.dataType);
    std::vector<Variant> fields(10, Variant::I4(1));
    fields[row.dataType == ecrdtPLU ? 6 : 5] = Variant::Ansi(row.text);
    Serve(row.dataType == ecrdtPLU ? "I" : "H", fields);
    ComPtr<IQAVECRPLU> plu = Article(ecrptPacking, -1);
    bool ok = false;
    ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->ReadPLU(plu.Get(), r); }, &ok), S_OK) << LastDescription();
    const auto& v = dynamic_cast<TQAVECRPLU&>(*plu.Get()).Values();
    EXPECT_EQ(v.Long(PLUProperty::PLUAttributes), row.attributes) << "\"" << row.text << "\"";
    EXPECT_EQ(v.Long(PLUProperty::PLUType), row.type) << "\"" << row.text << "\"";
  }

  struct StateRow {
    const char* text;
    bool clientDisplay, paperOut, printerError;
  } states[] = {{"", false, false, false}, {"0", true, false, false}, {"01", true, true, false}};
  for (const StateRow& row : states) {
    Begin(ecrdtStatus);
    Serve("p", {Variant::I4(1), Variant::I4(0), Variant::I4(0), Variant::I4(0), Variant::Ansi("a"),
                Variant::Ansi("b"), Variant::Ansi("c"), Variant::Ansi(row.text)});
    ComPtr<IQAVECRStatus> status = Create<IQAVECRStatus>(CLSID_QAVECRStatus);
    status->put_PaperOut(VARIANT_TRUE);
    status->put_PrintingDeviceError(VARIANT_TRUE);
    bool ok = false;
    ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->ReadStatus(status.Get(), r); }, &ok), S_OK);
    const auto& v = dynamic_cast<TQAVECRStatus&>(*status.Get()).Values();
    EXPECT_EQ(v.Bool(StatusProperty::ClientDisplay), row.clientDisplay) << "\"" << row.text << "\"";
    EXPECT_EQ(v.Bool(StatusProperty::PaperOut), row.paperOut) << "\"" << row.text << "\"";
    EXPECT_EQ(v.Bool(StatusProperty::PrintingDeviceError), row.printerError) << "\"" << row.text << "\"";
  }
}

TEST_F(ProgrammingOfflineTest, HALOLimitsPastThePacketAreDropped) {
  ComPtr<IQAVECRHALO> halo = HALO({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
  Begin(ecrdtHALO);
  bool ok = false;
  ASSERT_EQ(Run([&](VARIANT_BOOL* r) { return e()->WriteHALO(halo.Get(), r); }, &ok), S_OK) << LastDescription();
  EXPECT_TRUE(ok);
  ASSERT_EQ(engine_.sent.back().size(), 15u);
  EXPECT_EQ(engine_.sent.back()[14].cyVal.int64, 15);
}

}  // namespace
}  // namespace corvatin
