// Reading both type libraries as an object browser or a script host does: the
// registration tool writes both modules into a registry of the test's own, and
// each library is loaded by its LIBID and version and walked through ITypeLib
// and ITypeInfo only. The types are checked against the published tables of
// the two libraries (names, GUIDs, member counts, DISPIDs, parameters and
// defaults, constant values, help strings); the control's Statistics type
// resolves into the engine's library; and every creatable object of both
// modules answers its interface's type info. This program links neither module.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <system_error>

#include "corvatin/Corvatin.h"
#include "corvatin/PublishedCoclasses.h"
#include "platform/com/activation.h"
#include "platform/com/ansi.h"
#include "platform/com/registry.h"
#include "platform/com/typeinfo.h"
#include "platform/com/TypeInfoReading.h"

namespace corvatin {
namespace {

using namespace typeinfo_reading;

ComPtr<ITypeInfo> Of(ITypeLib* lib, const char* guid) {
  GUID g{};
  EXPECT_TRUE(TryParseGuid(guid, g)) << guid;
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(lib->GetTypeInfoOfGuid(g, info.Out()), S_OK) << guid;
  return info;
}

// The index of the first function of an interface view with that DISPID.
UINT FuncIndex(ITypeInfo* info, MEMBERID memid) {
  Attr a(info);
  for (UINT i = 0; i < a->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    EXPECT_EQ(info->GetFuncDesc(i, &f), S_OK);
    MEMBERID id = f->memid;
    info->ReleaseFuncDesc(f);
    if (id == memid) return i;
  }
  ADD_FAILURE() << "no function with DISPID " << memid;
  return 0;
}

class TypeLibHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvatin-typelib-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = new std::string(pattern);
    setenv("PLATFORM_REGISTRY", (*dir_ + "/registry.reg").c_str(), 1);
    setenv("PLATFORM_SYSTEM_DIR", CORVATIN_DATA_DIR, 1);
    for (const char* module : {ZELVANI_MODULE_PATH, CORVATIN_MODULE_PATH}) {
      const std::string cmd = std::string(COMREG_PATH) + " " + module + " > /dev/null";
      ASSERT_EQ(std::system(cmd.c_str()), 0) << module;
    }
    registry::ResetCacheForTests();  // the tool wrote the registry file behind this process's back
  }
  static void TearDownTestSuite() {
    unsetenv("PLATFORM_REGISTRY");
    unsetenv("PLATFORM_SYSTEM_DIR");
    registry::ResetCacheForTests();
    std::error_code ignored;
    std::filesystem::remove_all(*dir_, ignored);
    delete dir_;
  }
  void SetUp() override {
    ASSERT_EQ(LoadRegTypeLib(LIBID_Zelvani, 1, 0, 0x409, zelvani.Out()), S_OK);
    ASSERT_EQ(LoadRegTypeLib(LIBID_Corvatin, 1, 0, 0x409, corvatin.Out()), S_OK);
  }

  // Checks a library's identity and returns its type kinds' counts.
  static std::map<TYPEKIND, int> Census(ITypeLib* lib, const GUID& libid, WORD flags, const char* name,
                                        const char* help) {
    ExpectLibrary(lib, libid, 1, 0, flags, name, help);
    std::map<TYPEKIND, int> kinds;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
      TYPEKIND k{};
      EXPECT_EQ(lib->GetTypeInfoType(i, &k), S_OK);
      ++kinds[k];
    }
    return kinds;
  }

  static std::string* dir_;
  ComPtr<ITypeLib> zelvani;
  ComPtr<ITypeLib> corvatin;
};

std::string* TypeLibHostTest::dir_ = nullptr;

TEST_F(TypeLibHostTest, TheEnginesLibraryMatchesItsPublishedTables) {
  auto kinds = Census(zelvani.Get(), LIBID_Zelvani, 0, "Zelvani", "Zelvani Library");
  EXPECT_EQ(kinds[TKIND_DISPATCH], 21);
  EXPECT_EQ(kinds[TKIND_COCLASS], 24);
  EXPECT_EQ(kinds[TKIND_ENUM], 12);

  struct Row {
    const char* name;
    const char* iid;
    const char* base;
    const char* help;
    int members;  // property reads and writes counted apart
  } rows[] = {
      {"IQAVZLVDevice", "{3682FAEB-B42A-40BD-90FC-3CA8AAC79717}", "IDispatch", "", 28},
      {"IQAVZLVProtocol", "{6CDE30D1-0E4F-4F70-AB44-AFF2369D3357}", "IDispatch", "Dispatch interface for QAVZLVProtocol Object", 12},
      {"IQAVZLVPacketLibrary", "{7BE115AE-028C-4022-BF90-F45028328E9D}", "IDispatch", "Dispatch interface for QAVZLVPacketLibrary Object", 17},
      {"IQAVZLVPacketDef", "{5D8567E0-2A6A-4633-AFD6-FC68AD16E174}", "IDispatch", "Dispatch interface for QAVZLVPacketDef Object", 13},
      {"IQAVZLVFieldDef", "{2F8870FA-739F-4116-8C58-B56F15EFF598}", "IDispatch", "Dispatch interface for QAVZLVFieldDef Object", 30},
      {"IQAVZLVPacket", "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", "IDispatch", "Dispatch interface for QAVZLVPacket Object", 22},
      {"IDispatchCollection", "{F5CED7D5-A77D-4E04-9E21-4F06F27EB59B}", "IDispatch", "", 3},
      {"IQAVZLVFieldDefs", "{31BADCE2-878A-49FF-87F7-4719C2ACE635}", "IDispatchCollection", "Dispatch interface for QAVZLVFieldDefs Object", 6},
      {"IQAVZLVPacketDefs", "{15B4B75E-8F78-4C14-8987-DE8FA4053604}", "IDispatchCollection", "Dispatch interface for QAVZLVPacketDefs Object", 8},
      {"IQAVZLVFileDriver", "{85ECD6CC-7BF5-4AA7-83EF-C44E31B35EDC}", "IDispatch", "Parser for standard text file compatible with DOS QuelmDrv", 40},
      {"IQAVZLVDeviceStatistics", "{3A2F9238-DDB1-4C4E-BF5B-7D1E4AC2EF3D}", "IDispatch", "Dispatch interface for QAVZLVDeviceStatistics Object", 5},
      {"IQAVZLVFrame", "{5C0F7AFB-A5EA-44B9-B255-D28A8FA89BCF}", "IDispatch", "Dispatch interface for QAVZLVPacketStruct Object", 11},
      {"IQAVZLVFrameItem", "{F962AD15-7EE7-46E9-81E4-6949616F6E5F}", "IDispatch", "Dispatch interface for QAVZLVPacketStructItem Object", 21},
      {"IQAVZLVFrameItems", "{8DC8687D-2300-4B59-B3B3-39194A9156D4}", "IDispatchCollection", "Dispatch interface for QAVZLVPacketStructItems Object", 6},
      {"IQAVZLVFrames", "{093419CF-B886-458C-ADF1-9D9EDFD37EA5}", "IDispatchCollection", "Dispatch interface for QAVZLVPacketStructs Object", 10},
      {"IQAVZLVValue", "{82BB545F-E443-4D7B-B070-DAD47FF95054}", "IDispatch", "Dispatch interface for QAVZLVValue Object", 2},
      {"IQAVZLVValues", "{A91FF574-E9A3-449B-97A1-8E22DA647905}", "IDispatchCollection", "Dispatch interface for QAVZLVValues Object", 3},
      {"IQAVZLVFlowItem", "{C031F029-0709-489B-AA15-9F8A94A80C79}", "IDispatch", "Dispatch interface for QAVZLVFlowDef Object", 23},
      {"IQAVZLVFlowItems", "{4FF9A09E-9B8F-4192-97BE-90B8FB165DA1}", "IDispatchCollection", "Dispatch interface for QAVZLVFlowDefItems Object", 10},
      {"IQAVZLVFlow", "{C1444D91-E11D-40E3-9290-A47F892D99A9}", "IDispatch", "Dispatch interface for QAVZLVFlowDef Object", 9},
      {"IQAVZLVFlows", "{75C4D15D-9C1E-44BA-B1CD-44A165A8CF37}", "IDispatchCollection", "Dispatch interface for QAVZLVFlowDefs Object", 15},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ComPtr<ITypeInfo> dispatch = Of(zelvani.Get(), r.iid);
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(NameOf(dispatch.Get()), r.name);
    EXPECT_EQ(HelpOf(dispatch.Get()), r.help);
    EXPECT_EQ(Attr(dispatch.Get())->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
    ComPtr<ITypeInfo> vtable = Ref(dispatch.Get(), static_cast<UINT>(-1));
    EXPECT_EQ(Attr(vtable.Get())->cFuncs, r.members);
    EXPECT_EQ(NameOf(Ref(vtable.Get(), 0).Get()), r.base);
  }

  // The standard OLE library, imported for IDispatch.
  ComPtr<ITypeInfo> idispatch = Ref(Of(zelvani.Get(), rows[0].iid).Get(), 0);
  ASSERT_NO_FATAL_FAILURE(ExpectFromStandardOleLibrary(idispatch.Get()));

  // Coclasses: the hidden device, a help string, the default interface.
  ComPtr<ITypeInfo> device = Of(zelvani.Get(), "{2EA02094-104A-4A35-861E-F6DBD8E6497C}");
  EXPECT_EQ(Attr(device.Get())->wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FHIDDEN);
  ComPtr<ITypeInfo> driver = Of(zelvani.Get(), "{ABB1FF2E-088E-4553-96F0-24193430644A}");
  EXPECT_EQ(NameOf(driver.Get()), "QAVZLVFileDriver");
  EXPECT_EQ(HelpOf(driver.Get()), "QAVZLVTFParser Object");
  EXPECT_EQ(Attr(driver.Get())->wTypeFlags, TYPEFLAG_FCANCREATE);
  EXPECT_EQ(NameOf(Ref(driver.Get(), 0).Get()), "IQAVZLVFileDriver");
}

TEST_F(TypeLibHostTest, MembersHaveTheirDispidsParametersDefaultsAndHelpStrings) {
  struct Row {
    ITypeLib* lib;
    const char* itf;
    MEMBERID memid;
    std::vector<std::string> names;
    std::string help;
  } rows[] = {
      {zelvani.Get(), "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", 9, {"Length"}, "Returns length of packet data"},
      {zelvani.Get(), "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", 4, {"FieldsCount"}, "Count of packets fields"},
      {zelvani.Get(), "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", 3, {"DefinitionIndex"},
       "Index of packet definition object for this packet in the packetdefs collection"},
      {zelvani.Get(), "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", 10, {"LoadDefaults"},
       "Loads default values for packet fields"},
      {zelvani.Get(), "{D96D00FC-15A3-4625-A86F-508FD35D9F63}", 5, {"FieldValues", "Index"}, ""},
      {zelvani.Get(), "{2F8870FA-739F-4116-8C58-B56F15EFF598}", 14, {"PasteValue", "Buffer", "Value", "Offset"}, ""},
      {zelvani.Get(), "{8DC8687D-2300-4B59-B3B3-39194A9156D4}", 6, {"FindByID", "ID", "ItemType"}, ""},
      {zelvani.Get(), "{8DC8687D-2300-4B59-B3B3-39194A9156D4}", 1, {"Count"}, ""},  // inherited
      {corvatin.Get(), "{58E4AA82-A409-4591-BAE7-DF9FE476F4BD}", 51,
       {"BeginRead", "DataType", "RangeBeg", "RangeEnd", "RangeType", "ReadMode"}, ""},
      {corvatin.Get(), "{58E4AA82-A409-4591-BAE7-DF9FE476F4BD}", -552, {"AboutBox"}, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.names[0]);
    ComPtr<ITypeInfo> info = Of(r.lib, r.itf);
    ASSERT_TRUE(info);
    EXPECT_EQ(NamesOf(info.Get(), r.memid), r.names);
    EXPECT_EQ(HelpOf(info.Get(), r.memid), r.help);
    std::u16string wide = Utf8ToWide(r.names[0]);
    LPOLESTR name[] = {wide.data()};
    MEMBERID id = 0;
    EXPECT_EQ(info->GetIDsOfNames(name, 1, &id), S_OK);
    EXPECT_EQ(id, r.memid);
  }

  // Optional parameters with their defaults, and a DATE passed by reference.
  struct Param {
    ITypeLib* lib;
    const char* itf;
    MEMBERID memid;
    int param;
    VARTYPE vt;
    USHORT flags;
    LONG defaultValue;
  } params[] = {
      {zelvani.Get(), "{2F8870FA-739F-4116-8C58-B56F15EFF598}", 14, 2, VT_I4, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, -1},
      {zelvani.Get(), "{8DC8687D-2300-4B59-B3B3-39194A9156D4}", 6, 1, VT_I4, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, 0},
      {zelvani.Get(), "{8DC8687D-2300-4B59-B3B3-39194A9156D4}", 6, 0, VT_BSTR, PARAMFLAG_FIN, 0},
      {corvatin.Get(), "{58E4AA82-A409-4591-BAE7-DF9FE476F4BD}", 42, 0, VT_PTR, PARAMFLAG_FIN | PARAMFLAG_FOUT, 0},
  };
  for (const Param& p : params) {
    SCOPED_TRACE(std::to_string(p.memid) + "/" + std::to_string(p.param));
    ComPtr<ITypeInfo> info = Of(p.lib, p.itf);
    FUNCDESC* f = nullptr;
    ASSERT_EQ(info->GetFuncDesc(FuncIndex(info.Get(), p.memid), &f), S_OK);
    const ELEMDESC& e = f->lprgelemdescParam[p.param];
    EXPECT_EQ(e.tdesc.vt, p.vt);
    if (p.vt == VT_PTR) {
      EXPECT_EQ(e.tdesc.lptdesc->vt, VT_DATE);
    }
    EXPECT_EQ(e.paramdesc.wParamFlags, p.flags);
    if (p.flags & PARAMFLAG_FHASDEFAULT) {
      EXPECT_EQ(e.paramdesc.pparamdescex->varDefaultValue.lVal, p.defaultValue);
    }
    info->ReleaseFuncDesc(f);
  }
}

TEST_F(TypeLibHostTest, EnumerationConstantsHaveTheirValuesAndTexts) {
  struct Row {
    ITypeLib* lib;
    const char* guid;
    const char* enumName;
    int count;
    int index;  // of the sampled constant
    const char* name;
    LONG value;
    const char* help;
  } rows[] = {
      {zelvani.Get(), "{26FD1FAD-99FB-4520-A164-3E35D21FF8AC}", "QAVZLVDataConversion", 11, 0, "qzlvdcNone", 0,
       "no conversion is needed"},
      // Hundredths and thousands share their text.
      {zelvani.Get(), "{26FD1FAD-99FB-4520-A164-3E35D21FF8AC}", "QAVZLVDataConversion", 11, 3, "qzlvdcThousands", 4,
       "convert from/to hundredths of monetary unit"},
      {zelvani.Get(), "{26FD1FAD-99FB-4520-A164-3E35D21FF8AC}", "QAVZLVDataConversion", 11, 9,
       "qzlvdcStringTerminated", 256, "string is terminated with specific char if shorter than field size"},
      {zelvani.Get(), "{BE10D972-B0B2-4FD4-A580-FDF7CFB5E300}", "QAVZLVFlowFlags", 11, 0, "qzlvffSendIfOK", 1,
       "wyślij jeżeli odebrano prawidłowe dane"},
      // The published text, its spelling included.
      {zelvani.Get(), "{BE10D972-B0B2-4FD4-A580-FDF7CFB5E300}", "QAVZLVFlowFlags", 11, 5, "qzlvffRejectedIfReceived",
       32, "jeżeli odebrano, to wysłane dane zostały zaakceptowane, ale z powodu błedu w nich zostały odrzucone"},
      {zelvani.Get(), "{BE10D972-B0B2-4FD4-A580-FDF7CFB5E300}", "QAVZLVFlowFlags", 11, 10, "qzlvffEndTransmission",
       1024, "po wykonaniu zakończ transmisję"},
      {zelvani.Get(), "{356EE39F-025E-40A7-A045-BC0C40DB2646}", "QAVZLVDelimitedStrOptions", 7, 6, "qzlvdsoDefault",
       12294, ""},
      {corvatin.Get(), "{A06289B4-D054-4B23-97D3-FE55354FB928}", "QAVECRErrorCode", 8, 7, "ecrecUnknownDeviceType",
       10007, ""},
      {corvatin.Get(), "{37961EBC-9DBD-41F4-887A-8B03DDE20EE5}", "QAVECRDataType", 42, 41, "ecrdtUniqueIDEx", 41, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ComPtr<ITypeInfo> info = Of(r.lib, r.guid);
    ASSERT_TRUE(info);
    EXPECT_EQ(NameOf(info.Get()), r.enumName);
    Attr a(info.Get());
    EXPECT_EQ(a->typekind, TKIND_ENUM);
    EXPECT_EQ(a->cVars, r.count);
    VARDESC* v = nullptr;
    ASSERT_EQ(info->GetVarDesc(r.index, &v), S_OK);
    EXPECT_EQ(v->varkind, VAR_CONST);
    EXPECT_EQ(v->lpvarValue->lVal, r.value);
    EXPECT_EQ(NameOf(info.Get(), v->memid), r.name);
    EXPECT_EQ(HelpOf(info.Get(), v->memid), r.help);
    info->ReleaseVarDesc(v);
  }
}

TEST_F(TypeLibHostTest, TheControlsLibraryMatchesItsPublishedTables) {
  auto kinds = Census(corvatin.Get(), LIBID_Corvatin, LIBFLAG_FCONTROL, "Corvatin", "Corvatin Library");
  EXPECT_EQ(kinds[TKIND_DISPATCH], 30);
  EXPECT_EQ(kinds[TKIND_COCLASS], 29);
  EXPECT_EQ(kinds[TKIND_ENUM], 25);

  for (const PublishedCoclass& r : kPublishedCoclasses) {
    SCOPED_TRACE(r.coclass);
    ComPtr<ITypeInfo> coclass = Of(corvatin.Get(), r.clsid);
    ASSERT_TRUE(coclass);
    EXPECT_EQ(NameOf(coclass.Get()), r.coclass);
    EXPECT_EQ(HelpOf(coclass.Get()), r.help);
    const bool control = std::string(r.coclass) == "QAVECR";
    EXPECT_EQ(Attr(coclass.Get())->wTypeFlags, control ? TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL : TYPEFLAG_FCANCREATE);
    EXPECT_EQ(Attr(coclass.Get())->cImplTypes, control ? 2 : 1);
    ComPtr<ITypeInfo> itf = Ref(coclass.Get(), 0);
    EXPECT_EQ(NameOf(itf.Get()), r.itf);
    EXPECT_EQ(GuidToString(Attr(itf.Get())->guid), r.iid);
    EXPECT_EQ(HelpOf(itf.Get()), std::string("Dispatch interface for ") + r.help);
    EXPECT_EQ(Attr(Ref(itf.Get(), static_cast<UINT>(-1)).Get())->cFuncs, r.entries);
  }

  // The events interface: a pure dispatch interface with OnClick at DISPID 2.
  ComPtr<ITypeInfo> events = Of(corvatin.Get(), "{9F36EBE1-95ED-4372-84C3-38A02CB98D11}");
  EXPECT_EQ(NameOf(events.Get()), "IQAVECREvents");
  EXPECT_EQ(HelpOf(events.Get()), "Events interface for QAVECR Control");
  Attr a(events.Get());
  EXPECT_EQ(a->typekind, TKIND_DISPATCH);
  EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FDISPATCHABLE);
  ASSERT_EQ(a->cFuncs, 1);
  FUNCDESC* f = nullptr;
  ASSERT_EQ(events->GetFuncDesc(0, &f), S_OK);
  EXPECT_EQ(f->memid, 2);
  EXPECT_EQ(f->cParams, 0);
  EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_VOID);
  events->ReleaseFuncDesc(f);
}

TEST_F(TypeLibHostTest, TheControlsStatisticsTypeResolvesIntoTheEnginesLibrary) {
  ComPtr<ITypeInfo> control = Of(corvatin.Get(), "{58E4AA82-A409-4591-BAE7-DF9FE476F4BD}");
  ASSERT_TRUE(control);
  FUNCDESC* f = nullptr;
  ASSERT_EQ(control->GetFuncDesc(FuncIndex(control.Get(), 50), &f), S_OK);
  EXPECT_EQ(f->invkind, INVOKE_PROPERTYGET);
  ASSERT_EQ(f->elemdescFunc.tdesc.vt, VT_PTR);
  ASSERT_EQ(f->elemdescFunc.tdesc.lptdesc->vt, VT_USERDEFINED);
  ComPtr<ITypeInfo> statistics;
  ASSERT_EQ(control->GetRefTypeInfo(f->elemdescFunc.tdesc.lptdesc->hreftype, statistics.Out()), S_OK);
  control->ReleaseFuncDesc(f);
  EXPECT_EQ(Attr(statistics.Get())->guid, IQAVZLVDeviceStatistics::Iid);
  EXPECT_EQ(NameOf(statistics.Get()), "IQAVZLVDeviceStatistics");
  ComPtr<ITypeLib> owner;
  UINT index = 0;
  ASSERT_EQ(statistics->GetContainingTypeLib(owner.Out(), &index), S_OK);
  EXPECT_EQ(owner.Get(), zelvani.Get()) << "the engine's own library, as the host loaded it";
}

// Everything an early-binding generator reads, as OLE defines it, for every
// function of both views of every interface of both libraries and of every
// interface they derive from (the standard library's included):
// - the implemented types are exactly the ones cImplTypes counts;
// - a vtable view's size and slots count every function of its bases;
// - cParamsOpt counts the trailing VARIANT parameters a caller may leave out;
//   a parameter with a default carries it in its PARAMDESCEX instead;
// - GetNames gives the function's name and one distinct name per parameter,
//   but for a property put's right-hand side; a member id shared by a get and
//   a put answers with the get's names;
// - every member of a base answers GetNames and GetDocumentation on the
//   derived view as it does on the base.
TEST_F(TypeLibHostTest, AnEarlyBindingGeneratorReadsEveryFunctionAsOleDescribesIt) {
  std::set<ITypeInfo*> seen;
  int functions = 0;
  std::function<void(ITypeInfo*)> visit = [&](ITypeInfo* info) {
    if (!seen.insert(info).second) return;
    const std::string type = NameOf(info);
    SCOPED_TRACE(type);
    Attr a(info);
    for (UINT i = 0; i <= a->cImplTypes; ++i) {
      const HRESULT want = i < a->cImplTypes ? S_OK : TYPE_E_ELEMENTNOTFOUND;
      INT flags = 0;
      HREFTYPE ref = 0;
      EXPECT_EQ(info->GetImplTypeFlags(i, &flags), want) << "implemented type " << i;
      EXPECT_EQ(info->GetRefTypeOfImplType(i, &ref), want) << "implemented type " << i;
    }
    if (a->typekind != TKIND_INTERFACE && a->typekind != TKIND_DISPATCH) return;
    std::vector<ComPtr<ITypeInfo>> bases;
    for (ITypeInfo* b = info; Attr(b)->cImplTypes > 0; b = bases.back().Get()) bases.push_back(Ref(b, 0));
    UINT inherited = 0;
    for (const ComPtr<ITypeInfo>& b : bases) {
      visit(b.Get());
      inherited += Attr(b.Get())->cFuncs;
    }
    const bool vtable = a->typekind == TKIND_INTERFACE;
    if (vtable) {
      EXPECT_EQ(a->cbSizeVft, (inherited + a->cFuncs) * sizeof(void*)) << "the bases' slots and its own";
    }
    std::map<MEMBERID, std::vector<std::string>> firstNames;
    for (UINT i = 0; i < a->cFuncs; ++i) {
      Func f(info, i);
      ++functions;
      const std::vector<std::string> names = NamesOf(info, f->memid);
      SCOPED_TRACE(names.empty() ? std::to_string(f->memid) : names[0]);
      if (vtable) {
        EXPECT_EQ(f->oVft, static_cast<SHORT>((inherited + i) * sizeof(void*)));
      }
      SHORT optional = 0;
      for (SHORT k = f->cParams; k-- > 0;) {
        const PARAMDESC& p = f->lprgelemdescParam[k].paramdesc;
        if (p.wParamFlags & PARAMFLAG_FRETVAL) continue;
        if (!(p.wParamFlags & PARAMFLAG_FOPT) || (p.wParamFlags & PARAMFLAG_FHASDEFAULT) ||
            f->lprgelemdescParam[k].tdesc.vt != VT_VARIANT)
          break;
        ++optional;
      }
      EXPECT_EQ(f->cParamsOpt, optional);
      for (SHORT k = 0; k < f->cParams; ++k) {
        const PARAMDESC& p = f->lprgelemdescParam[k].paramdesc;
        if (p.wParamFlags & PARAMFLAG_FHASDEFAULT) {
          EXPECT_TRUE(p.wParamFlags & PARAMFLAG_FOPT) << "parameter " << k;
          EXPECT_NE(p.pparamdescex, nullptr) << "parameter " << k;
        }
      }
      auto [first, isFirst] = firstNames.emplace(f->memid, names);
      if (!isFirst) {
        EXPECT_EQ(names, first->second) << "the first function of the member id names it";
        continue;
      }
      const bool put = f->invkind == INVOKE_PROPERTYPUT || f->invkind == INVOKE_PROPERTYPUTREF;
      EXPECT_EQ(names.size(), static_cast<std::size_t>(1 + f->cParams - (put ? 1 : 0)));
      EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << "names are distinct";
      for (const std::string& n : names) EXPECT_FALSE(n.empty());
      if (!names.empty()) {
        EXPECT_EQ(NameOf(info, f->memid), names[0]);
      }
    }
    for (const ComPtr<ITypeInfo>& b : bases) {
      for (UINT i = 0; i < Attr(b.Get())->cFuncs; ++i) {
        Func f(b.Get(), i);
        EXPECT_EQ(NamesOf(info, f->memid), NamesOf(b.Get(), f->memid)) << "inherited member " << f->memid;
        EXPECT_EQ(NameOf(info, f->memid), NameOf(b.Get(), f->memid)) << "inherited member " << f->memid;
        EXPECT_EQ(HelpOf(info, f->memid), HelpOf(b.Get(), f->memid)) << "inherited member " << f->memid;
      }
    }
  };
  for (ITypeLib* lib : {zelvani.Get(), corvatin.Get()}) {
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
      ComPtr<ITypeInfo> info;
      ASSERT_EQ(lib->GetTypeInfo(i, info.Out()), S_OK);
      visit(info.Get());
      if (Attr(info.Get())->wTypeFlags & TYPEFLAG_FDUAL) visit(Ref(info.Get(), static_cast<UINT>(-1)).Get());
    }
  }
  EXPECT_GT(functions, 1000) << "both views of every interface were read";

  // Members of the published tables that take defaults: nothing to count.
  struct Row {
    ITypeLib* lib;
    const char* itf;
    MEMBERID memid;
  } rows[] = {
      {zelvani.Get(), "{2F8870FA-739F-4116-8C58-B56F15EFF598}", 14},   // IQAVZLVFieldDef.PasteValue
      {corvatin.Get(), "{358E792B-1765-4A5F-916B-8F1C6C46D209}", 3},  // IQAVECRAmounts.Add
  };
  for (const Row& r : rows) {
    ComPtr<ITypeInfo> dispatch = Of(r.lib, r.itf);
    for (ITypeInfo* view : {dispatch.Get(), Ref(dispatch.Get(), static_cast<UINT>(-1)).Get()}) {
      Func f(view, FuncIndex(view, r.memid));
      EXPECT_EQ(f->cParamsOpt, 0) << NameOf(view) << " " << r.memid;
    }
  }
}

TEST_F(TypeLibHostTest, EveryCreatableObjectAnswersItsInterfacesTypeInfo) {
  int created = 0;
  for (ITypeLib* lib : {zelvani.Get(), corvatin.Get()}) {
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
      ComPtr<ITypeInfo> coclass;
      ASSERT_EQ(lib->GetTypeInfo(i, coclass.Out()), S_OK);
      if (Attr(coclass.Get())->typekind != TKIND_COCLASS || (Attr(coclass.Get())->wTypeFlags & TYPEFLAG_FHIDDEN))
        continue;
      SCOPED_TRACE(NameOf(coclass.Get()));
      ComPtr<IDispatch> object;
      ASSERT_EQ(coclass->CreateInstance(nullptr, IDispatch::Iid, object.OutVoid()), S_OK);
      ++created;
      UINT count = 0;
      ASSERT_EQ(object->GetTypeInfoCount(&count), S_OK);
      EXPECT_EQ(count, 1u);
      ComPtr<ITypeInfo> info;
      ASSERT_EQ(object->GetTypeInfo(0, 0x409, info.Out()), S_OK);
      EXPECT_EQ(Attr(info.Get())->guid, Attr(Ref(coclass.Get(), 0).Get())->guid);
    }
  }
  EXPECT_EQ(created, 23 + 29);
}

TEST_F(TypeLibHostTest, EachModulesFileGivesItsLibrary) {
  ComPtr<ITypeLib> fromFile;
  ASSERT_EQ(LoadTypeLib(Utf8ToWide(CORVATIN_MODULE_PATH).c_str(), fromFile.Out()), S_OK);
  EXPECT_EQ(fromFile.Get(), corvatin.Get());
  BSTR path = nullptr;
  ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_Zelvani, 1, 0, 0x409, &path), S_OK);
  EXPECT_EQ(Text(path), std::filesystem::canonical(ZELVANI_MODULE_PATH).string());
  ITypeLib* missing = nullptr;
  EXPECT_EQ(LoadTypeLib(u"/nonexistent/libnothing.so", &missing), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(missing, nullptr);
}

}  // namespace
}  // namespace corvatin
