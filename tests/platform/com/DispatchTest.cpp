// IDispatch served from a type library description: binding of arguments,
// property puts, by-reference arguments, defaults, coercions and exceptions.
#include <gtest/gtest.h>

#include "platform/com/locale.h"
#include "platform/com/object.h"

namespace {

struct ISample : IDispatch {
  static constexpr IID Iid = MakeGuid("{6B1D5C1E-0000-4000-8000-000000000001}");
  virtual HRESULT get_Number(LONG* r) = 0;
  virtual HRESULT put_Number(LONG v) = 0;
  virtual HRESULT get_Cell(LONG row, BSTR column, BSTR* r) = 0;
  virtual HRESULT put_Cell(LONG row, BSTR column, BSTR v) = 0;
  virtual HRESULT Scale(LONG by, LONG offset, LONG* r) = 0;
  virtual HRESULT Append(BSTR* buffer, VARIANT tail, VARIANT_BOOL* r) = 0;
  virtual HRESULT Split(BSTR text, VARIANT* head, LONG* r) = 0;
  virtual HRESULT Fail(BSTR message) = 0;
  virtual HRESULT get_Money(CY* r) = 0;
  virtual HRESULT get_Day(DATE* r) = 0;
};

const com::TypeLibDesc& SampleLib();
com::ComModule& SampleModule() {
  static com::ComModule m(&SampleLib);
  return m;
}

class Sample final : public com::ComObject<ISample> {
 public:
  Sample() : ComObject(SampleModule()) {}
  HRESULT get_Number(LONG* r) override {
    return Get(r, [&] { return number; });
  }
  HRESULT put_Number(LONG v) override {
    return Guard([&] { number = v; });
  }
  HRESULT get_Cell(LONG row, BSTR column, BSTR* r) override {
    return Get(r, [&] { return std::to_string(row) + ":" + BstrToAnsi(column) + "=" + cell; });
  }
  HRESULT put_Cell(LONG row, BSTR column, BSTR v) override {
    return Guard([&] { cell = std::to_string(row) + BstrToAnsi(column) + BstrToAnsi(v); });
  }
  HRESULT Scale(LONG by, LONG offset, LONG* r) override {
    return Get(r, [&] { return number * by + offset; });
  }
  HRESULT Append(BSTR* buffer, VARIANT tail, VARIANT_BOOL* r) override {
    return Get(r, [&] {
      Variant t = Variant(tail).As(VT_BSTR);
      std::u16string s(BstrView(*buffer));
      s += BstrView(t.bstrVal);
      SysFreeString(*buffer);
      *buffer = SysAllocStringView(s);
      return true;
    });
  }
  HRESULT Split(BSTR text, VARIANT* head, LONG* r) override {
    return Get(r, [&] {
      std::string s = BstrToAnsi(text);
      VariantClear(head);
      Variant::Ansi(s.substr(0, 1)).Detach(head);
      return static_cast<LONG>(s.size());
    });
  }
  HRESULT Fail(BSTR message) override {
    return Guard([&] { throw std::runtime_error(BstrToAnsi(message)); });
  }
  HRESULT get_Money(CY* r) override {
    return Get(r, [&] { return CY{125000}; });
  }
  HRESULT get_Day(DATE* r) override {
    return Get(r, [&] { return 2.5; });
  }
  LONG number = 7;
  std::string cell;
};

const com::TypeLibDesc& SampleLib() {
  using namespace com;
  static const InterfaceDesc sample(
      "ISample", ISample::Iid, nullptr, "",
      {
          PropGet<&ISample::get_Number>("Number", 1),
          PropPut<&ISample::put_Number>("Number", 1, {Param("Value")}),
          PropGet<&ISample::get_Cell>("Cell", 2, {Param("Row"), Param("Column").Default(u"A")}),
          PropPut<&ISample::put_Cell>("Cell", 2, {Param("Row"), Param("Column"), Param("Value")}),
          Method<&ISample::Scale>("Scale", 3, {Param("By"), Param("Offset").Default(0)}),
          Method<&ISample::Append>("Append", 4, {Param("Buffer"), Param("Tail")}),
          Method<&ISample::Split>("Split", 5, {Param("Text"), Param("Head")}),
          Procedure<&ISample::Fail>("Fail", 6, {Param("Message")}),
          PropGet<&ISample::get_Money>("Money", 7),
          PropGet<&ISample::get_Day>("Day", 8).Returns(VT_DATE),
      });
  static const TypeLibDesc lib = [] {
    TypeLibDesc l;
    l.name = "Sample";
    l.libid = MakeGuid("{6B1D5C1E-0000-4000-8000-0000000000FF}");
    l.interfaces = {&sample};
    return l;
  }();
  return lib;
}

class DispatchTest : public ::testing::Test {
 protected:
  ComPtr<Sample> obj = com::MakeObject<Sample>();

  DISPID Id(const char16_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(obj->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK) << WideToUtf8(name);
    return id;
  }
  // Arguments in call order (reversed into DISPPARAMS here).
  HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args, Variant* result, std::vector<DISPID> named = {},
               EXCEPINFO* ex = nullptr) {
    // Named arguments come first in rgvarg, in the order of their DISPIDs.
    std::vector<VARIANT> all;
    std::size_t positional = args.size() - named.size();
    for (std::size_t k = 0; k < named.size(); ++k) all.push_back(args[positional + k]);
    for (std::size_t i = 0; i < positional; ++i) all.push_back(args[positional - 1 - i]);
    DISPPARAMS p;
    p.rgvarg = all.data();
    p.cArgs = static_cast<UINT>(all.size());
    p.rgdispidNamedArgs = named.data();
    p.cNamedArgs = static_cast<UINT>(named.size());
    UINT argErr = 0;
    return obj->Invoke(id, GUID_NULL, 0, flags, &p, result, ex, &argErr);
  }
};

TEST_F(DispatchTest, NamesAreCaseInsensitiveAndUnknownNamesFail) {
  EXPECT_EQ(Id(u"number"), 1);
  EXPECT_EQ(Id(u"NUMBER"), 1);
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"Scale"), const_cast<LPOLESTR>(u"offset")};
  DISPID ids[2];
  EXPECT_EQ(obj->GetIDsOfNames(GUID_NULL, names, 2, 0, ids), S_OK);
  EXPECT_EQ(ids[0], 3);
  EXPECT_EQ(ids[1], 1);  // parameter position
  LPOLESTR bad[] = {const_cast<LPOLESTR>(u"Nope")};
  DISPID id;
  EXPECT_EQ(obj->GetIDsOfNames(GUID_NULL, bad, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(DispatchTest, PropertyGetAndPutWithCoercion) {
  Variant r;
  ASSERT_EQ(Call(1, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_I4);
  EXPECT_EQ(r.lVal, 7);
  // The value arrives as text and is coerced to the declared long.
  Variant v = Variant::Str(u" 42 ");
  ASSERT_EQ(Call(1, DISPATCH_PROPERTYPUT, {v}, nullptr, {DISPID_PROPERTYPUT}), S_OK);
  EXPECT_EQ(obj->number, 42);
  // Without the named argument the last argument is the value.
  ASSERT_EQ(Call(1, DISPATCH_PROPERTYPUT, {Variant::I4(5)}, nullptr), S_OK);
  EXPECT_EQ(obj->number, 5);
  // Text that is no number is a type mismatch and changes nothing.
  EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT, {Variant::Str(u"x")}, nullptr, {DISPID_PROPERTYPUT}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(obj->number, 5);
}

TEST_F(DispatchTest, ParameterizedPropertyAndDefaults) {
  Variant r;
  ASSERT_EQ(Call(2, DISPATCH_PROPERTYPUT, {Variant::I4(3), Variant::Str(u"B"), Variant::Str(u"v")}, nullptr,
                 {DISPID_PROPERTYPUT}),
            S_OK);
  EXPECT_EQ(obj->cell, "3Bv");
  ASSERT_EQ(Call(2, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {Variant::I4(4)}, &r), S_OK);
  EXPECT_EQ(WideToUtf8(BstrView(r.bstrVal)), "4:A=3Bv");  // Column defaulted to "A"
  r.Clear();  // a result slot must be empty when it is passed
  // A missing optional argument may also be passed explicitly as "not found".
  ASSERT_EQ(Call(3, DISPATCH_METHOD, {Variant::I4(2), Variant::Error(DISP_E_PARAMNOTFOUND)}, &r), S_OK);
  EXPECT_EQ(r.lVal, 14);
  // Named argument by position.
  ASSERT_EQ(Call(3, DISPATCH_METHOD, {Variant::I4(2), Variant::I4(1)}, &r, {1}), S_OK);
  EXPECT_EQ(r.lVal, 15);
  EXPECT_EQ(Call(3, DISPATCH_METHOD, {}, &r), DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(Call(3, DISPATCH_METHOD, {Variant::I4(1), Variant::I4(1), Variant::I4(1)}, &r), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(99, DISPATCH_METHOD, {}, &r), DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchTest, ByReferenceArgumentsAreReadAndWrittenBack) {
  BSTR buffer = SysAllocString(u"ab");
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_BSTR;
  ref.pbstrVal = &buffer;
  Variant r;
  ASSERT_EQ(Call(4, DISPATCH_METHOD, {ref, Variant::I4(12)}, &r), S_OK);
  EXPECT_EQ(WideToUtf8(BstrView(buffer)), "ab12");
  EXPECT_EQ(r.boolVal, VARIANT_TRUE);
  SysFreeString(buffer);

  // An out VARIANT by reference, and an in argument passed by reference.
  Variant head;
  VARIANT headRef;
  headRef.vt = VT_BYREF | VT_VARIANT;
  headRef.pvarVal = &head;
  BSTR text = SysAllocString(u"xyz");
  VARIANT textRef;
  textRef.vt = VT_BYREF | VT_BSTR;
  textRef.pbstrVal = &text;
  ASSERT_EQ(Call(5, DISPATCH_METHOD, {textRef, headRef}, &r), S_OK);
  EXPECT_EQ(r.lVal, 3);
  EXPECT_EQ(WideToUtf8(BstrView(head.bstrVal)), "x");
  SysFreeString(text);
}

TEST_F(DispatchTest, ExceptionBecomesExceptionInfo) {
  EXCEPINFO ex;
  HRESULT hr = Call(6, DISPATCH_METHOD, {Variant::Str(u"broken")}, nullptr, {}, &ex);
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  EXPECT_EQ(WideToUtf8(BstrView(ex.bstrDescription)), "broken");
  EXPECT_EQ(ex.scode, E_FAIL);
  SysFreeString(ex.bstrDescription);
  SysFreeString(ex.bstrSource);

  // Through the vtable: the HRESULT and the thread's error information.
  Bstr msg(u"direct");
  EXPECT_EQ(obj->Fail(msg.Get()), E_FAIL);
  EXPECT_EQ(WideToUtf8(TakeErrorDescription()), "direct");
  EXPECT_EQ(TakeErrorDescription(), u"");  // taken once
}

TEST_F(DispatchTest, ResultsCarryTheirDeclaredTypes) {
  Variant r;
  ASSERT_EQ(Call(7, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_CY);
  EXPECT_EQ(r.cyVal.int64, 125000);
  ASSERT_EQ(Call(8, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_DATE);
  EXPECT_EQ(r.date, 2.5);
}

TEST_F(DispatchTest, QueryInterfaceAnswersOwnInterfaceDispatchAndUnknown) {
  for (const IID& iid : {ISample::Iid, IDispatch::Iid, IUnknown::Iid}) {
    void* p = nullptr;
    ASSERT_EQ(obj->QueryInterface(iid, &p), S_OK);
    EXPECT_EQ(p, static_cast<ISample*>(obj.Get()));
    static_cast<IUnknown*>(p)->Release();
  }
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(obj->QueryInterface(IClassFactory::Iid, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
}

TEST_F(DispatchTest, ModuleCountsLiveObjects) {
  EXPECT_EQ(SampleModule().CanUnloadNow(), S_FALSE);
  obj = nullptr;
  EXPECT_EQ(SampleModule().CanUnloadNow(), S_OK);
  SampleModule().Lock(true);
  EXPECT_EQ(SampleModule().CanUnloadNow(), S_FALSE);
  SampleModule().Lock(false);
}

TEST(BstrTest, LengthPrefixEmbeddedNulAndNull) {
  const char16_t data[] = {u'a', 0, u'b'};
  BSTR b = SysAllocStringLen(data, 3);
  EXPECT_EQ(SysStringLen(b), 3u);
  EXPECT_EQ(SysStringByteLen(b), 6u);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[3], 0);  // terminated after the last character
  SysFreeString(b);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_TRUE(BstrView(nullptr).empty());
  SysFreeString(nullptr);
}

TEST(AnsiTest, AllBytesRoundTripThroughBstr) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  Bstr b = Bstr::Attach(AnsiToBstr(all));
  EXPECT_EQ(BstrToAnsi(b.Get()), all);
}

TEST(AnsiTest, WideTextsNarrowCharacterByCharacter) {
  // The boundary of plain ASCII, letters of the code page among ASCII, and
  // characters the code page lacks (including ones whose low byte is ASCII).
  const std::pair<std::u16string, std::string> rows[] = {
      {u"", ""},
      {u"ABC 123", "ABC 123"},
      {std::u16string{0x7F, 0x80, 0x41}, "\x7F?A"},
      {u"Zażółć", "Za\xBF\xF3\xB3\xE6"},
      {std::u16string{0x0141, 0x0100, 0x0161, 0x4E41}, "\xA3?\x9A?"},
  };
  for (const auto& [wide, ansi] : rows) {
    EXPECT_EQ(WideToAnsi(wide), ansi);
    Bstr b = Bstr::Attach(SysAllocStringView(wide));
    EXPECT_EQ(BstrToAnsi(b.Get()), ansi);
  }
}

TEST(AnsiTest, CodePageLettersAndUndefinedPositions) {
  struct Row {
    unsigned char byte;
    char16_t wide;
  } rows[] = {
      {0xB9, u'ą'}, {0xA5, u'Ą'}, {0xB3, u'ł'}, {0xA3, u'Ł'}, {0x9C, u'ś'}, {0x8C, u'Ś'},
      {0x9F, u'ź'}, {0xBF, u'ż'}, {0xF3, u'ó'}, {0x80, u'€'}, {0x81, 0x81}, {0x83, 0x83},
      {0x88, 0x88}, {0x90, 0x90}, {0x98, 0x98}, {0x41, u'A'},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(AnsiCharToWide(r.byte), r.wide) << int(r.byte);
    EXPECT_EQ(static_cast<unsigned char>(WideCharToAnsi(r.wide)), r.byte) << int(r.byte);
  }
  EXPECT_EQ(WideCharToAnsi(u'中'), '?');
  EXPECT_EQ(Utf8ToAnsi("zażółć"), "za\xBF\xF3\xB3\xE6");
  EXPECT_EQ(AnsiToUtf8("za\xBF\xF3\xB3\xE6"), "zażółć");
}

TEST(GuidTest, ParseAndFormat) {
  GUID g;
  ASSERT_TRUE(TryParseGuid("{3f17e13e-dfab-42e2-9b5c-56d4900c0962}", g));
  EXPECT_EQ(GuidToString(g), "{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}");
  for (const char* bad : {"", "3F17E13E-DFAB-42E2-9B5C-56D4900C0962", "{3F17E13E-DFAB-42E2-9B5C-56D4900C096}",
                          "{3F17E13E-DFAB-42E2-9B5C-56D4900C096G}", "{3F17E13EXDFAB-42E2-9B5C-56D4900C0962}"})
    EXPECT_FALSE(TryParseGuid(bad, g)) << bad;
}

}  // namespace

namespace {

TEST(DateFieldsTest, SerialsSplitToTheSecondAndBack) {
  struct Row {
    double serial;
    WORD y, m, d, hh, mi, ss, ms;
  } rows[] = {
      {0.0, 1899, 12, 30, 0, 0, 0, 0},
      {2.5, 1900, 1, 1, 12, 0, 0, 0},
      {-1.25, 1899, 12, 29, 6, 0, 0, 0},
      // 13:59:59.6 rounds to the nearest second.
      {45000 + (13 * 3600 + 59 * 60 + 59.6) / 86400.0, 2023, 3, 15, 14, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(r.serial, &st)) << r.serial;
    EXPECT_EQ(st.wYear, r.y);
    EXPECT_EQ(st.wMonth, r.m);
    EXPECT_EQ(st.wDay, r.d);
    EXPECT_EQ(st.wHour, r.hh);
    EXPECT_EQ(st.wMinute, r.mi);
    EXPECT_EQ(st.wSecond, r.ss);
    EXPECT_EQ(st.wMilliseconds, r.ms);
    double back = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
    EXPECT_NEAR(back, r.serial, 0.5 / 86400);
  }
  SYSTEMTIME bad{2023, 13, 0, 1, 0, 0, 0, 0};
  double out;
  EXPECT_FALSE(SystemTimeToVariantTime(&bad, &out));
}

}  // namespace
