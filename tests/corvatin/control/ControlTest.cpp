// The control object as a host meets it: the interfaces of the embedding, the
// members a control does not serve, the fixed invisible 32x32 window, the click
// event to the single sink, persistence in a stream and in the storage stream
// "CONTROLSAVESTREAM", property browsing, the about box through the presenter,
// IQAVECR passed to the engine (or answered without one), and the type
// information a late-binding host reads from the control and its engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <unistd.h>

#include "corvatin/control/QAVECR.h"
#include "corvatin/control/QAVECRAbout.h"
#include "corvatin/control/QAVECRObj.h"
#include "platform/com/ansi.h"
#include "platform/com/typeinfo.h"
#include "platform/ole/MemoryStorage.h"
#include "platform/ui/RecordingPresenter.h"
#include "platform/ui/UserActions.h"

namespace corvatin {
namespace {

namespace fs = std::filesystem;

// A host's event sink: it records every call of Invoke. It answers the events
// interface it is given (a late-binding host learns it from the control's type
// information), or none.
class EventSink final : public IDispatch {
 public:
  struct Call {
    DISPID dispid;
    WORD flags;
    UINT args;
  };
  explicit EventSink(std::optional<IID> events = IQAVECREvents::Iid) : events_(events) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IUnknown::Iid || riid == IDispatch::Iid || (events_ && riid == *events_)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
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
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    calls.push_back({id, flags, params ? params->cArgs : 99u});
    if (onInvoke) onInvoke();
    return E_FAIL;  // the control ignores what the sink answers
  }

  std::vector<Call> calls;
  std::function<void()> onInvoke;

 private:
  ~EventSink() = default;
  std::optional<IID> events_;
  ULONG refs_ = 0;
};

std::string Text(BSTR b) {
  std::string s = BstrToAnsi(b);
  SysFreeString(b);
  return s;
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("control-test-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    setenv("PLATFORM_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    setenv("PLATFORM_SYSTEM_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("PLATFORM_SYSTEM_DIR");
    unsetenv("PLATFORM_REGISTRY");
    fs::remove_all(dir_);
  }

  static ComPtr<TQAVECR> WithEngine() { return ComPtr<TQAVECR>(new TQAVECR()); }
  static ComPtr<TQAVECR> WithoutEngine() {
    return ComPtr<TQAVECR>(new TQAVECR(std::make_unique<TQAVECRForm>(nullptr)));
  }
  template <class I>
  static ComPtr<I> As(const ComPtr<TQAVECR>& c) {
    return QueryAs<I>(static_cast<IQAVECR*>(c.Get()));
  }
  // Connects a sink to the control's events as a host does; the cookie.
  static DWORD Connect(const ComPtr<TQAVECR>& c, IUnknown* sink, HRESULT expected = S_OK) {
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(As<IConnectionPointContainer>(c)->FindConnectionPoint(IQAVECREvents::Iid, point.Out()), S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(sink, &cookie), expected);
    return cookie;
  }

  fs::path dir_;
};

const std::vector<BYTE> kSavedState = {'N', 'V', 'A', 'X', 1, 0, 0, 0, 32, 0, 0, 0, 32, 0, 0, 0};

TEST_F(ControlTest, AnswersEveryInterfaceOfTheContractAsOneObject) {
  struct Case {
    const char* name;
    IID iid;
  };
  const Case cases[] = {
      {"IUnknown", IUnknown::Iid},
      {"IDispatch", IDispatch::Iid},
      {"IQAVECR", IQAVECR::Iid},
      {"IOleObject", IOleObject::Iid},
      {"IOleControl", IOleControl::Iid},
      {"IPersist", IPersist::Iid},
      {"IPersistStreamInit", IPersistStreamInit::Iid},
      {"IPersistStorage", IPersistStorage::Iid},
      {"IConnectionPointContainer", IConnectionPointContainer::Iid},
      {"IProvideClassInfo", IProvideClassInfo::Iid},
      {"IProvideClassInfo2", IProvideClassInfo2::Iid},
      {"IPerPropertyBrowsing", IPerPropertyBrowsing::Iid},
  };
  auto control = WithoutEngine();
  IUnknown* identity = As<IUnknown>(control).Get();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IUnknown> itf;
    ASSERT_EQ(static_cast<IQAVECR*>(control.Get())->QueryInterface(c.iid, itf.OutVoid()), S_OK);
    EXPECT_EQ(QueryAs<IUnknown>(itf.Get()).Get(), identity) << "every interface leads back to one object";
    EXPECT_EQ(QueryAs<IOleObject>(itf.Get()).Get(), As<IOleObject>(control).Get());
  }
  EXPECT_FALSE(As<IStream>(control)) << "an interface outside the contract";
  EXPECT_FALSE(As<IQAVECREvents>(control)) << "the control is the events' source, not a sink";
}

TEST_F(ControlTest, MembersOutsideTheContractAnswerNotImplemented) {
  auto control = WithoutEngine();
  auto object = As<IOleObject>(control);
  auto ctl = As<IOleControl>(control);
  struct Case {
    const char* name;
    std::function<HRESULT()> call;
  };
  const Case cases[] = {
      {"DoVerb", [&] { return object->DoVerb(0, nullptr, nullptr, 0, nullptr, nullptr); }},
      {"SetMoniker", [&] { return object->SetMoniker(0, nullptr); }},
      {"InitFromData", [&] { return object->InitFromData(nullptr, TRUE, 0); }},
      {"Update", [&] { return object->Update(); }},
      {"IsUpToDate", [&] { return object->IsUpToDate(); }},
      {"Unadvise", [&] { return object->Unadvise(1); }},
      {"SetColorScheme", [&] { return object->SetColorScheme(nullptr); }},
      {"GetControlInfo", [&] { CONTROLINFO ci{}; return ctl->GetControlInfo(&ci); }},
      {"OnMnemonic", [&] { return ctl->OnMnemonic(nullptr); }},
      {"OnAmbientPropertyChange", [&] { return ctl->OnAmbientPropertyChange(-709); }},
      {"FreezeEvents", [&] { return ctl->FreezeEvents(TRUE); }},
      {"GetUserType", [&] { LPOLESTR s = nullptr; return object->GetUserType(1, &s); }},
      {"EnumVerbs", [&] { IEnumOLEVERB* e = nullptr; return object->EnumVerbs(&e); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), E_NOTIMPL);
  }
  // The calls of every embedding succeed without doing anything.
  EXPECT_EQ(object->SetHostNames(u"Host", u"Form1"), S_OK);
  EXPECT_EQ(object->Close(0), S_OK);
}

TEST_F(ControlTest, WindowStaysThirtyTwoSquareAndInvisible) {
  auto control = WithoutEngine();
  TQAVECRForm& form = control->Form();
  EXPECT_EQ(form.Name(), "QAVECRForm");
  EXPECT_EQ(form.Caption(), "QAVECRForm");
  EXPECT_FALSE(form.Visible());
  form.SetBounds(10, 20, 200, 75);  // a designer's resize
  EXPECT_EQ(form.Width(), 32);
  EXPECT_EQ(form.Height(), 32);
  EXPECT_EQ(form.Left(), 10) << "the position is taken";

  auto object = As<IOleObject>(control);
  SIZEL extent{5000, 100};
  ASSERT_EQ(object->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 847) << "32 pixels in hundredths of a millimetre";
  EXPECT_EQ(extent.cy, 847);
  EXPECT_EQ(object->GetExtent(DVASPECT_ICON, &extent), E_INVALIDARG);
  EXPECT_EQ(object->SetExtent(DVASPECT_CONTENT, nullptr), E_POINTER);

  DWORD status = 0;
  ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, kControlMiscStatus);
  for (DWORD flag : {OLEMISC_ONLYICONIC, OLEMISC_INVISIBLEATRUNTIME, OLEMISC_ACTSLIKELABEL, OLEMISC_SIMPLEFRAME})
    EXPECT_TRUE(status & flag) << std::hex << flag;
  CLSID clsid{};
  ASSERT_EQ(object->GetUserClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_QAVECR);
}

TEST_F(ControlTest, ClickFiresOnClickToTheSingleSink) {
  auto control = WithoutEngine();
  control->Form().Click();  // no sink: nothing happens

  auto* sink = new EventSink;
  ComPtr<IDispatch> hold(sink);
  DWORD cookie = Connect(control, sink);
  ASSERT_NE(cookie, 0u);
  control->Form().Click();
  control->Form().Click();
  ASSERT_EQ(sink->calls.size(), 2u) << "once per click";
  EXPECT_EQ(sink->calls[0].dispid, 2);
  EXPECT_EQ(sink->calls[0].flags, DISPATCH_METHOD);
  EXPECT_EQ(sink->calls[0].args, 0u);

  ComPtr<IDispatch> second(new EventSink);
  Connect(control, second.Get(), CONNECT_E_ADVISELIMIT);
  ComPtr<IDispatch> deaf(new EventSink(std::nullopt));

  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(As<IConnectionPointContainer>(control)->FindConnectionPoint(IQAVECREvents::Iid, point.Out()), S_OK);
  ASSERT_EQ(point->Unadvise(cookie), S_OK);
  control->Form().Click();
  EXPECT_EQ(sink->calls.size(), 2u) << "a disconnected sink hears nothing";
  Connect(control, deaf.Get(), CONNECT_E_CANNOTCONNECT);

  // A sink that disconnects while it handles the click.
  cookie = Connect(control, sink);
  sink->onInvoke = [&] { point->Unadvise(cookie); };
  control->Form().Click();
  control->Form().Click();
  EXPECT_EQ(sink->calls.size(), 3u);
}

TEST_F(ControlTest, ConnectionPointsAndClassInformationNameTheEvents) {
  auto control = WithoutEngine();
  auto container = As<IConnectionPointContainer>(control);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IQAVECR::Iid, point.Out()), CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(point);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.Out()), S_OK);
  IConnectionPoint* got[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  IID iid{};
  ASSERT_EQ(got[0]->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, IQAVECREvents::Iid);
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(got[0]->GetConnectionPointContainer(back.Out()), S_OK);
  EXPECT_EQ(back.Get(), container.Get());
  got[0]->Release();

  GUID source{};
  ASSERT_EQ(As<IProvideClassInfo2>(control)->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_EQ(source, IQAVECREvents::Iid);
  EXPECT_EQ(As<IProvideClassInfo2>(control)->GetGUID(2, &source), E_INVALIDARG);

  // A host that keeps the point after the control has gone loses its container.
  ComPtr<IConnectionPoint> kept;
  ASSERT_EQ(container->FindConnectionPoint(IQAVECREvents::Iid, kept.Out()), S_OK);
  back = nullptr;
  container = nullptr;
  points = nullptr;
  control = nullptr;
  EXPECT_EQ(kept->GetConnectionPointContainer(back.Out()), E_UNEXPECTED);
}

TEST_F(ControlTest, SavesAndLoadsItsWindowInAStream) {
  auto control = WithoutEngine();
  auto persist = As<IPersistStreamInit>(control);
  CLSID clsid{};
  ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_QAVECR);
  ULARGE_INTEGER max{};
  ASSERT_EQ(persist->GetSizeMax(&max), S_OK);
  EXPECT_EQ(max.QuadPart, kSavedState.size());

  ASSERT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK) << "a new control has not been saved";
  EXPECT_EQ(persist->InitNew(), E_UNEXPECTED) << "started once";
  auto stream = ole::MemoryStream::Create();
  ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  EXPECT_EQ(stream->Bytes(), kSavedState);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  struct Case {
    const char* name;
    std::vector<BYTE> bytes;
    HRESULT hr;
  };
  std::vector<BYTE> larger = kSavedState;
  larger[8] = 200;  // a window of 200x32 stays 32x32
  std::vector<BYTE> foreign = kSavedState;
  foreign[0] = 'X';
  std::vector<BYTE> later = kSavedState;
  later[4] = 2;  // a later format version
  const Case cases[] = {
      {"the saved state", kSavedState, S_OK},
      {"a larger window", larger, S_OK},
      {"a truncated state", std::vector<BYTE>(kSavedState.begin(), kSavedState.begin() + 10), STG_E_READFAULT},
      {"an empty stream", {}, STG_E_READFAULT},
      {"another format", foreign, E_FAIL},
      {"another version", later, E_FAIL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto loaded = WithoutEngine();
    auto p = As<IPersistStreamInit>(loaded);
    EXPECT_EQ(p->Load(ole::MemoryStream::FromBytes(c.bytes).Get()), c.hr);
    EXPECT_EQ(loaded->Form().Width(), 32);
    EXPECT_EQ(loaded->Form().Height(), 32);
    // A control that failed to load can still start new; a loaded one cannot.
    EXPECT_EQ(p->InitNew(), SUCCEEDED(c.hr) ? E_UNEXPECTED : S_OK);
  }
  EXPECT_EQ(persist->Load(nullptr), E_POINTER);
  EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
}

TEST_F(ControlTest, SavesAndLoadsInTheStorageStreamControlSaveStream) {
  auto control = WithoutEngine();
  auto persist = As<IPersistStorage>(control);
  auto storage = ole::MemoryStorage::Create();
  ASSERT_EQ(persist->InitNew(storage.Get()), S_OK);
  ASSERT_EQ(persist->Save(storage.Get(), TRUE), S_OK);
  ASSERT_EQ(persist->SaveCompleted(nullptr), S_OK);
  EXPECT_EQ(storage->StreamNames(), std::vector<std::u16string>{u"CONTROLSAVESTREAM"});
  EXPECT_EQ(storage->StreamBytes(u"CONTROLSAVESTREAM"), kSavedState);
  ASSERT_EQ(persist->Save(storage.Get(), TRUE), S_OK) << "saving again replaces the stream";
  EXPECT_EQ(storage->StreamBytes(u"CONTROLSAVESTREAM"), kSavedState);

  auto loaded = WithoutEngine();
  ASSERT_EQ(As<IPersistStorage>(loaded)->Load(storage.Get()), S_OK);
  EXPECT_EQ(As<IPersistStorage>(loaded)->IsDirty(), S_FALSE);
  auto empty = ole::MemoryStorage::Create();
  EXPECT_EQ(As<IPersistStorage>(WithoutEngine())->Load(empty.Get()), STG_E_FILENOTFOUND);
  EXPECT_EQ(persist->InitNew(nullptr), E_POINTER);
}

TEST_F(ControlTest, PropertyBrowsingHasNoPagesOrPredefinedValues) {
  auto control = WithoutEngine();
  auto browsing = As<IPerPropertyBrowsing>(control);
  constexpr CLSID kGarbage = MakeGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  for (DISPID id : {0, 1, 2, 24, -552, DISPID_UNKNOWN, 0x7FFFFFFF}) {
    SCOPED_TRACE(id);
    CLSID page = kGarbage;
    EXPECT_EQ(browsing->MapPropertyToPage(id, &page), E_NOTIMPL);
    EXPECT_EQ(page, GUID_NULL);
    BSTR display = SysAllocString(u"x");
    BSTR before = display;
    EXPECT_EQ(browsing->GetDisplayString(id, &display), E_NOTIMPL);
    EXPECT_EQ(display, nullptr);
    SysFreeString(before);
    CALPOLESTR strings{5, nullptr};
    CADWORD cookies{5, nullptr};
    EXPECT_EQ(browsing->GetPredefinedStrings(id, &strings, &cookies), E_NOTIMPL);
    EXPECT_EQ(strings.cElems, 0u);
    EXPECT_EQ(cookies.cElems, 0u);
    Variant value;
    EXPECT_EQ(browsing->GetPredefinedValue(id, 0, &value), E_NOTIMPL);
  }
  EXPECT_EQ(browsing->MapPropertyToPage(1, nullptr), E_POINTER);
  EXPECT_EQ(browsing->GetDisplayString(1, nullptr), E_POINTER);
  EXPECT_EQ(control->PropertyToPageLinks().Count(), 0);

  // The links answer the first page of a property.
  TNVRAXPropertyToPageLinks links;
  constexpr CLSID kPageA = MakeGuid("{AAAAAAAA-0000-0000-0000-000000000001}");
  constexpr CLSID kPageB = MakeGuid("{BBBBBBBB-0000-0000-0000-000000000002}");
  links.Add(5, kPageA);
  links.Add(5, kPageB);
  links.Add(6, kPageB);
  EXPECT_EQ(links.FindPage(5), kPageA);
  EXPECT_EQ(links.FindPage(6), kPageB);
  EXPECT_EQ(links.FindPage(7), GUID_NULL);
}

TEST_F(ControlTest, AboutBoxShowsItsTextsThroughThePresenter) {
  auto rec = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope(rec);
  // Without a version record the label keeps its caption alone.
  TQAVECRAbout bare("");
  EXPECT_EQ(bare.Describe().Text("VersionLabel"), "Electronic Cash Registry Driver v. ");
  EXPECT_EQ(bare.ShowModal(), 1);

  auto control = WithEngine();
  ASSERT_EQ(control->AboutBox(), S_OK);
  auto forms = rec->Forms();
  ASSERT_EQ(forms.size(), 2u) << "the about box is shown by the engine's AboutBox";
  const ui::FormRequest& about = forms[1];
  EXPECT_EQ(about.name, "QAVECRAbout");
  EXPECT_EQ(about.caption, "About");
  EXPECT_EQ(about.Text("NameLbl"), "QAVECR ActiveX Control");
  EXPECT_EQ(about.Text("VersionLabel"), "Electronic Cash Registry Driver v. " + ControlFileVersion());
  EXPECT_EQ(about.Text("OkBtn"), "OK");
  EXPECT_EQ(about.defaultResult, 1);

  ASSERT_EQ(WithoutEngine()->AboutBox(), S_OK);
  EXPECT_EQ(rec->Forms().size(), 2u) << "without an engine nothing is shown";
}

// The about box as a person sees it: the name line in bold above the version,
// one OK button that Enter and Escape both press, and a fixed dialog border
// whose title bar has the system menu only.
TEST_F(ControlTest, AboutBoxIsTwoLabelsAndAnOkButtonInAFixedDialog) {
  auto rec = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope(rec);
  TQAVECRAbout about("1.2.3.4");
  EXPECT_EQ(about.Name(), "QAVECRAbout");
  EXPECT_EQ(about.Caption(), "About");
  EXPECT_EQ(about.Border(), ui::BorderStyle::Dialog);
  EXPECT_EQ(about.Position(), ui::FormPosition::ScreenCenter);
  std::vector<std::string> shown;
  for (const auto& c : about.Children()) {
    if (auto* label = dynamic_cast<const ui::Label*>(c.get()))
      shown.push_back("label " + label->Name() + (label->Bold() ? " (bold): " : ": ") + label->Caption());
    else if (auto* button = dynamic_cast<const ui::Button*>(c.get()))
      shown.push_back("button " + button->Name() + ": " + button->Caption());
    else
      shown.push_back("other " + c->Name());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"label NameLbl (bold): QAVECR ActiveX Control",
                                             "label VersionLabel: Electronic Cash Registry Driver v. 1.2.3.4",
                                             "button OkBtn: OK"}));
  for (auto key : {&ui::PressEnter, &ui::PressEscape}) {
    rec->PlayForm([key](ui::Form& f) { key(f); });
    EXPECT_EQ(about.ShowModal(), 1);
  }
  EXPECT_TRUE(rec->Messages().empty());
}

// True for a version of four dot-separated numbers, as "1.0.0.0".
bool IsFourPartVersion(const std::string& v) {
  int dots = 0;
  bool digits = false;
  for (char c : v) {
    if (c >= '0' && c <= '9') {
      digits = true;
      continue;
    }
    if (c != '.' || !digits) return false;
    ++dots;
    digits = false;
  }
  return digits && dots == 3;
}

TEST_F(ControlTest, AboutBoxAppendsTheControlModulesFileVersion) {
  // The module found by its home name through the system directory.
  fs::copy_file(CORVATIN_MODULE_PATH, dir_ / "libcorvatin.so");
  const std::string version = ControlFileVersion();
  EXPECT_TRUE(IsFourPartVersion(version)) << version;
  auto rec = std::make_shared<ui::RecordingPresenter>();
  ui::ScopedPresenter scope(rec);
  ShowAbout();
  ASSERT_EQ(rec->Forms().size(), 1u);
  EXPECT_EQ(rec->Forms()[0].Text("VersionLabel"), "Electronic Cash Registry Driver v. " + version);
}

TEST_F(ControlTest, WithoutAnEngineMembersGiveTheirFixedAnswers) {
  auto c = WithoutEngine();
  IQAVECR* q = c.Get();
  // The member's Boolean answer as text; "failed" when the member failed.
  auto boolOf = [](const std::function<HRESULT(VARIANT_BOOL*)>& member) -> std::string {
    VARIANT_BOOL v = 1;  // neither True nor False before the call
    HRESULT hr = member(&v);
    if (FAILED(hr)) return "failed";
    return v == VARIANT_TRUE ? "True" : v == VARIANT_FALSE ? "False" : "unset";
  };
  struct Case {
    const char* name;
    std::function<std::string()> answer;
    std::string expected;
  };
  const Case cases[] = {
      {"EOF", [&] { return boolOf([&](VARIANT_BOOL* v) { return q->get_EOF(v); }); }, "True"},
      {"Connect", [&] { return boolOf([&](VARIANT_BOOL* v) { return q->Connect(v); }); }, "False"},
      {"BeginWrite", [&] { return boolOf([&](VARIANT_BOOL* v) { return q->BeginWrite(8, v); }); }, "False"},
      {"ReadCashier", [&] { return boolOf([&](VARIANT_BOOL* v) { return q->ReadCashier(nullptr, v); }); },
       "False"},
      {"ChangeDevice", [&] { return boolOf([&](VARIANT_BOOL* v) { return q->ChangeDevice(0, v); }); }, "False"},
      {"EditPacketLibraryFile",
       [&] { return boolOf([&](VARIANT_BOOL* v) { return q->EditPacketLibraryFile(v); }); }, "False"},
      {"AutoReadNativeError",
       [&] { return boolOf([&](VARIANT_BOOL* v) { return q->get_AutoReadNativeError(v); }); }, "False"},
      {"KeepConnection", [&] { return boolOf([&](VARIANT_BOOL* v) { return q->get_KeepConnection(v); }); },
       "False"},
      {"LastErrorCode", [&] { LONG v = 0; q->get_LastErrorCode(&v); return std::to_string(v); }, "-1"},
      {"LastErrorMessage", [&] { BSTR b = nullptr; q->get_LastErrorMessage(&b); return Text(b); },
       "ECR object not assigned..."},
      {"LastNativeErrorMessage", [&] { BSTR b = nullptr; q->get_LastNativeErrorMessage(&b); return Text(b); },
       "ECR object not assigned..."},
      {"LastNativeErrorCode", [&] { BSTR b = nullptr; q->get_LastNativeErrorCode(&b); return Text(b); }, "00"},
      {"Version", [&] { BSTR b = nullptr; q->get_Version(&b); return Text(b); }, ""},
      {"PacketLibraryFile", [&] { BSTR b = nullptr; q->get_PacketLibraryFile(&b); return Text(b); }, ""},
      {"LastPacketReceived", [&] { BSTR b = nullptr; q->get_LastPacketReceived(&b); return Text(b); }, ""},
      {"Driver after a put", [&] {
         q->put_Driver(Bstr(u"ignored").Get());
         BSTR b = nullptr;
         q->get_Driver(&b);
         return Text(b);
       }, ""},
      {"CommOptions", [&] {
         IQAVECRCommOptions* o = reinterpret_cast<IQAVECRCommOptions*>(1);
         return std::string(SUCCEEDED(q->get_CommOptions(&o)) && !o ? "none" : "object");
       }, "none"},
      {"Statistics", [&] {
         IQAVZLVDeviceStatistics* s = reinterpret_cast<IQAVZLVDeviceStatistics*>(1);
         return std::string(SUCCEEDED(q->get_Statistics(&s)) && !s ? "none" : "object");
       }, "none"},
      // The in/out argument of a member that never ran is left as the host set it.
      {"ReadNextRecordType's argument", [&] {
         LONG kind = 42;
         std::string answer = boolOf([&](VARIANT_BOOL* v) { return q->ReadNextRecordType(&kind, v); });
         return std::to_string(kind) + answer;
       }, "42False"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.answer(), row.expected);
  }
  EXPECT_EQ(q->put_KeepConnection(VARIANT_TRUE), S_OK) << "a put is ignored";
  ComPtr<TQAVECR> windowless(new TQAVECR(nullptr));
  EXPECT_EQ(windowless->Form().Width(), 32) << "a control asked for no window still has one";
  EXPECT_EQ(windowless->Form().Engine(), nullptr);
  EXPECT_EQ(q->Connect(nullptr), E_POINTER);
  EXPECT_EQ(q->get_LastErrorMessage(nullptr), E_POINTER);
}

TEST_F(ControlTest, MembersGoToTheEngineUnchanged) {
  auto control = WithEngine();
  IQAVECR* q = control.Get();
  IQAVECR* engine = control->Form().Engine();
  ASSERT_NE(engine, nullptr);

  ASSERT_EQ(q->put_Driver(Bstr(u"Kasa nr 1").Get()), S_OK);
  Bstr driver;
  ASSERT_EQ(engine->get_Driver(driver.Out()), S_OK);
  EXPECT_EQ(std::u16string(driver.Get()), u"Kasa nr 1");

  ComPtr<IQAVECRCommOptions> fromControl, fromEngine;
  ASSERT_EQ(q->get_CommOptions(fromControl.Out()), S_OK);
  ASSERT_EQ(engine->get_CommOptions(fromEngine.Out()), S_OK);
  ASSERT_TRUE(fromControl);
  EXPECT_EQ(fromControl.Get(), fromEngine.Get());

  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(q->ChangeDevice(3, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  LONG code = 0;
  ASSERT_EQ(q->get_LastErrorCode(&code), S_OK);
  EXPECT_EQ(code, ecrecUnknownDeviceType) << "the engine's code, not the control's";

  // Through IDispatch by name, as a script host calls it.
  ComPtr<IDispatch> disp = As<IDispatch>(control);
  LPOLESTR name = const_cast<LPOLESTR>(u"ECRNumber");
  DISPID id = 0;
  ASSERT_EQ(disp->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
  Variant value = Variant::Str(u"00042");
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &put, 1, 1};
  ASSERT_EQ(disp->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  Bstr number;
  ASSERT_EQ(engine->get_ECRNumber(number.Out()), S_OK);
  EXPECT_EQ(std::u16string(number.Get()), u"00042");
}

TEST_F(ControlTest, CreatedByClassIdentifier) {
  ComPtr<IQAVECR> control;
  ASSERT_EQ(CoCreateInstance(CLSID_QAVECR, nullptr, CLSCTX_INPROC_SERVER, IQAVECR::Iid, control.OutVoid()), S_OK);
  EXPECT_TRUE(QueryAs<IOleObject>(control.Get()));
  VARIANT_BOOL eof = VARIANT_FALSE;
  ASSERT_EQ(control->get_EOF(&eof), S_OK);
  EXPECT_EQ(eof, VARIANT_TRUE) << "a fresh engine starts at the end of data";
}

// A late-binding host knows no interface of the control at compile time: it
// learns the control's events interface from its class information, maps
// "OnClick" to its DISPID through that type info, connects a sink that answers
// the interface the type info named, and receives a click on the window.
TEST_F(ControlTest, AHostFindsTheEventsThroughTheClassInfoAndReceivesTheClick) {
  ComPtr<TQAVECR> control(new TQAVECR(std::make_unique<TQAVECRForm>(nullptr)));
  IUnknown* object = static_cast<IQAVECR*>(control.Get());

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(QueryAs<IProvideClassInfo>(object)->GetClassInfo(coclass.Out()), S_OK);
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

  auto* sink = new EventSink(eventsIid);
  ComPtr<IDispatch> hold(sink);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(QueryAs<IConnectionPointContainer>(object)->FindConnectionPoint(eventsIid, point.Out()), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
  control->Form().Click();
  ASSERT_EQ(sink->calls.size(), 1u);
  EXPECT_EQ(sink->calls[0].dispid, clickId);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

TEST_F(ControlTest, TheControlAndItsEngineAnswerTheControlInterfacesTypeInfo) {
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
