// The stand-in hub service and its channel links.
#include "tests/zelvani/devices/FakeHub.h"

#include <stdexcept>

#include "platform/com/ansi.h"
#include "platform/com/registry.h"

namespace zelvani {

namespace {

BSTR ToBstr(const std::string& ansi) { return AnsiToBstr(ansi); }

}  // namespace

// ---------------------------------------------------------------------------
// FakeLink

FakeLink& FakeLink::Answer(const std::string& bytes) {
  std::lock_guard g(lock_);
  answers_.push_back(bytes);
  return *this;
}

FakeLink& FakeLink::Preload(const std::string& bytes) {
  std::lock_guard g(lock_);
  readable_ += bytes;
  return *this;
}

void FakeLink::FailCalls(HRESULT hr, const std::string& text) {
  std::lock_guard g(lock_);
  failCalls_ = hr;
  failText_ = text;
}

HRESULT FakeLink::Failure() const {
  if (SUCCEEDED(failCalls_)) return S_OK;
  SetErrorInfoText(IQAVCommLink::Iid, u"FakeLink", AnsiToWide(failText_));
  return failCalls_;
}

std::vector<std::string> FakeLink::Writes() const {
  std::lock_guard g(lock_);
  return writes_;
}

std::string FakeLink::Written() const {
  std::lock_guard g(lock_);
  std::string all;
  for (const std::string& w : writes_) all += w;
  return all;
}

std::vector<LONG> FakeLink::ReadCounts() const {
  std::lock_guard g(lock_);
  return readCounts_;
}

HRESULT FakeLink::LinkRead(BSTR* data, LONG count, VARIANT_BOOL* ok) {
  std::lock_guard g(lock_);
  *data = nullptr;
  *ok = VARIANT_FALSE;
  if (HRESULT hr = Failure(); FAILED(hr)) return hr;
  ++reads_;
  const std::size_t n = count < 0 ? 0 : static_cast<std::size_t>(count);
  if (silent_ || readable_.size() < n || n == 0) return S_OK;
  *data = ToBstr(readable_.substr(0, n));
  readable_.erase(0, n);
  readCounts_.push_back(count);
  *ok = VARIANT_TRUE;
  return S_OK;
}

HRESULT FakeLink::LinkWrite(BSTR data, VARIANT_BOOL* ok) {
  std::lock_guard g(lock_);
  *ok = VARIANT_FALSE;
  if (HRESULT hr = Failure(); FAILED(hr)) return hr;
  if (failWrites_) return S_OK;
  writes_.push_back(BstrToAnsi(data));
  if (!answers_.empty()) {
    readable_ += answers_.front();
    answers_.pop_front();
  }
  *ok = VARIANT_TRUE;
  return S_OK;
}

HRESULT FakeLink::LinkReset() {
  std::lock_guard g(lock_);
  if (HRESULT hr = Failure(); FAILED(hr)) return hr;
  ++resets_;
  return S_OK;
}

// ---------------------------------------------------------------------------
// FakeHub

FakeHub::FakeHub() = default;

FakeHub::~FakeHub() {
  for (Channel& c : channels_) c.link->Release();
}

std::vector<FakeHub::Channel> FakeHub::Channels() const {
  std::lock_guard g(lock_);
  return channels_;
}

FakeLink* FakeHub::LastLink() const {
  std::lock_guard g(lock_);
  return channels_.empty() ? nullptr : channels_.back().link;
}

HRESULT FakeHub::OpenChannel(LONG channel, BSTR name, VARIANT_BOOL master, BSTR description, IQAVCommLink** link) {
  std::lock_guard g(lock_);
  *link = nullptr;
  if (FAILED(failOpen_)) {
    SetErrorInfoText(IQAVTandrel::Iid, u"FakeHub", u"No free channel");
    return failOpen_;
  }
  if (noLink_) return S_OK;
  auto* l = new FakeLink();
  l->AddRef();  // the hub's own reference
  channels_.push_back({channel, BstrToAnsi(name), master != VARIANT_FALSE, BstrToAnsi(description), l});
  l->AddRef();
  *link = l;
  return S_OK;
}

HRESULT FakeHub::ReleaseChannel(IQAVCommLink* link) {
  std::lock_guard g(lock_);
  if (FAILED(failRelease_)) {
    SetErrorInfoText(IQAVTandrel::Iid, u"FakeHub", u"The channel cannot be released");
    return failRelease_;
  }
  bool ours = false;
  for (const Channel& c : channels_) ours = ours || c.link == link;
  ++releases_;
  if (!ours) ++foreignReleases_;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Registration

void RegisterHubProgId() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "QAVTandrelSrv.QAVTandrel\\Clsid", 0, nullptr, 0, 0, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("Cannot register the hub's program identifier");
  const std::string clsid = GuidToString(CLSID_FakeHub);
  const LSTATUS status = RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                                        static_cast<DWORD>(clsid.size() + 1));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw std::runtime_error("Cannot register the hub's program identifier");
}

RunningHub::RunningHub() : hub_(new FakeHub()) {
  hub_->AddRef();
  RegisterHubProgId();
  if (FAILED(RegisterActiveObject(hub_, CLSID_FakeHub, ACTIVEOBJECT_STRONG, &registration_)))
    throw std::runtime_error("Cannot register the running hub");
}

RunningHub::~RunningHub() {
  RevokeActiveObject(registration_, nullptr);
  hub_->Release();
}

HubClassModule::HubClassModule() { com::AnnounceModule(this); }

HubClassModule::~HubClassModule() {
  com::WithdrawModule(this);
  if (last_) last_->Release();
}

HRESULT HubClassModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!HasClass(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return QueryInterface(riid, ppv);
}

HRESULT HubClassModule::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = riid == IUnknown::Iid || riid == IClassFactory::Iid ? static_cast<IClassFactory*>(this) : nullptr;
  return *ppv ? S_OK : E_NOINTERFACE;
}

HRESULT HubClassModule::CreateInstance(IUnknown*, REFIID riid, void** ppv) {
  auto* hub = new FakeHub();
  hub->AddRef();
  if (last_) last_->Release();
  last_ = hub;
  ++created_;
  return hub->QueryInterface(riid, ppv);
}

}  // namespace zelvani
