// The control driven as a script host drives it: both modules registered with
// the registration tool, the control created by its program identifier, and
// every property and method reached by name alone (GetIDsOfNames, then Invoke)
// through a write and a read against the simulated register, and through
// values the register cannot take (numbers too wide for their fields among
// them, refused rather than cut), which stop no script. And the module
// as it is shipped: libcorvatin.so reaches the packet engine only through the
// object layer, so it does not link libzelvani.so.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "corvatin/Corvatin.h"
#include "platform/com/activation.h"
#include "platform/com/ansi.h"
#include "platform/com/registry.h"
#include "tests/corvatin/control/ECRSimulator.h"

namespace corvatin {
namespace {

constexpr const char* kPort = "COM9";

// Calls through IDispatch by member name, as a script engine does; a failing
// HRESULT fails the test with the member's name and the error's description.
class Script {
 public:
  static Variant Get(IDispatch* object, const char* name) { return Invoke(object, name, DISPATCH_PROPERTYGET, {}); }
  static void Put(IDispatch* object, const char* name, const Variant& value) {
    Invoke(object, name, DISPATCH_PROPERTYPUT, {value});
  }
  // Arguments in the order a script writes them.
  static Variant Call(IDispatch* object, const char* name, std::vector<Variant> args = {}) {
    return Invoke(object, name, DISPATCH_METHOD, std::move(args));
  }
  // Set object = CreateObject(progId)
  static ComPtr<IDispatch> CreateObject(const char16_t* progId) {
    CLSID clsid{};
    ComPtr<IDispatch> object;
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << WideToUtf8(progId);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IDispatch::Iid, object.OutVoid()), S_OK)
        << WideToUtf8(progId);
    return object;
  }
  static bool True(const Variant& v) { return v.vt == VT_BOOL && v.boolVal == VARIANT_TRUE; }
  static bool False(const Variant& v) { return v.vt == VT_BOOL && v.boolVal == VARIANT_FALSE; }
  static ComPtr<IDispatch> Object(const Variant& v) {
    ComPtr<IDispatch> d;
    if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->QueryInterface(IDispatch::Iid, d.OutVoid());
    return d;
  }

 private:
  static Variant Invoke(IDispatch* object, const char* name, WORD kind, std::vector<Variant> args) {
    std::u16string wide = Utf8ToWide(name);
    LPOLESTR names[] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(wide.c_str()))};
    DISPID id = DISPID_UNKNOWN;
    const GUID none{};
    HRESULT hr = object->GetIDsOfNames(none, names, 1, 0, &id);
    EXPECT_EQ(hr, S_OK) << "no member " << name;
    if (FAILED(hr)) return Variant();
    std::vector<VARIANTARG> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (kind == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO excep;
    UINT argErr = 0;
    hr = object->Invoke(id, none, 0, kind, &params, kind == DISPATCH_PROPERTYPUT ? nullptr : &result, &excep,
                        &argErr);
    EXPECT_EQ(hr, S_OK) << name << ": "
                        << (excep.bstrDescription ? WideToUtf8(BstrView(excep.bstrDescription)) : "");
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return result;
  }
};

class ScriptHostTest : public ::testing::Test {
 protected:
  static void Register(const char* module) {
    const std::string cmd = std::string(COMREG_PATH) + " " + module + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << module;
  }
  void SetUp() override {
    Register(ZELVANI_MODULE_PATH);
    Register(CORVATIN_MODULE_PATH);
    registry::ResetCacheForTests();  // the tool wrote the registry file behind this process's back
    sim_.emplace(kPort);
  }
  void TearDown() override {
    if (sim_) sim_->Stop();
  }

  // The control on the simulated register's port, the default library, the
  // register's error read automatically.
  static ComPtr<IDispatch> Control(const std::string& library = "") {
    // Set ecr = CreateObject("Corvatin.QAVECR")
    // ecr.PacketLibraryFile = ""
    // ecr.CommOptions.Port = "COM9" ...
    ComPtr<IDispatch> ecr = Script::CreateObject(u"Corvatin.QAVECR");
    if (!ecr) return ecr;
    Script::Put(ecr.Get(), "PacketLibraryFile", Variant::Ansi(library));
    ComPtr<IDispatch> options = Script::Object(Script::Get(ecr.Get(), "CommOptions"));
    EXPECT_TRUE(options);
    if (!options) return nullptr;
    Script::Put(options.Get(), "Port", Variant::Ansi(kPort));
    Script::Put(options.Get(), "FlowControl", Variant::I4(ecrfcNone));
    Script::Put(options.Get(), "TimeOut", Variant::I4(500));
    Script::Put(ecr.Get(), "AutoReadNativeError", Variant::Bool(true));
    return ecr;
  }
  static LONG LastErrorCode(IDispatch* ecr) { return Script::Get(ecr, "LastErrorCode").As(VT_I4).lVal; }
  static std::string LastErrorMessage(IDispatch* ecr) {
    return WideToUtf8(BstrView(Script::Get(ecr, "LastErrorMessage").As(VT_BSTR).bstrVal));
  }

  // Calls WRITER in a write session of DATATYPE and expects the refusal of a
  // value that does not fit its field: False, code 3 with its text, and
  // nothing of the record on the line. The session stays open.
  void ExpectRefused(IDispatch* ecr, const char* writer, const std::vector<Variant>& args, const char* what) {
    const std::size_t before = sim_->Received().size();
    EXPECT_TRUE(Script::False(Script::Call(ecr, writer, args))) << what;
    EXPECT_EQ(LastErrorCode(ecr), qzlvpeInvalidPacket) << what;
    EXPECT_EQ(LastErrorMessage(ecr), "Nieprawidłowa budowa pakietu") << what;
    EXPECT_EQ(sim_->Received().substr(before), "") << what << ": nothing is sent";
  }
  // Calls WRITER and expects the register to store the record; its fields.
  ECRSimulator::Fields ExpectStored(IDispatch* ecr, const char* writer, const std::vector<Variant>& args,
                                    const char* what) {
    const std::size_t before = sim_->Stored().size();
    EXPECT_TRUE(Script::True(Script::Call(ecr, writer, args))) << what << ": " << LastErrorMessage(ecr);
    EXPECT_EQ(LastErrorCode(ecr), 0) << what;
    const std::vector<ECRSimulator::Record> stored = sim_->Stored();
    if (stored.size() != before + 1) {
      ADD_FAILURE() << what << ": the register stored " << stored.size() - before << " records";
      return {};
    }
    return stored.back().fields;
  }

  zelvani::ScopedTestRegistry registry_;
  ScopedSystemDirectory system_;
  std::optional<ECRSimulator> sim_;
};

TEST_F(ScriptHostTest, WritesAndReadsByMemberNamesFromTheProgramIdentifier) {
  sim_->Serve();
  sim_->Start();

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Corvatin.QAVECR", &clsid), S_OK);
  ASSERT_EQ(clsid, CLSID_QAVECR);
  ComPtr<IDispatch> ecr = Control();
  ASSERT_TRUE(ecr);

  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect")));
  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "BeginWrite", {Variant::I4(ecrdtHeader)})));
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "WriteText", {Variant::Ansi(Utf8ToAnsi("Sklep Żaba"))})));
  EXPECT_EQ(Script::Get(ecr.Get(), "LastErrorCode").As(VT_I4).lVal, 0);
  EXPECT_EQ(WideToUtf8(BstrView(Script::Get(ecr.Get(), "LastErrorMessage").bstrVal)),
            "Operacja zakończona poprawnie");
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "EndWrite")));
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect")));
  ASSERT_EQ(sim_->Stored().size(), 1u);
  std::string stored = Utf8ToAnsi("Sklep Żaba");
  stored.resize(40, ' ');
  EXPECT_EQ(sim_->Stored()[0].fields.at(0), stored);

  // Read the header back: Do While Not ecr.EOF: ecr.ReadText line: Loop
  sim_->Offer("B", sim_->Stored());
  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect")));
  ASSERT_TRUE(Script::True(Script::Call(
      ecr.Get(), "BeginRead",
      {Variant::I4(ecrdtHeader), Variant(), Variant(), Variant::I4(ecrrtNone), Variant::I4(ecrrmNotResetting)})));
  std::vector<std::string> lines;
  for (int guard = 0; !Script::True(Script::Get(ecr.Get(), "EOF")) && guard < 10; ++guard) {
    BSTR line = nullptr;
    Variant ref;
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &line;
    const bool read = Script::True(Script::Call(ecr.Get(), "ReadText", {ref}));
    ref.vt = VT_EMPTY;  // the string is ours, not the argument's
    ASSERT_TRUE(read);
    lines.push_back(BstrToAnsi(line));
    SysFreeString(line);
  }
  EXPECT_EQ(lines, std::vector<std::string>{stored});
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "ConfirmRead")));
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect")));
  EXPECT_EQ(Script::Get(ecr.Get(), "LastErrorCode").As(VT_I4).lVal, 0);
}

// A value that its field on the register cannot take is refused as the
// control's other failures are: no run-time error in the script, the member
// answers False, LastErrorCode and LastErrorMessage say the packet is invalid,
// and nothing of the record goes on the line. The script goes on.
TEST_F(ScriptHostTest, ARefusedValueAnswersFalseAndTheScriptGoesOn) {
  sim_->Serve();
  sim_->Start();
  ComPtr<IDispatch> ecr = Control();
  ASSERT_TRUE(ecr);

  ComPtr<IDispatch> negativeRate = Script::CreateObject(u"Corvatin.QAVECRTaxRates");
  ComPtr<IDispatch> card = Script::CreateObject(u"Corvatin.QAVECRDiscountCard");
  ComPtr<IDispatch> halo = Script::CreateObject(u"Corvatin.QAVECRHALO");
  ASSERT_TRUE(negativeRate && card && halo);
  Script::Call(negativeRate.Get(), "Add", {Variant::Cy(CY{230000}), Variant::Ansi("A")});
  Script::Call(negativeRate.Get(), "Add", {Variant::Cy(CY{-500}), Variant::Ansi("B")});
  // 922337203685.4775 tenths do not fit the register's integer.
  Script::Call(card.Get(), "AddDiscount", {Variant::Cy(CY{922337203685477LL})});
  // A HALO limit has ten characters of hundredths.
  Script::Call(halo.Get(), "Add", {Variant::Cy(CY{100000000LL * 10000})});
  struct Row {
    const char* what;
    LONG dataType;
    const char* member;
    std::vector<Variant> args;
  } rows[] = {
      {"a negative tax rate", ecrdtTaxRates, "WriteTaxRates", {Variant::Dispatch(negativeRate.Get())}},
      {"a card discount out of range", ecrdtDiscountCard, "WriteDiscountCard",
       {Variant::Dispatch(card.Get()), Variant::I4(ecrwmInsert)}},
      {"an amount wider than its field", ecrdtHALO, "WriteHALO", {Variant::Dispatch(halo.Get())}},
  };
  for (const Row& r : rows) {
    ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect"))) << r.what;
    ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "BeginWrite", {Variant::I4(r.dataType)}))) << r.what;
    const std::size_t before = sim_->Received().size();
    EXPECT_TRUE(Script::False(Script::Call(ecr.Get(), r.member, r.args))) << r.what;
    EXPECT_EQ(LastErrorCode(ecr.Get()), qzlvpeInvalidPacket) << r.what;
    EXPECT_EQ(LastErrorMessage(ecr.Get()), "Nieprawidłowa budowa pakietu") << r.what;
    EXPECT_EQ(sim_->Received().substr(before), "") << r.what << ": nothing is sent";
    EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect"))) << r.what;
  }
  EXPECT_TRUE(sim_->Stored().empty());

  // The script goes on with a value the register takes.
  ComPtr<IDispatch> rates = Script::CreateObject(u"Corvatin.QAVECRTaxRates");
  ASSERT_TRUE(rates);
  Script::Call(rates.Get(), "Add", {Variant::Cy(CY{230000}), Variant::Ansi("A")});
  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect")));
  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "BeginWrite", {Variant::I4(ecrdtTaxRates)})));
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "WriteTaxRates", {Variant::Dispatch(rates.Get())})));
  EXPECT_EQ(LastErrorCode(ecr.Get()), 0);
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect")));
  ASSERT_EQ(sim_->Stored().size(), 1u);
  EXPECT_EQ(sim_->Stored()[0].fields.at(0), " 2300");
}

// A number whose text does not fit its field on the register is refused, not
// cut to another number, whichever writer sends it: each property too wide
// for its field of Quelm.pkd answers False with code 3 and sends nothing;
// the same record then goes out with a value that fills its field exactly.
TEST_F(ScriptHostTest, ANumberWiderThanItsFieldIsRefusedNotCut) {
  sim_->Serve();
  sim_->Start();
  ComPtr<IDispatch> ecr = Control();
  ASSERT_TRUE(ecr);
  struct Row {
    const char* what;
    LONG dataType;
    const char16_t* progId;  // the record; null: the control's own Flags
    const char* writer;
    const char* property;
    LONG tooWide, fills;
    std::size_t field;  // the property's field in the record, from 0
    const char* stored;
  } rows[] = {
      {"an article's department", ecrdtPLU, u"Corvatin.QAVECRPLU", "WritePLU", "DepartmentIndex", 123, 99, 7, "99"},
      {"an article's precision", ecrdtPLU, u"Corvatin.QAVECRPLU", "WritePLU", "Precision", 12, 9, 5, "9"},
      {"an article's HALO index", ecrdtPLU, u"Corvatin.QAVECRPLU", "WritePLU", "HALOIndex", 100, 99, 8, "99"},
      {"a department's HALO index", ecrdtDepartment, u"Corvatin.QAVECRPLU", "WritePLU", "HALOIndex", 100, 99, 6,
       "99"},
      {"an article change's department", ecrdtPLUChange, u"Corvatin.QAVECRPLU", "WritePLU", "DepartmentIndex", 123,
       99, 4, "99"},
      {"a shortcut's key", ecrdtPLUShortcuts, u"Corvatin.QAVECRPLUShortcutRec", "WritePLUShortcutRec", "KeyIndex",
       1000, 999, 0, "999"},
      {"a discount card's identifier position", ecrdtDiscountCard, u"Corvatin.QAVECRDiscountCard",
       "WriteDiscountCard", "IdentifierPosition", 100, 99, 11, "99"},
      {"the flags' PLU staling", ecrdtFlags, nullptr, "WriteFlags", "PLUStaling", 1000, 999, 2, "999"},
  };
  for (const Row& r : rows) {
    ComPtr<IDispatch> record =
        r.progId ? Script::CreateObject(r.progId) : Script::Object(Script::Get(ecr.Get(), "Flags"));
    ASSERT_TRUE(record) << r.what;
    std::vector<Variant> args;
    if (r.progId) args.push_back(Variant::Dispatch(record.Get()));
    if (r.progId && std::string(r.writer) != "WritePLUShortcutRec") args.push_back(Variant::I4(ecrwmInsert));
    ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect"))) << r.what;
    ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "BeginWrite", {Variant::I4(r.dataType)}))) << r.what;
    Script::Put(record.Get(), r.property, Variant::I4(r.tooWide));
    ExpectRefused(ecr.Get(), r.writer, args, r.what);
    Script::Put(record.Get(), r.property, Variant::I4(r.fills));
    const ECRSimulator::Fields stored = ExpectStored(ecr.Get(), r.writer, args, r.what);
    EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect"))) << r.what;
    ASSERT_GT(stored.size(), r.field) << r.what;
    EXPECT_EQ(stored[r.field], r.stored) << r.what;
  }
}

// Records hold -1 for an index that is not set; such a record goes out as it
// always has, each -1 packed as its field packs it ("-" in the one-character
// precision field).
TEST_F(ScriptHostTest, AnArticleWithItsIndexesNotSetIsSent) {
  sim_->Serve();
  sim_->Start();
  ComPtr<IDispatch> ecr = Control();
  ComPtr<IDispatch> plu = Script::CreateObject(u"Corvatin.QAVECRPLU");
  ASSERT_TRUE(ecr && plu);
  for (const char* index : {"Precision", "DepartmentIndex", "HALOIndex"})
    EXPECT_EQ(Script::Get(plu.Get(), index).As(VT_I4).lVal, -1) << index;
  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect")));
  ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "BeginWrite", {Variant::I4(ecrdtPLU)})));
  const std::size_t before = sim_->Received().size();
  ExpectStored(ecr.Get(), "WritePLU", {Variant::Dispatch(plu.Get()), Variant::I4(ecrwmInsert)}, "an article");
  EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect")));
  // <STX>, "I", then the data: active 1, code 13, name 18, price 10, tax rate
  // 1, precision 1, attributes 5, department 2, HALO 2, linked code 13.
  const std::string sent = sim_->Received().substr(before);
  const std::size_t data = sent.find(ecr::kStx + "I") + 2;
  ASSERT_LT(data + 66, sent.size()) << sent;
  EXPECT_EQ(sent.substr(data + 43, 1), "-") << "precision";
  EXPECT_EQ(sent.substr(data + 49, 4), "-1-1") << "department and HALO index";
}

// Amounts and tax rates under the same rule, against a library whose first
// HALO limit has two characters of hundredths and whose tax rates have four
// characters: an amount cut by less than one unit is a cut all the same.
TEST_F(ScriptHostTest, AnAmountOrATaxRateWiderThanItsFieldIsRefusedNotCut) {
  std::ifstream in(ECRSimulator::Library(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto narrow = [&](const std::string& from, const std::string& to) {
    for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
  };
  narrow("Limit1;Currency;10;", "Limit1;Currency;2;");
  for (char rate = 'A'; rate <= 'G'; ++rate) {
    narrow(std::string("Rate") + rate + ";String;5;", std::string("Rate") + rate + ";String;4;");
    narrow(std::string("Rate") + rate + ";Currency;5;", std::string("Rate") + rate + ";Currency;4;");
  }
  const std::string library = system_.path() + "/Narrow.pkd";
  std::ofstream(library, std::ios::binary) << text;
  sim_->Stop();
  sim_.emplace(kPort, library);
  sim_->Serve();
  sim_->Start();
  ComPtr<IDispatch> ecr = Control(library);
  ASSERT_TRUE(ecr);

  auto halo = [](CY limit) {
    ComPtr<IDispatch> list = Script::CreateObject(u"Corvatin.QAVECRHALO");
    Script::Call(list.Get(), "Add", {Variant::Cy(limit)});
    return list;
  };
  auto rates = [](CY rate) {
    ComPtr<IDispatch> list = Script::CreateObject(u"Corvatin.QAVECRTaxRates");
    Script::Call(list.Get(), "Add", {Variant::Cy(rate), Variant::Ansi("A")});
    return list;
  };
  struct Row {
    const char* what;
    LONG dataType;
    const char* writer;
    ComPtr<IDispatch> tooWide, fits;
    const char* stored;  // the first field as the register reads it
  } rows[] = {
      {"1.05 in two characters of hundredths", ecrdtHALO, "WriteHALO", halo(CY{10500}), halo(CY{9900}), "0.99"},
      {"-0.5 in two characters of hundredths", ecrdtHALO, "WriteHALO", halo(CY{-5000}), halo(CY{-900}), "-0.09"},
      {"a tax rate of 100 in four characters", ecrdtTaxRates, "WriteTaxRates", rates(CY{1000000}), rates(CY{230000}),
       "2300"},
  };
  for (const Row& r : rows) {
    ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "Connect"))) << r.what;
    ASSERT_TRUE(Script::True(Script::Call(ecr.Get(), "BeginWrite", {Variant::I4(r.dataType)}))) << r.what;
    ExpectRefused(ecr.Get(), r.writer, {Variant::Dispatch(r.tooWide.Get())}, r.what);
    const ECRSimulator::Fields stored = ExpectStored(ecr.Get(), r.writer, {Variant::Dispatch(r.fits.Get())}, r.what);
    EXPECT_TRUE(Script::True(Script::Call(ecr.Get(), "Disconnect"))) << r.what;
    ASSERT_FALSE(stored.empty()) << r.what;
    EXPECT_EQ(stored[0], r.stored) << r.what;
  }
}

// The DT_NEEDED entries of a 64-bit ELF shared object.
std::vector<std::string> NeededLibraries(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> needed;
  if (image.size() < sizeof(Elf64_Ehdr)) return needed;
  Elf64_Ehdr header;
  std::memcpy(&header, image.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) return needed;
  auto section = [&](std::size_t i) {
    Elf64_Shdr s{};
    const std::size_t at = header.e_shoff + i * header.e_shentsize;
    if (at + sizeof s <= image.size()) std::memcpy(&s, image.data() + at, sizeof s);
    return s;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr dynamic = section(i);
    if (dynamic.sh_type != SHT_DYNAMIC) continue;
    const Elf64_Shdr strings = section(dynamic.sh_link);
    for (std::size_t at = dynamic.sh_offset; at + sizeof(Elf64_Dyn) <= dynamic.sh_offset + dynamic.sh_size;
         at += sizeof(Elf64_Dyn)) {
      Elf64_Dyn entry;
      std::memcpy(&entry, image.data() + at, sizeof entry);
      if (entry.d_tag == DT_NULL) break;
      if (entry.d_tag == DT_NEEDED && strings.sh_offset + entry.d_un.d_val < image.size())
        needed.emplace_back(image.data() + strings.sh_offset + entry.d_un.d_val);
    }
  }
  return needed;
}

TEST(CorvatinModuleTest, DoesNotLinkThePacketEngineModule) {
  const std::vector<std::string> needed = NeededLibraries(CORVATIN_MODULE_PATH);
  ASSERT_FALSE(needed.empty()) << "no dynamic section read from " << CORVATIN_MODULE_PATH;
  bool platform = false;
  for (const std::string& name : needed) {
    EXPECT_EQ(name.find("zelvani"), std::string::npos) << name;
    platform = platform || name.find("platform_com") != std::string::npos;
  }
  EXPECT_TRUE(platform) << "the object layer is what it links";
  // The packet engine module links its own layers and nothing of the control.
  for (const std::string& name : NeededLibraries(ZELVANI_MODULE_PATH))
    EXPECT_EQ(name.find("corvatin"), std::string::npos) << name;
}

}  // namespace
}  // namespace corvatin
