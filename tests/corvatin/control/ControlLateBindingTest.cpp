// The control as a late-binding host meets it: knowing no interface of the
// control at compile time, the host learns the control's events interface from
// its class information, maps "OnClick" to its DISPID through that type info,
// connects a sink that answers whatever interface the type info named, and
// receives a click on the control's window. The control's dual interface and
// its engine's answer their type info as well.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "corvatin/control/QAVECR.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/com/typeinfo.h"

namespace corvatin {
namespace {

namespace fs = std::filesystem;

// A sink built at run time for the events interface a type info names; it
// records the DISPIDs it is called with.
class LateBoundSink final : public IDispatch {
 public:
  explicit LateBoundSink(const IID& events) : events_(events) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IUnknown::Iid && riid != IDispatch::Iid && riid != events_) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    calls.push_back(id);
    return S_OK;
  }
  std::vector<DISPID> calls;

 private:
  ~LateBoundSink() = default;
  IID events_;
  ULONG refs_ = 0;
};

template <class I>
ComPtr<I> Ask(IUnknown* object) {
  ComPtr<I> r;
  EXPECT_EQ(object->QueryInterface(IidOf<I>(), r.OutVoid()), S_OK);
  return r;
}

class ControlLateBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("control-late-binding-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    setenv("PLATFORM_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    setenv("PLATFORM_SYSTEM_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("PLATFORM_SYSTEM_DIR");
    unsetenv("PLATFORM_REGISTRY");
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(ControlLateBindingTest, AHostFindsTheEventsThroughTheClassInfoAndReceivesTheClick) {
  ComPtr<TQAVECR> control(new TQAVECR(std::make_unique<TQAVECRForm>(nullptr)));
  IUnknown* object = static_cast<IQAVECR*>(control.Get());

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(Ask<IProvideClassInfo>(object)->GetClassInfo(coclass.Out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->guid, CLSID_QAVECR);
  const WORD implTypes = attr->cImplTypes;
  coclass->ReleaseTypeAttr(attr);

  // The default source interface among the coclass's implemented types.
  ComPtr<ITypeInfo> events;
  for (UINT i = 0; i < implTypes; ++i) {
    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
    if (flags != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) continue;
    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, events.Out()), S_OK);
  }
  ASSERT_TRUE(events) << "the control names its events";
  ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
  const IID eventsIid = attr->guid;
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  events->ReleaseTypeAttr(attr);

  OLECHAR onClick[] = u"OnClick";
  LPOLESTR names[] = {onClick};
  MEMBERID clickId = MEMBERID_NIL;
  ASSERT_EQ(events->GetIDsOfNames(names, 1, &clickId), S_OK);
  EXPECT_EQ(clickId, 2);

  auto* sink = new LateBoundSink(eventsIid);
  ComPtr<IDispatch> hold(sink);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(Ask<IConnectionPointContainer>(object)->FindConnectionPoint(eventsIid, point.Out()), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
  control->Form().Click();
  ASSERT_EQ(sink->calls.size(), 1u);
  EXPECT_EQ(sink->calls[0], clickId);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

TEST_F(ControlLateBindingTest, TheControlAndItsEngineAnswerTheControlInterfacesTypeInfo) {
  ComPtr<TQAVECR> control(new TQAVECR());
  ASSERT_NE(control->Form().Engine(), nullptr);
  IDispatch* dispatchers[] = {static_cast<IQAVECR*>(control.Get()), control->Form().Engine()};
  for (IDispatch* d : dispatchers) {
    UINT count = 0;
    ASSERT_EQ(d->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(d->GetTypeInfo(0, 0x409, info.Out()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, IQAVECR::Iid);
    info->ReleaseTypeAttr(attr);
    // The type info calls the object it is given.
    OLECHAR eofName[] = u"EOF";
    LPOLESTR names[] = {eofName};
    MEMBERID eof = MEMBERID_NIL;
    ASSERT_EQ(info->GetIDsOfNames(names, 1, &eof), S_OK);
    DISPPARAMS none{};
    Variant result;
    ASSERT_EQ(info->Invoke(d, eof, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE) << "a fresh engine starts at the end of data";
    ITypeInfo* beyond = nullptr;
    EXPECT_EQ(d->GetTypeInfo(1, 0, &beyond), DISP_E_BADINDEX);
  }
}

}  // namespace
}  // namespace corvatin
