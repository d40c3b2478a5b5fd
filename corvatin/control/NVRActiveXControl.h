// The base of the control classes: the interfaces a host calls on an embedded
// control besides the control's own dual interface. It serves the object
// (client site, extent, miscellaneous status), persistence of the control's
// window in a stream or in a storage stream, one connection point for the
// control's events with a single sink, class information (the events
// interface), and property browsing through the property-to-page links. Every
// member a control does not need answers E_NOTIMPL.
//
// The most derived class implements IUnknown once for all of these interfaces
// and hands them out through QueryControlInterface; it owns the window, which the
// base reaches through WindowSize and ResizeWindow.
//
// What is saved is the control's own state, never the settings of the engine
// behind it: the window's size, 16 bytes in little-endian order:
//   "NVAX" (the format's signature), 32-bit version 1, 32-bit width, 32-bit height.
#pragma once

#include <memory>

#include "corvatin/control/NVRAXPropertyToPageLinks.h"
#include "platform/ole/ConnectionPoint.h"

namespace corvatin {

// What a control class tells its base.
struct ControlClassInfo {
  CLSID clsid;
  IID eventsIid;  // the default source (a dispatch interface)
  DWORD miscStatus;  // as GetMiscStatus answers it for every aspect
  const char16_t* saveStreamName;  // the stream of the control's state in a storage
};

// The saved state's size and the extent unit (hundredths of a millimetre; a
// window is measured at 96 pixels per inch).
constexpr ULONG kControlStateSize = 16;
LONG PixelsToHimetric(LONG pixels);
LONG HimetricToPixels(LONG himetric);

class TNVRActiveXControl : public IOleObject,
                           public IOleControl,
                           public IPersistStreamInit,
                           public IPersistStorage,
                           public IConnectionPointContainer,
                           public IProvideClassInfo2,
                           public IPerPropertyBrowsing {
 public:
  explicit TNVRActiveXControl(const ControlClassInfo& info);
  virtual ~TNVRActiveXControl();
  TNVRActiveXControl(const TNVRActiveXControl&) = delete;
  TNVRActiveXControl& operator=(const TNVRActiveXControl&) = delete;

  TNVRAXPropertyToPageLinks& PropertyToPageLinks() { return *links_; }
  // The events sink the host connected, as the point keeps it (null without one).
  IUnknown* EventSink() const;

  // IOleObject
  HRESULT SetClientSite(IOleClientSite* pClientSite) override;
  HRESULT GetClientSite(IOleClientSite** ppClientSite) override;
  HRESULT SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
  HRESULT Close(DWORD dwSaveOption) override;
  HRESULT SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
  HRESULT GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
  HRESULT InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
  HRESULT GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
  HRESULT DoVerb(LONG iVerb, MSG* lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                 const RECT* lprcPosRect) override;
  HRESULT EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
  HRESULT Update() override;
  HRESULT IsUpToDate() override;
  HRESULT GetUserClassID(CLSID* pClsid) override;
  HRESULT GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
  HRESULT SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
  HRESULT GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
  HRESULT Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
  HRESULT Unadvise(DWORD dwConnection) override;
  HRESULT EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
  HRESULT GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
  HRESULT SetColorScheme(LOGPALETTE* pLogpal) override;

  // IOleControl
  HRESULT GetControlInfo(CONTROLINFO* pCI) override;
  HRESULT OnMnemonic(MSG* pMsg) override;
  HRESULT OnAmbientPropertyChange(DISPID dispID) override;
  HRESULT FreezeEvents(BOOL bFreeze) override;

  // IPersist, IPersistStreamInit, IPersistStorage
  HRESULT GetClassID(CLSID* pClassID) override;
  HRESULT IsDirty() override;
  HRESULT Load(IStream* pStm) override;
  HRESULT Save(IStream* pStm, BOOL fClearDirty) override;
  HRESULT GetSizeMax(ULARGE_INTEGER* pCbSize) override;
  HRESULT InitNew() override;
  HRESULT InitNew(IStorage* pStg) override;
  HRESULT Load(IStorage* pStg) override;
  HRESULT Save(IStorage* pStgSave, BOOL fSameAsLoad) override;
  HRESULT SaveCompleted(IStorage* pStgNew) override;
  HRESULT HandsOffStorage() override;

  // IConnectionPointContainer
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  // IProvideClassInfo2
  HRESULT GetClassInfo(ITypeInfo** ppTI) override;
  HRESULT GetGUID(DWORD dwGuidKind, GUID* pGUID) override;

  // IPerPropertyBrowsing
  HRESULT GetDisplayString(DISPID dispID, BSTR* pBstr) override;
  HRESULT MapPropertyToPage(DISPID dispID, CLSID* pClsid) override;
  HRESULT GetPredefinedStrings(DISPID dispID, CALPOLESTR* pCaStringsOut, CADWORD* pCaCookiesOut) override;
  HRESULT GetPredefinedValue(DISPID dispID, DWORD dwCookie, VARIANT* pVarOut) override;

 protected:
  // One of the interfaces above, with a reference added; E_NOINTERFACE for any
  // other.
  HRESULT QueryControlInterface(REFIID riid, void** ppv);

  // The sink changed: `sink` is the new one (the events interface's pointer) or
  // null when the host disconnected.
  virtual void EventSinkChanged(IUnknown* sink) = 0;
  // The window's size in pixels, and a request to change it (the window decides
  // what size it takes).
  virtual SIZE WindowSize() const = 0;
  virtual void ResizeWindow(LONG width, LONG height) = 0;
  // The property pages of the control's properties: links added here are what
  // MapPropertyToPage answers. None by default.
  virtual void DefinePropertyPages(TNVRAXPropertyToPageLinks&) {}

  // Called once by the derived constructor, when the window exists.
  void Initialize();

 private:
  HRESULT LoadState(IStream* stream);
  HRESULT SaveState(IStream* stream);

  ControlClassInfo info_;
  std::unique_ptr<TNVRAXPropertyToPageLinks> links_;
  ComPtr<ole::ConnectionPoint> events_;
  ComPtr<IOleClientSite> site_;
  bool initialized_ = false;  // by InitNew or Load
  bool dirty_ = false;
};

}  // namespace corvatin
