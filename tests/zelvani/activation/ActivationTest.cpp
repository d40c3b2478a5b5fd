// Creating Zelvani's objects as a host does: the module is registered into a
// temporary registry with the registration tool and loaded by class identifier.
// This program links no module of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/com/ansi.h"
#include "platform/com/registry.h"
#include "platform/com/typeinfo.h"
#include "tests/platform/BoundedCall.h"
#include "zelvani/Zelvani.h"

namespace {

namespace fs = std::filesystem;

class ActivationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("zelvani-activation-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    registryFile_ = (dir_ / "registry.reg").string();
    setenv("PLATFORM_REGISTRY", registryFile_.c_str(), 1);
    std::string cmd = std::string(COMREG_PATH) + " " + ZELVANI_MODULE_PATH + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static HRESULT CanUnloadNow() {
    void* h = dlopen(ZELVANI_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!h) return E_FAIL;
    auto fn = reinterpret_cast<DllCanUnloadNowFn>(dlsym(h, "DllCanUnloadNow"));
    HRESULT hr = fn();
    dlclose(h);
    return hr;
  }

  static inline fs::path dir_;
  static inline std::string registryFile_;
};

std::string Key(const CLSID& c) { return "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(c); }

TEST_F(ActivationTest, RegistrationWritesTheClassKeys) {
  struct Row {
    CLSID clsid;
    const char* name;
    const char* help;
  } rows[] = {
      {CLSID_QAVZLVValue, "QAVZLVValue", "QAVZLVValue Object"},
      {CLSID_QAVZLVValues, "QAVZLVValues", "QAVZLVValues Object"},
      {CLSID_DispatchCollection, "DispatchCollection", "DispatchCollection Object"},
  };
  const std::string path = fs::canonical(ZELVANI_MODULE_PATH).string();
  for (const Row& r : rows) {
    const std::string progId = std::string("Zelvani.") + r.name;
    EXPECT_EQ(registry::GetValue(Key(r.clsid)), r.help);
    EXPECT_EQ(registry::GetValue(Key(r.clsid) + "\\ProgID"), progId);
    EXPECT_EQ(registry::GetValue(Key(r.clsid) + "\\Version"), "1.0");
    EXPECT_EQ(registry::GetValue(Key(r.clsid) + "\\TypeLib"), "{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}");
    EXPECT_EQ(registry::GetValue(Key(r.clsid) + "\\InprocServer32"), path);
    EXPECT_EQ(registry::GetValue(Key(r.clsid) + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(registry::GetValue("HKEY_CLASSES_ROOT\\" + progId), r.help);
    EXPECT_EQ(registry::GetValue("HKEY_CLASSES_ROOT\\" + progId + "\\Clsid"), GuidToString(r.clsid));
  }
  EXPECT_EQ(registry::GetValue("HKEY_CLASSES_ROOT\\TypeLib\\{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}\\1.0"),
            "Zelvani Library");
  // The hidden device class has no factory and is not registered.
  EXPECT_FALSE(registry::GetValue(Key(CLSID_QAVZLVDevice) + "\\InprocServer32"));
}

TEST_F(ActivationTest, CreatesByClassIdAndProgId) {
  ComPtr<IQAVZLVValues> values;
  ASSERT_EQ(CoCreateInstance(CLSID_QAVZLVValues, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVValues::Iid, values.OutVoid()),
            S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  for (const IID& iid : {IQAVZLVValues::Iid, IDispatchCollection::Iid, IDispatch::Iid, IUnknown::Iid}) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(values->QueryInterface(iid, p.OutVoid()), S_OK) << GuidToString(iid);
  }

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"Zelvani.QAVZLVValue", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_QAVZLVValue);
  ComPtr<IQAVZLVValue> value;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVValue::Iid, value.OutVoid()), S_OK);
  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_QAVZLVValue, &progId), S_OK);
  EXPECT_EQ(std::u16string(progId), u"Zelvani.QAVZLVValue");
  CoTaskMemFree(progId);

  LONG pos = -1;
  ASSERT_EQ(values->Add(value.Get(), &pos), S_OK);
  EXPECT_EQ(pos, 0);
  value = nullptr;
  values = nullptr;
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ActivationTest, DrivenByNameThroughDispatch) {
  ComPtr<IDispatch> values;
  ASSERT_EQ(CoCreateInstance(CLSID_QAVZLVValues, nullptr, CLSCTX_INPROC_SERVER, IDispatch::Iid, values.OutVoid()),
            S_OK);
  ComPtr<IDispatch> value;
  ASSERT_EQ(CoCreateInstance(CLSID_QAVZLVValue, nullptr, CLSCTX_INPROC_SERVER, IDispatch::Iid, value.OutVoid()), S_OK);
  auto id = [](IDispatch* d, const char16_t* name) {
    LPOLESTR n[] = {const_cast<LPOLESTR>(name)};
    DISPID r = DISPID_UNKNOWN;
    EXPECT_EQ(d->GetIDsOfNames(GUID_NULL, n, 1, 0, &r), S_OK);
    return r;
  };
  // value.Value = "text"
  Variant text = Variant::Str(u"text");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS p{&text, &put, 1, 1};
  ASSERT_EQ(value->Invoke(id(value.Get(), u"value"), GUID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr),
            S_OK);
  // values.Add(value)
  Variant arg = Variant::Dispatch(value.Get());
  DISPPARAMS a{&arg, nullptr, 1, 0};
  Variant r;
  ASSERT_EQ(values->Invoke(id(values.Get(), u"ADD"), GUID_NULL, 0, DISPATCH_METHOD, &a, &r, nullptr, nullptr), S_OK);
  EXPECT_EQ(r.lVal, 0);
  // values.Count, values.Items(0).Value
  DISPPARAMS none{};
  ASSERT_EQ(values->Invoke(id(values.Get(), u"Count"), GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(r.lVal, 1);
  Variant index = Variant::Str(u"0");  // coerced to the declared long
  DISPPARAMS i{&index, nullptr, 1, 0};
  Variant item;
  ASSERT_EQ(values->Invoke(id(values.Get(), u"Items"), GUID_NULL, 0, DISPATCH_PROPERTYGET, &i, &item, nullptr, nullptr),
            S_OK);
  ASSERT_EQ(item.vt, VT_DISPATCH);
  Variant inner;
  ASSERT_EQ(item.pdispVal->Invoke(4, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &inner, nullptr, nullptr), S_OK);
  EXPECT_EQ(WideToUtf8(BstrView(inner.bstrVal)), "text");
  // An index outside the list fails with its description.
  Variant bad = Variant::I4(5);
  DISPPARAMS b{&bad, nullptr, 1, 0};
  EXCEPINFO ex;
  Variant none2;
  EXPECT_EQ(values->Invoke(id(values.Get(), u"Items"), GUID_NULL, 0, DISPATCH_PROPERTYGET, &b, &none2, &ex, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(WideToUtf8(BstrView(ex.bstrDescription)), "List index out of bounds (5)");
  SysFreeString(ex.bstrDescription);
  SysFreeString(ex.bstrSource);
}

TEST_F(ActivationTest, HiddenDeviceClassIsNotAvailable) {
  // The module serves no factory for it, whatever the registry says.
  {
    registry::Transaction t;
    t.SetValue(Key(CLSID_QAVZLVDevice) + "\\InprocServer32", "", fs::canonical(ZELVANI_MODULE_PATH).string());
    ASSERT_EQ(t.Commit(), S_OK);
  }
  ComPtr<IUnknown> p;
  EXPECT_EQ(CoCreateInstance(CLSID_QAVZLVDevice, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid, p.OutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  void* h = dlopen(ZELVANI_MODULE_PATH, RTLD_NOW);
  ASSERT_NE(h, nullptr);
  auto get = reinterpret_cast<DllGetClassObjectFn>(dlsym(h, "DllGetClassObject"));
  void* f = nullptr;
  EXPECT_EQ(get(CLSID_QAVZLVDevice, IClassFactory::Iid, &f), CLASS_E_CLASSNOTAVAILABLE);
  dlclose(h);
}

TEST_F(ActivationTest, BadInputFailsCleanlyWithDescriptions) {
  CLSID c;
  EXPECT_EQ(CLSIDFromString(u"{not-a-guid}", &c), CO_E_CLASSSTRING);
  EXPECT_NE(TakeErrorDescription(), u"");
  EXPECT_EQ(CLSIDFromProgID(u"Zelvani.NoSuchClass", &c), CO_E_CLASSSTRING);
  EXPECT_NE(WideToAnsi(TakeErrorDescription()).find("Zelvani.NoSuchClass"), std::string::npos);

  ComPtr<IUnknown> p;
  const CLSID unknown = MakeGuid("{00000000-1111-2222-3333-444444444444}");
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid, p.OutVoid()), REGDB_E_CLASSNOTREG);
  EXPECT_NE(TakeErrorDescription(), u"");

  const CLSID broken = MakeGuid("{00000000-1111-2222-3333-555555555555}");
  {
    registry::Transaction t;
    t.SetValue(Key(broken) + "\\InprocServer32", "", (dir_ / "missing.so").string());
    ASSERT_EQ(t.Commit(), S_OK);
  }
  EXPECT_EQ(CoCreateInstance(broken, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid, p.OutVoid()), CO_E_DLLNOTFOUND);
  EXPECT_NE(WideToAnsi(TakeErrorDescription()).find("missing.so"), std::string::npos);
  EXPECT_FALSE(p);
}

// A module path that names a FIFO is refused before the loader opens it, with
// the call's answer for a module that cannot be loaded: opening a FIFO waits
// for a writer for good, and a load waiting there would keep every later load
// in the process waiting behind it.
TEST_F(ActivationTest, ModulePathsThatNameAFifoAreRefusedWithoutBlocking) {
  bounded_call::Fifo fifo(dir_ / "planted.so");
  const CLSID plantedClass = MakeGuid("{00000000-1111-2222-3333-777777777777}");
  const GUID plantedLibrary = MakeGuid("{00000000-1111-2222-3333-888888888888}");
  {
    registry::Transaction t;
    t.SetValue(Key(plantedClass) + "\\InprocServer32", "", fifo.Path());
    t.SetValue("HKEY_CLASSES_ROOT\\TypeLib\\" + GuidToString(plantedLibrary) + "\\1.0\\0\\linux64", "",
               fifo.Path());
    ASSERT_EQ(t.Commit(), S_OK);
  }
  const std::u16string path = Utf8ToWide(fifo.Path());
  struct Row {
    const char* what;
    std::function<HRESULT(IUnknown**)> call;
    HRESULT expected;
  } rows[] = {
      {"a module file loaded for its type library",
       [&](IUnknown** out) { return LoadTypeLib(path.c_str(), reinterpret_cast<ITypeLib**>(out)); },
       TYPE_E_CANTLOADLIBRARY},
      {"a registered type library's module",
       [&](IUnknown** out) { return LoadRegTypeLib(plantedLibrary, 1, 0, 0, reinterpret_cast<ITypeLib**>(out)); },
       TYPE_E_CANTLOADLIBRARY},
      {"a class's server",
       [&](IUnknown** out) {
         return CoCreateInstance(plantedClass, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid,
                                 reinterpret_cast<void**>(out));
       },
       CO_E_DLLNOTFOUND},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    HRESULT hr = S_OK;
    IUnknown* got = nullptr;
    std::string why;
    bounded_call::WithinBound(
        [&] {
          hr = r.call(&got);
          why = WideToUtf8(TakeErrorDescription());  // error information is the calling thread's
        },
        [&] { fifo.Unblock(); });
    EXPECT_EQ(hr, r.expected);
    EXPECT_EQ(got, nullptr);
    EXPECT_NE(why.find(fifo.Path()), std::string::npos) << why;
  }
  // Nothing was left holding the loader: a real module loads on another thread.
  HRESULT hr = E_FAIL;
  bounded_call::WithinBound(
      [&] {
        ComPtr<IQAVZLVValues> values;
        hr = CoCreateInstance(CLSID_QAVZLVValues, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVValues::Iid, values.OutVoid());
      },
      [] {});
  EXPECT_EQ(hr, S_OK);
}

TEST_F(ActivationTest, DamagedRegistryIsReportedAndLeftAlone) {
  const std::string damaged = (dir_ / "damaged.reg").string();
  {
    std::ofstream f(damaged);
    f << "[HKEY_CLASSES_ROOT\\CLSID]\nthis is not a value line\n";
  }
  setenv("PLATFORM_REGISTRY", damaged.c_str(), 1);
  ComPtr<IUnknown> p;
  const CLSID other = MakeGuid("{00000000-1111-2222-3333-666666666666}");
  EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid, p.OutVoid()), REGDB_E_READREGDB);
  EXPECT_NE(TakeErrorDescription(), u"");
  registry::Transaction t;
  t.SetValue("HKEY_CLASSES_ROOT\\X", "", "y");
  EXPECT_TRUE(FAILED(t.Commit()));
  std::ifstream f(damaged);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "[HKEY_CLASSES_ROOT\\CLSID]\nthis is not a value line\n");
  setenv("PLATFORM_REGISTRY", registryFile_.c_str(), 1);
}

TEST_F(ActivationTest, UnregistrationRemovesTheKeys) {
  const std::string itfKey = "HKEY_CLASSES_ROOT\\Interface\\" + GuidToString(IQAVZLVPacket::Iid);
  EXPECT_EQ(registry::GetValue(itfKey + "\\TypeLib"), "{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}");
  const std::string cmd = std::string(COMREG_PATH) + " -u " + ZELVANI_MODULE_PATH + " > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_FALSE(registry::GetValue(Key(CLSID_QAVZLVValue)));
  EXPECT_FALSE(registry::GetValue("HKEY_CLASSES_ROOT\\Zelvani.QAVZLVValue\\Clsid"));
  EXPECT_FALSE(registry::GetValue("HKEY_CLASSES_ROOT\\TypeLib\\{3F17E13E-DFAB-42E2-9B5C-56D4900C0962}\\1.0"));
  EXPECT_FALSE(registry::GetValue(itfKey)) << "the library's interfaces go with it";
  const std::string again = std::string(COMREG_PATH) + " " + ZELVANI_MODULE_PATH + " > /dev/null";
  ASSERT_EQ(std::system(again.c_str()), 0);
}

}  // namespace
