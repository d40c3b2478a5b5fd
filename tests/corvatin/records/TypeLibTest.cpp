// The control's type library checked against the published tables, and the
// registration that it drives (ProgIDs and the control's keys).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/CorvatinTypeLib.h"
#include "corvatin/PublishedCoclasses.h"
#include "platform/com/registry.h"

namespace corvatin {
namespace {

const com::TypeLibDesc& Lib() { return CorvatinTypeLib(); }

const com::InterfaceDesc* FindItf(const std::string& name) {
  for (const com::InterfaceDesc* i : Lib().interfaces)
    if (i->name == name) return i;
  return nullptr;
}

TEST(CorvatinTypeLibTest, LibraryIdentityAndImports) {
  EXPECT_EQ(Lib().name, "Corvatin");
  EXPECT_EQ(Lib().helpString, "Corvatin Library");
  EXPECT_EQ(GuidToString(Lib().libid), "{F12219B3-3DCC-4BE2-918A-4198087115C7}");
  EXPECT_EQ(Lib().Version(), "1.0");
  EXPECT_EQ(Lib().lcid, 0x409u);
  EXPECT_EQ(Lib().flags, com::kLibControl);

  ASSERT_EQ(Lib().imports.size(), 2u);
  EXPECT_EQ(GuidToString(Lib().imports[0].libid), "{00020430-0000-0000-C000-000000000046}");
  EXPECT_EQ(Lib().imports[0].majorVersion, 2);
  const com::ImportDesc& zelvani = Lib().imports[1];
  EXPECT_EQ(GuidToString(zelvani.libid), "{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}");
  EXPECT_EQ(zelvani.fileName, "Zelvani.dll");
  ASSERT_EQ(zelvani.interfaces.size(), 1u);
  EXPECT_EQ(zelvani.interfaces[0].first, "IQAVZLVDeviceStatistics");
  EXPECT_EQ(GuidToString(zelvani.interfaces[0].second), "{3A2F9238-DDB1-4C4E-BF5B-7D1E4AC2EF3D}");
  // The imported interface is referred to, not described again here.
  EXPECT_EQ(Lib().FindInterface(IQAVZLVDeviceStatistics::Iid), nullptr);
}

// Every coclass of the published table: CLSID, help string, default interface
// with its IID, help string and number of accessor and method entries.
TEST(CorvatinTypeLibTest, CoclassesWithTheirInterfaces) {
  ASSERT_EQ(Lib().coclasses.size(), std::size(kPublishedCoclasses));
  for (const PublishedCoclass& r : kPublishedCoclasses) {
    const com::CoclassDesc* c = Lib().FindCoclass(r.coclass);
    ASSERT_NE(c, nullptr) << r.coclass;
    EXPECT_EQ(GuidToString(c->clsid), r.clsid) << r.coclass;
    EXPECT_EQ(c->helpString, r.help) << r.coclass;
    ASSERT_NE(c->defaultInterface, nullptr) << r.coclass;
    const com::InterfaceDesc& d = *c->defaultInterface;
    EXPECT_EQ(d.name, r.itf) << r.coclass;
    EXPECT_EQ(GuidToString(d.iid), r.iid) << r.coclass;
    EXPECT_EQ(d.base, nullptr) << r.coclass;
    EXPECT_EQ(d.helpString, std::string("Dispatch interface for ") + r.help) << r.coclass;
    EXPECT_EQ(d.members.size(), r.entries) << r.coclass;
    // Only the control is a control, and only it has a source interface.
    const bool control = std::string(r.coclass) == "QAVECR";
    EXPECT_EQ((c->flags & com::kTypeControl) != 0, control) << r.coclass;
    EXPECT_EQ(c->sourceInterface != nullptr, control) << r.coclass;
  }
}

// Each member is a read followed by its write, and the C++ header declares the
// same interfaces: the library's interface list is exactly the coclasses'
// default interfaces plus the events interface, each once.
TEST(CorvatinTypeLibTest, InterfaceListAndAccessorPairs) {
  std::set<std::string> names;
  for (const com::InterfaceDesc* d : Lib().interfaces) {
    EXPECT_TRUE(names.insert(d->name).second) << d->name << " listed twice";
    for (std::size_t i = 0; i < d->members.size(); ++i) {
      const com::MemberDesc& m = d->members[i];
      if (m.kind != com::MemberKind::PropPut) continue;
      ASSERT_GT(i, 0u) << d->name << "." << m.name;
      EXPECT_EQ(d->members[i - 1].kind, com::MemberKind::PropGet) << d->name << "." << m.name;
      EXPECT_EQ(d->members[i - 1].name, m.name) << d->name;
      EXPECT_EQ(d->members[i - 1].dispid, m.dispid) << d->name << "." << m.name;
    }
  }
  EXPECT_EQ(names.size(), 30u);
  for (const com::CoclassDesc& c : Lib().coclasses) EXPECT_EQ(names.count(c.defaultInterface->name), 1u) << c.name;
  EXPECT_EQ(names.count("IQAVECREvents"), 1u);
}

TEST(CorvatinTypeLibTest, EventsInterfaceHasOnClickAsTwo) {
  const com::CoclassDesc* control = Lib().FindCoclass("QAVECR");
  ASSERT_NE(control, nullptr);
  ASSERT_NE(control->sourceInterface, nullptr);
  const com::InterfaceDesc& events = *control->sourceInterface;
  EXPECT_EQ(events.name, "IQAVECREvents");
  EXPECT_EQ(GuidToString(events.iid), "{9F36EBE1-95ED-4372-84C3-38A02CB98D11}");
  EXPECT_EQ(events.helpString, "Events interface for QAVECR Control");
  ASSERT_EQ(events.members.size(), 1u);
  EXPECT_EQ(events.members[0].name, "OnClick");
  EXPECT_EQ(events.members[0].dispid, 2);
  EXPECT_TRUE(events.members[0].params.empty());
  EXPECT_EQ(events.FindName(u"OnClick"), 2);
}

std::string MemberList(const com::InterfaceDesc& d) {
  std::string s;
  for (const com::MemberDesc& m : d.members) {
    if (!s.empty()) s += ' ';
    s += m.name + "/" +
         (m.kind == com::MemberKind::PropGet   ? "g"
          : m.kind == com::MemberKind::PropPut ? "p"
                                               : "m") +
         "/" + std::to_string(m.dispid);
  }
  return s;
}

// Members in slot order as "name/kind/DISPID" (g read, p write, m method), for
// the interfaces whose tables publish DISPIDs. The control's members published
// without one carry the free numbers in slot order; AboutBox the about-box DISPID.
TEST(CorvatinTypeLibTest, MembersInSlotOrderWithDispids) {
  std::map<std::string, std::string> expected = {
      {"IQAVECR",
       "Version/g/2 PacketLibraryFile/g/4 PacketLibraryFile/p/4 CommOptions/g/5 Flags/g/6 ECRNumber/g/7 "
       "ECRNumber/p/7 ID/g/10 ID/p/10 EOF/g/19 LastPacketSent/g/20 LastPacketReceived/g/21 LastErrorCode/g/23 "
       "LastErrorMessage/g/30 AutoReadNativeError/g/31 AutoReadNativeError/p/31 LastNativeErrorCode/g/33 "
       "LastNativeErrorMessage/g/35 Driver/g/45 Driver/p/45 KeepConnection/g/46 KeepConnection/p/46 "
       "Statistics/g/50 BeginRead/m/51 ConfirmRead/m/52 Connect/m/53 Disconnect/m/54 ResetCommunication/m/55 "
       "BeginWrite/m/56 EndWrite/m/58 ReadNextRecordType/m/59 ReadFlags/m/38 WriteFlags/m/44 ReadText/m/60 "
       "WriteText/m/63 ReadIdentifier/m/61 WriteIdentifier/m/62 ReadCashier/m/13 WriteCashier/m/15 "
       "ReadDiscounts/m/17 WriteDiscounts/m/18 ReadTaxRates/m/25 WriteTaxRates/m/26 ReadHALO/m/28 WriteHALO/m/29 "
       "ReadPLU/m/8 WritePLU/m/37 ReadPLUShortcutRec/m/39 WritePLUShortcutRec/m/41 ReadDateTime/m/42 "
       "WriteDateTime/m/43 ReadCashReport/m/1 ReadCashierSaleRec/m/3 ReadPLUSaleRec/m/16 ReadSaleRec/m/11 "
       "ReadResetRec/m/12 ReadTaxChangeRec/m/14 ReadSaleSummaryRec/m/24 ReadSummaryReport/m/27 "
       "SetCurrentReceipt/m/64 ReadReceiptItem/m/22 ReadReceiptSummary/m/32 ReadReceiptDiscountCard/m/34 "
       "ReadHourlyReportRec/m/36 ReadLinkedCodeRec/m/40 WriteLinkedCodeRec/m/47 WriteDiscountCard/m/49 "
       "ReadDiscountCard/m/48 Refresh/m/65 ReadVersion/m/9 ReadStatus/m/57 ReadError/m/66 ChangeDevice/m/67 "
       "AboutBox/m/-552 EditPacketLibraryFile/m/68"},
      {"IQAVECRCashier",
       "Name/g/1 Name/p/1 Password/g/2 Password/p/2 FirstName/g/3 FirstName/p/3 Surname/g/4 Surname/p/4 "
       "Code/g/5 Code/p/5 Index/g/6 Index/p/6"},
      {"IQAVECRPLUShortcutRec",
       "KeyIndex/g/1 KeyIndex/p/1 Code/g/2 Code/p/2 Name/g/3 Name/p/3 EAN/g/5 EAN/p/5 Index/g/6 Index/p/6"},
      {"IQAVECRTaxRates",
       "Count/g/1 Values/g/2 Values/p/2 Names/g/3 Names/p/3 Add/m/4 Delete/m/5 Clear/m/6"},
      {"IQAVECRHALO", "Count/g/1 Values/g/5 Values/p/5 Add/m/6 Delete/m/7 Clear/m/2"},
      {"IQAVECRDiscounts", "Count/g/2 Items/g/3 Add/m/5 Delete/m/6 Clear/m/7 FindFirst/m/1 FindNext/m/4"},
      {"IQAVECRDiscountCard",
       "DiscountsCount/g/1 Discounts/g/2 AddDiscount/m/3 DeleteDiscount/m/4 ClearDiscounts/m/5 CardName/g/12 "
       "CardName/p/12 IdentifierPosition/g/6 IdentifierPosition/p/6 IdentifierLength/g/7 IdentifierLength/p/7 "
       "IdentifierTemplate/g/8 IdentifierTemplate/p/8 DatePosition/g/9 DatePosition/p/9 DateLength/g/10 "
       "DateLength/p/10 DiscountIdentifierPosition/g/11 DiscountIdentifierPosition/p/11"},
      {"IQAVECRFlags",
       "Sale/g/9 Sale/p/9 Print/g/2 Print/p/2 Keyboard/g/3 Keyboard/p/3 Scales/g/4 Scales/p/4 Power/g/5 Power/p/5 "
       "Misc/g/6 Misc/p/6 ScalesCodeType/g/1 ScalesCodeType/p/1 ScalesType/g/7 ScalesType/p/7 PLUStaling/g/8 "
       "PLUStaling/p/8"},
      {"IQAVECRCashReport", "Amounts/g/3 Counters/g/1"},
      {"IQAVECRCashierSaleRec", "Cashier/g/3 Amounts/g/4 Counters/g/5"},
      {"IQAVECRHourlyReportRec", "Hour/g/1 Hour/p/1 Amounts/g/2 Counters/g/3"},
      {"IQAVECRSaleRec",
       "ReportType/g/11 ReportType/p/11 Date/g/8 Date/p/8 Number/g/1 Number/p/1 Sale/g/2 Counters/g/12 "
       "Amounts/g/3 TaxRates/g/10 Attributes/g/9 Attributes/p/9"},
      {"IQAVECRResetRec",
       "ResetType/g/4 ResetType/p/4 Date/g/5 Date/p/5 Time/g/1 Time/p/1 Reason/g/2 Reason/p/2 Number/g/3 "
       "Number/p/3"},
      {"IQAVECRTaxChangeRec", "Date/g/1 Date/p/1 TaxRates/g/2"},
      {"IQAVECRReceiptSummary",
       "ItemsCount/g/1 ItemsCount/p/1 Date/g/3 Date/p/3 Time/g/7 Time/p/7 Cashier/g/9 Amounts/g/8 "
       "ReceiptNumber/g/4 ReceiptNumber/p/4 PrintOutNumber/g/10 PrintOutNumber/p/10 ECRNumber/g/11 "
       "ECRNumber/p/11"},
      {"IQAVECRReceiptDiscountCard", "CardName/g/12 CardName/p/12 CardCode/g/1 CardCode/p/1 Discount/g/2 Discount/p/2"},
  };
  for (const auto& [name, members] : expected) {
    const com::InterfaceDesc* d = FindItf(name);
    ASSERT_NE(d, nullptr) << name;
    EXPECT_EQ(MemberList(*d), members) << name;
  }
}

// Plain properties published as (name, DISPID) in slot order, checked against
// the description; the records with long tables are here.
TEST(CorvatinTypeLibTest, RecordPropertyDispids) {
  struct Row {
    const char* itf;
    std::vector<std::pair<const char*, DISPID>> props;
  } rows[] = {
      {"IQAVECRPLU",
       {{"Name", 2}, {"Code", 3}, {"Index", 4}, {"EAN", 5}, {"ShortName", 6}, {"PLUType", 1}, {"Price", 7},
        {"DepartmentIndex", 8}, {"DepartmentCode", 9}, {"ContainerIndex", 10}, {"ContainerCode", 11},
        {"LinkedIndex", 12}, {"LinkedCode", 13}, {"TaxRateIndex", 14}, {"TaxRateName", 15}, {"TaxRate", 16},
        {"PLUAttributes", 17}, {"HALOIndex", 18}, {"HALOAmount", 19}, {"Precision", 20}}},
      {"IQAVECRPLUSaleRec",
       {{"Name", 2}, {"Code", 1}, {"Index", 7}, {"EAN", 8}, {"Quantity", 4}, {"ReturnedQuantity", 12}, {"Price", 9},
        {"AveragePrice", 5}, {"Amount", 3}, {"ReturnedAmount", 13}, {"Discount", 10}, {"Share", 6},
        {"PLUType", 11}}},
      {"IQAVECRReceiptItem",
       {{"ItemType", 1}, {"Name", 3}, {"Code", 2}, {"EAN", 10}, {"Index", 9}, {"TaxRateIndex", 13},
        {"TaxRateName", 12}, {"TaxRate", 4}, {"QuantityPrecision", 5}, {"Quantity", 6}, {"Price", 7}, {"Value", 8},
        {"DiscountValue", 11}, {"DiscountType", 14}}},
      {"IQAVECRLinkedCodeRec", {{"Code", 1}, {"LinkedCode", 2}}},
      {"IQAVECRDiscount", {{"DiscountType", 1}, {"Value", 2}, {"Info", 3}}},
  };
  for (const Row& r : rows) {
    const com::InterfaceDesc* d = FindItf(r.itf);
    ASSERT_NE(d, nullptr) << r.itf;
    std::vector<std::pair<std::string, DISPID>> actual, wanted;
    for (const com::MemberDesc& m : d->members)
      if (m.kind == com::MemberKind::PropGet) actual.emplace_back(m.name, m.dispid);
    for (const auto& [n, id] : r.props) wanted.emplace_back(n, id);
    EXPECT_EQ(actual, wanted) << r.itf;
  }
}

// Dates travel as DATE, currency as CY, and the optional texts of Amounts.Add
// default to empty, so a script host may leave them out.
TEST(CorvatinTypeLibTest, ParameterTypesAndDefaults) {
  const com::InterfaceDesc* control = FindItf("IQAVECR");
  ASSERT_NE(control, nullptr);
  const com::MemberDesc* read = control->Find(42, com::MemberKind::Method);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->params.size(), 1u);
  EXPECT_EQ(read->params[0].vt, VT_DATE | VT_BYREF);
  const com::MemberDesc* write = control->Find(43, com::MemberKind::Method);
  ASSERT_NE(write, nullptr);
  EXPECT_EQ(write->params[0].vt, VT_DATE);
  const com::MemberDesc* readError = control->Find(66, com::MemberKind::Method);
  ASSERT_NE(readError, nullptr);
  ASSERT_EQ(readError->params.size(), 4u);
  EXPECT_EQ(readError->params[0].vt, VT_I4 | VT_BYREF);
  EXPECT_EQ(readError->params[3].vt, VT_BSTR | VT_BYREF);
  EXPECT_EQ(control->Find(50, com::MemberKind::PropGet)->result, VT_DISPATCH);

  const com::InterfaceDesc* saleRec = FindItf("IQAVECRSaleRec");
  EXPECT_EQ(saleRec->Find(8, com::MemberKind::PropGet)->result, VT_DATE);
  EXPECT_EQ(saleRec->Find(8, com::MemberKind::PropPut)->params[0].vt, VT_DATE);
  EXPECT_EQ(FindItf("IQAVECRResetRec")->Find(1, com::MemberKind::PropGet)->result, VT_DATE);
  EXPECT_EQ(FindItf("IQAVECRReceiptSummary")->Find(7, com::MemberKind::PropGet)->result, VT_DATE);
  EXPECT_EQ(FindItf("IQAVECRTaxChangeRec")->Find(1, com::MemberKind::PropGet)->result, VT_DATE);

  const com::MemberDesc* add = FindItf("IQAVECRAmounts")->Find(3, com::MemberKind::Method);
  ASSERT_NE(add, nullptr);
  ASSERT_EQ(add->params.size(), 4u);
  EXPECT_FALSE(add->params[0].optional);
  EXPECT_EQ(add->params[1].vt, VT_CY);
  for (std::size_t i : {2u, 3u}) {
    EXPECT_TRUE(add->params[i].hasDefault) << add->params[i].name;
    EXPECT_EQ(add->params[i].defaultValue.vt, VT_BSTR);
  }
}

// The 25 enumerations: GUID, number of constants, and sample rows (first, last
// and the odd ones).
TEST(CorvatinTypeLibTest, Enumerations) {
  struct Row {
    const char* name;
    const char* guid;
    std::size_t count;
    std::vector<std::pair<std::string, LONG>> samples;
  } rows[] = {
      {"QAVECRDiscountType", "{450D4E77-EABE-4B38-90B5-936F3F809307}", 10,
       {{"ecrdtStdPercentageDiscount", 0}, {"ecrdtMaxAmountMarkUp", 7}, {"ecrdtAmount", 9}}},
      {"QAVECRAmountType", "{D89351B3-9DCD-489B-BF66-C7AB905B1642}", 22,
       {{"ecratCash", 0}, {"ecratVoucher", 1}, {"ecratCheque", 2}, {"ecratTotal", 20}, {"ecratPackingBalance", 21}}},
      {"QAVECRResetType", "{77494B55-FE6B-46D1-AA00-AA4F975ACC14}", 2, {{"ecrrtRAMReset", 0}, {"ecrrtPLUReset", 1}}},
      {"QAVECRRangeType", "{09636739-47B1-437B-89DA-BBFD80CB9BD8}", 4, {{"ecrrtNone", 0}, {"ecrrtDates", 3}}},
      {"QAVECRTransmissionType", "{CC3F8AE7-33CB-4BEC-A4E8-851150F67E15}", 3,
       {{"ecrttReading", 0}, {"ecrttReadingResettingReport", 2}}},
      {"QAVECRReceiptItemType", "{5290DBCB-0A42-48CD-B822-789EBC515A9E}", 4,
       {{"ecritDepartmentSale", 0}, {"ecritPackingReturn", 3}}},
      {"QAVECRDataType", "{37961EBC-9DBD-41F4-887A-8B03DDE20EE5}", 42,
       {{"ecrdtFlags", 0}, {"ecrdtUniqueID", 12}, {"ecrdtECRNumber", 14}, {"ecrdtReceiptReportEx", 30},
        {"ecrdtDailyReportEx", 37}, {"ecrdtUniqueIDEx", 41}}},
      {"QAVECRReadMode", "{9D01AF15-2602-4ED1-AF63-5A5418D14E36}", 2, {{"ecrrmNotResetting", 0}, {"ecrrmResetting", 1}}},
      {"QAVECRWriteMode", "{97B2F2B5-225B-4B11-A44E-5C304E7E4528}", 4,
       {{"ecrwmInsertOrUpdate", 0}, {"ecrwmDelete", 3}}},
      {"QAVECRCounterType", "{564D653C-A5E3-4158-ADDC-DA646056B641}", 13,
       {{"ecrctReceipts", 0}, {"ecrctPrintouts", 7}, {"ecrctPLUChanges", 12}}},
      {"QAVECRSaleRecAttributes", "{C98A13F9-E141-43DB-81FC-4F863D2B88D1}", 3,
       {{"ecratResetOccured", 1}, {"ecratPLUChangeOccured", 4}}},
      {"QAVECRPrintFlags", "{49188473-3E81-416C-9D42-88EC05F6B372}", 13,
       {{"ecrpfPrintTOTAL", 1}, {"ecrpfPrintInaccessibleDirectly", 512}, {"ecrpfEconomyPrint", 4096}}},
      {"QAVECRKeyboardFlags", "{E88FF05D-BF2D-4815-8209-CF0DA1EE398B}", 4,
       {{"ecrkfCodeKeysOnly", 1}, {"ecrkfPLUChangesLocked", 8}}},
      {"QAVECRScalesFlags", "{838E1E08-D145-4343-B0B9-A383AA7D1740}", 2,
       {{"ecrsfScalesConnected", 1}, {"ecrsfScales2Connected", 2}}},
      {"QAVECRPowerFlags", "{E28149A8-7094-4E43-91B4-B890DC4CAD0B}", 1, {{"ecrpfBatteryIllumination", 1}}},
      {"QAVECRSaleFlags", "{AEA3E93A-4A61-4408-BD00-7FCE3A93BC93}", 3,
       {{"ecrsfPriceInPennies", 1}, {"ecrsfDepartment42WithoutDiscount", 4}}},
      {"QAVECRMiscFlags", "{D07C9BDA-81EF-49CC-96D2-2E922BFA59DB}", 9,
       {{"ecrftCheckDrawer", 1}, {"ecrftOnline", 4}, {"ecrftNoDiscountsFromCard", 256}}},
      {"QAVECRErrorCode", "{A06289B4-D054-4B23-97D3-FE55354FB928}", 8,
       {{"ecrecUnknownDataType", 10000}, {"ecrecModeSwitchFailed", 10004}, {"ecrecUnknownDeviceType", 10007}}},
      {"QAVECRPLUAttributes", "{A615CCBE-8618-42FC-B4FD-255EB40C60E0}", 4,
       {{"ecrpaPriceOpen", 1}, {"ecrpaSingleSale", 8}}},
      {"QAVECRNextRecordType", "{0D791E7B-09DD-4DBF-9651-25E8B2836BE5}", 7,
       {{"ecrnrSaleRec", 0}, {"ecrnrReceiptDiscountCard", 6}}},
      {"QAVECRResetReason", "{93E25D12-E553-4A83-B4B3-7D5B537C6FAA}", 2, {{"ecrrrError", 0}, {"ecrrrForced", 1}}},
      {"QAVECRParity", "{E98F4832-6455-4C22-A3ED-D58E2ECF4B21}", 3, {{"ecrptNone", 0}, {"ecrptEven", 2}}},
      {"QAVECRFlowControl", "{7DA3CC50-83C9-463A-B567-1278E4AB8316}", 3, {{"ecrfcNone", 0}, {"ecrfcRTS_CTS", 2}}},
      {"QAVECRDeviceType", "{BD851D19-27FF-42A4-B760-F5702E932BB6}", 3,
       {{"ecrdtCommDevice", 0}, {"ecrdtQAVTandrelDevice", 2}}},
      {"QAVECRPLUType", "{A5F7E1EF-703A-4C92-93CB-FC3E365596C6}", 3, {{"ecrptPLU", 0}, {"ecrptPacking", 2}}},
  };
  ASSERT_EQ(Lib().enums.size(), std::size(rows));
  std::set<std::string> constantNames;
  for (const Row& r : rows) {
    const com::EnumDesc* e = Lib().FindEnum(r.name);
    ASSERT_NE(e, nullptr) << r.name;
    EXPECT_EQ(GuidToString(e->guid), r.guid) << r.name;
    EXPECT_EQ(e->constants.size(), r.count) << r.name;
    for (const auto& sample : r.samples)
      EXPECT_NE(std::find_if(e->constants.begin(), e->constants.end(),
                             [&](const com::EnumConstant& c) { return c.name == sample.first && c.value == sample.second; }),
                e->constants.end())
          << r.name << "." << sample.first;
    for (const auto& c : e->constants) EXPECT_TRUE(constantNames.insert(c.name).second) << c.name << " twice";
  }
}

// Registration into a temporary registry: the library as a control library,
// each registered class under "Corvatin.<coclass>", the control with the keys a
// container looks for.
class CorvatinRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("corvatin-typelib-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    if (const char* old = std::getenv("PLATFORM_REGISTRY")) saved_ = old;
    setenv("PLATFORM_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    registry::ResetCacheForTests();
    // The control's own class registers when the control is linked in; without
    // it, a factory that makes nothing stands in, for the keys alone.
    if (!CorvatinModule().HasClass(CLSID_QAVECR))
      CorvatinModule().AddClass(CLSID_QAVECR, [](REFIID, void**) -> HRESULT { return E_NOTIMPL; });
  }
  void TearDown() override {
    if (saved_.empty())
      unsetenv("PLATFORM_REGISTRY");
    else
      setenv("PLATFORM_REGISTRY", saved_.c_str(), 1);
    registry::ResetCacheForTests();
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
  std::string saved_;
};

TEST_F(CorvatinRegistrationTest, WritesProgIdsAndControlKeys) {
  ASSERT_EQ(CorvatinModule().RegisterServer(), S_OK);
  const std::string path = CorvatinModule().Path();
  const std::string libKey = "HKEY_CLASSES_ROOT\\TypeLib\\{F12219B3-3DCC-4BE2-918A-4198087115C7}\\1.0";
  EXPECT_EQ(registry::GetValue(libKey), "Corvatin Library");
  EXPECT_EQ(registry::GetValue(libKey + "\\FLAGS"), "2");
  EXPECT_EQ(registry::GetValue(libKey + "\\409\\linux64"), path);

  std::size_t registered = 0;
  for (const com::CoclassDesc& c : Lib().coclasses) {
    if (!CorvatinModule().HasClass(c.clsid)) continue;
    ++registered;
    const std::string clsid = GuidToString(c.clsid);
    const std::string progId = "Corvatin." + c.name;
    const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + clsid;
    EXPECT_EQ(registry::GetValue(key), c.helpString) << c.name;
    EXPECT_EQ(registry::GetValue(key + "\\ProgID"), progId) << c.name;
    EXPECT_EQ(registry::GetValue(key + "\\InprocServer32"), path) << c.name;
    EXPECT_EQ(registry::GetValue(key + "\\InprocServer32", "ThreadingModel"), "Apartment") << c.name;
    EXPECT_EQ(registry::GetValue("HKEY_CLASSES_ROOT\\" + progId + "\\Clsid"), clsid) << c.name;
    // Only the control carries the control keys.
    EXPECT_EQ(registry::GetValue(key + "\\Control").has_value(), c.name == "QAVECR") << c.name;
  }
  EXPECT_GE(registered, 1u);

  const std::string control = "HKEY_CLASSES_ROOT\\CLSID\\{B4F82C16-873D-4120-9731-227DB4A13B0F}";
  EXPECT_EQ(registry::GetValue(control + "\\Control"), "");
  EXPECT_EQ(registry::GetValue(control + "\\MiscStatus"), "0");
  // 0x12402 with the class library's control flags 0x20191.
  EXPECT_EQ(registry::GetValue(control + "\\MiscStatus\\1"), "206227");
  EXPECT_EQ(registry::GetValue(control + "\\ToolboxBitmap32"), path + ", 2");
  EXPECT_EQ(registry::GetValue(control + "\\TypeLib"), "{F12219B3-3DCC-4BE2-918A-4198087115C7}");
  EXPECT_EQ(registry::GetValue(control + "\\Version"), "1.0");
  EXPECT_EQ(registry::GetValue("HKEY_CLASSES_ROOT\\Corvatin.QAVECR"), "QAVECR Control");

  // Unregistration removes the control's keys with its class key.
  ASSERT_EQ(CorvatinModule().UnregisterServer(), S_OK);
  EXPECT_FALSE(registry::GetValue(control + "\\MiscStatus\\1").has_value());
  EXPECT_FALSE(registry::GetValue("HKEY_CLASSES_ROOT\\Corvatin.QAVECR\\Clsid").has_value());
  EXPECT_FALSE(registry::GetValue(libKey).has_value());
}

}  // namespace
}  // namespace corvatin
