// The base of the control classes: the definitions of what NVRActiveXControl.h
// declares.
#include "corvatin/control/NVRActiveXControl.h"

#include <array>
#include <cmath>
#include <cstring>

#include "corvatin/control/CorvatinServer.h"

namespace corvatin {

namespace {

constexpr std::array<BYTE, 4> kSignature = {'N', 'V', 'A', 'X'};
constexpr std::uint32_t kFormatVersion = 1;
constexpr double kHimetricPerInch = 2540.0;
constexpr double kPixelsPerInch = 96.0;

void PutLong(BYTE* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

std::uint32_t GetLong(const BYTE* p) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return v;
}

template <class T>
HRESULT NotImplemented(T** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace

LONG PixelsToHimetric(LONG pixels) { return static_cast<LONG>(std::lround(pixels * kHimetricPerInch / kPixelsPerInch)); }

LONG HimetricToPixels(LONG himetric) {
  return static_cast<LONG>(std::lround(himetric * kPixelsPerInch / kHimetricPerInch));
}

TNVRActiveXControl::TNVRActiveXControl(const ControlClassInfo& info)
    : info_(info), links_(std::make_unique<TNVRAXPropertyToPageLinks>()) {
  // The control fires to one sink: a second host connection is refused.
  events_ = ole::ConnectionPoint::Create(info_.eventsIid, static_cast<IConnectionPointContainer*>(this), 1,
                                         [this] { EventSinkChanged(EventSink()); });
}

TNVRActiveXControl::~TNVRActiveXControl() {
  // A host may still hold the connection point: it loses its container and sinks.
  events_->Detach();
}

void TNVRActiveXControl::Initialize() {
  if (!links_) links_ = std::make_unique<TNVRAXPropertyToPageLinks>();
  DefinePropertyPages(*links_);
}

IUnknown* TNVRActiveXControl::EventSink() const {
  const auto& connections = events_->Connections();
  return connections.empty() ? nullptr : connections.front().sink.Get();
}

HRESULT TNVRActiveXControl::QueryControlInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IUnknown* itf = nullptr;
  if (riid == IOleObject::Iid) itf = static_cast<IOleObject*>(this);
  else if (riid == IOleControl::Iid) itf = static_cast<IOleControl*>(this);
  else if (riid == IPersistStreamInit::Iid || riid == IPersist::Iid) itf = static_cast<IPersistStreamInit*>(this);
  else if (riid == IPersistStorage::Iid) itf = static_cast<IPersistStorage*>(this);
  else if (riid == IConnectionPointContainer::Iid) itf = static_cast<IConnectionPointContainer*>(this);
  else if (riid == IProvideClassInfo::Iid || riid == IProvideClassInfo2::Iid)
    itf = static_cast<IProvideClassInfo2*>(this);
  else if (riid == IPerPropertyBrowsing::Iid) itf = static_cast<IPerPropertyBrowsing*>(this);
  if (!itf) return E_NOINTERFACE;
  itf->AddRef();
  *ppv = itf;
  return S_OK;
}

// ---------------------------------------------------------------------------
// IOleObject

HRESULT TNVRActiveXControl::SetClientSite(IOleClientSite* pClientSite) {
  site_ = ComPtr<IOleClientSite>(pClientSite);
  return S_OK;
}

HRESULT TNVRActiveXControl::GetClientSite(IOleClientSite** ppClientSite) {
  if (!ppClientSite) return E_POINTER;
  *ppClientSite = ComPtr(site_).Detach();
  return S_OK;
}

// The control keeps no names of its host; the call is part of every embedding.
HRESULT TNVRActiveXControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

// The control has no running state beyond its window: closing only succeeds.
HRESULT TNVRActiveXControl::Close(DWORD) { return S_OK; }

HRESULT TNVRActiveXControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::GetMoniker(DWORD, DWORD, IMoniker** ppmk) { return NotImplemented(ppmk); }

HRESULT TNVRActiveXControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::GetClipboardData(DWORD, IDataObject** ppDataObject) {
  return NotImplemented(ppDataObject);
}

HRESULT TNVRActiveXControl::DoVerb(LONG, MSG*, IOleClientSite*, LONG, HWND, const RECT*) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) { return NotImplemented(ppEnumOleVerb); }

HRESULT TNVRActiveXControl::Update() { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::IsUpToDate() { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::GetUserClassID(CLSID* pClsid) {
  if (!pClsid) return E_POINTER;
  *pClsid = info_.clsid;
  return S_OK;
}

HRESULT TNVRActiveXControl::GetUserType(DWORD, LPOLESTR* pszUserType) { return NotImplemented(pszUserType); }

// A host's new extent is a resize request to the window, which keeps the size it
// chooses; GetExtent then reports the size the window has.
HRESULT TNVRActiveXControl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (!psizel) return E_POINTER;
  if (dwDrawAspect != DVASPECT_CONTENT) return E_INVALIDARG;
  ResizeWindow(HimetricToPixels(psizel->cx), HimetricToPixels(psizel->cy));
  return S_OK;
}

HRESULT TNVRActiveXControl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (!psizel) return E_POINTER;
  if (dwDrawAspect != DVASPECT_CONTENT) return E_INVALIDARG;
  const SIZE size = WindowSize();
  psizel->cx = PixelsToHimetric(size.cx);
  psizel->cy = PixelsToHimetric(size.cy);
  return S_OK;
}

HRESULT TNVRActiveXControl::Advise(IAdviseSink*, DWORD* pdwConnection) {
  if (pdwConnection) *pdwConnection = 0;
  return E_NOTIMPL;
}

HRESULT TNVRActiveXControl::Unadvise(DWORD) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::EnumAdvise(IEnumSTATDATA** ppenumAdvise) { return NotImplemented(ppenumAdvise); }

HRESULT TNVRActiveXControl::GetMiscStatus(DWORD, DWORD* pdwStatus) {
  if (!pdwStatus) return E_POINTER;
  *pdwStatus = info_.miscStatus;
  return S_OK;
}

HRESULT TNVRActiveXControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---------------------------------------------------------------------------
// IOleControl: the control has no mnemonics, no ambient-dependent state and fires
// its one event as it happens.

HRESULT TNVRActiveXControl::GetControlInfo(CONTROLINFO*) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::OnMnemonic(MSG*) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::OnAmbientPropertyChange(DISPID) { return E_NOTIMPL; }

HRESULT TNVRActiveXControl::FreezeEvents(BOOL) { return E_NOTIMPL; }

// ---------------------------------------------------------------------------
// Persistence

HRESULT TNVRActiveXControl::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  *pClassID = info_.clsid;
  return S_OK;
}

HRESULT TNVRActiveXControl::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

HRESULT TNVRActiveXControl::LoadState(IStream* stream) {
  if (!stream) return E_POINTER;
  BYTE state[kControlStateSize] = {};
  ULONG read = 0;
  HRESULT hr = stream->Read(state, kControlStateSize, &read);
  if (FAILED(hr)) return hr;
  if (read != kControlStateSize) return STG_E_READFAULT;
  // A stream of another format leaves the control as it was.
  if (std::memcmp(state, kSignature.data(), kSignature.size()) != 0 || GetLong(state + 4) != kFormatVersion)
    return E_FAIL;
  ResizeWindow(static_cast<LONG>(GetLong(state + 8)), static_cast<LONG>(GetLong(state + 12)));
  initialized_ = true;
  dirty_ = false;
  return S_OK;
}

HRESULT TNVRActiveXControl::SaveState(IStream* stream) {
  if (!stream) return E_POINTER;
  const SIZE size = WindowSize();
  BYTE state[kControlStateSize] = {};
  std::memcpy(state, kSignature.data(), kSignature.size());
  PutLong(state + 4, kFormatVersion);
  PutLong(state + 8, static_cast<std::uint32_t>(size.cx));
  PutLong(state + 12, static_cast<std::uint32_t>(size.cy));
  ULONG written = 0;
  HRESULT hr = stream->Write(state, kControlStateSize, &written);
  if (FAILED(hr)) return hr;
  return written == kControlStateSize ? S_OK : STG_E_WRITEFAULT;
}

HRESULT TNVRActiveXControl::Load(IStream* pStm) { return LoadState(pStm); }

HRESULT TNVRActiveXControl::Save(IStream* pStm, BOOL fClearDirty) {
  HRESULT hr = SaveState(pStm);
  if (SUCCEEDED(hr) && fClearDirty) dirty_ = false;
  return hr;
}

HRESULT TNVRActiveXControl::GetSizeMax(ULARGE_INTEGER* pCbSize) {
  if (!pCbSize) return E_POINTER;
  pCbSize->QuadPart = kControlStateSize;
  return S_OK;
}

// A new control starts with its window as created; it has not been saved yet.
// A control already loaded or initialized refuses a second start.
HRESULT TNVRActiveXControl::InitNew() {
  if (initialized_) return E_UNEXPECTED;
  initialized_ = true;
  dirty_ = true;
  return S_OK;
}

HRESULT TNVRActiveXControl::InitNew(IStorage* pStg) {
  if (!pStg) return E_POINTER;
  return InitNew();
}

HRESULT TNVRActiveXControl::Load(IStorage* pStg) {
  if (!pStg) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = pStg->OpenStream(info_.saveStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Out());
  if (FAILED(hr)) return hr;
  return LoadState(stream.Get());
}

HRESULT TNVRActiveXControl::Save(IStorage* pStgSave, BOOL) {
  if (!pStgSave) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = pStgSave->CreateStream(info_.saveStreamName, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                      stream.Out());
  if (FAILED(hr)) return hr;
  hr = SaveState(stream.Get());
  if (SUCCEEDED(hr)) dirty_ = false;
  return hr;
}

// The control keeps no storage between calls: the end of a save and the host
// taking its storage back need nothing from it.
HRESULT TNVRActiveXControl::SaveCompleted(IStorage*) { return S_OK; }

HRESULT TNVRActiveXControl::HandsOffStorage() { return S_OK; }

// ---------------------------------------------------------------------------
// Connection points

HRESULT TNVRActiveXControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = ole::EnumConnectionPoints::Create({ComPtr<IConnectionPoint>(events_.Get())}).Detach();
  return S_OK;
}

HRESULT TNVRActiveXControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (riid != info_.eventsIid) return CONNECT_E_NOCONNECTION;
  *ppCP = ComPtr<IConnectionPoint>(events_.Get()).Detach();
  return S_OK;
}

// ---------------------------------------------------------------------------
// Class information: the control's coclass in the module's type library, which
// names its default interface and its default source (the events interface).

HRESULT TNVRActiveXControl::GetClassInfo(ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  return com::GetTypeInfoOf(CorvatinModule().TypeLib(), info_.clsid, ppTI);
}

HRESULT TNVRActiveXControl::GetGUID(DWORD dwGuidKind, GUID* pGUID) {
  if (!pGUID) return E_POINTER;
  if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *pGUID = GUID_NULL;
    return E_INVALIDARG;
  }
  *pGUID = info_.eventsIid;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Property browsing: no property has a display text or predefined values of the
// control's own (a browser shows the value itself); pages come from the links.

HRESULT TNVRActiveXControl::GetDisplayString(DISPID, BSTR* pBstr) {
  if (!pBstr) return E_POINTER;
  *pBstr = nullptr;
  return E_NOTIMPL;
}

HRESULT TNVRActiveXControl::MapPropertyToPage(DISPID dispID, CLSID* pClsid) {
  if (!pClsid) return E_POINTER;
  *pClsid = links_ ? links_->FindPage(dispID) : GUID_NULL;
  return *pClsid == GUID_NULL ? E_NOTIMPL : S_OK;
}

HRESULT TNVRActiveXControl::GetPredefinedStrings(DISPID, CALPOLESTR* pCaStringsOut, CADWORD* pCaCookiesOut) {
  if (!pCaStringsOut || !pCaCookiesOut) return E_POINTER;
  *pCaStringsOut = CALPOLESTR{0, nullptr};
  *pCaCookiesOut = CADWORD{0, nullptr};
  return E_NOTIMPL;
}

HRESULT TNVRActiveXControl::GetPredefinedValue(DISPID, DWORD, VARIANT* pVarOut) {
  if (!pVarOut) return E_POINTER;
  return E_NOTIMPL;
}

}  // namespace corvatin
