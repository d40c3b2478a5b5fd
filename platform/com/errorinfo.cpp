// Error information per thread, and the conversion of escaping exceptions.
#include <atomic>
#include <cstdio>

#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/interfaces.h"
#include "platform/com/object.h"

namespace {

class ErrorInfo final : public IErrorInfo {
 public:
  ErrorInfo(const GUID& g, std::u16string_view source, std::u16string_view description)
      : guid_(g), source_(source), description_(description) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IUnknown::Iid || riid == IErrorInfo::Iid) {
      *ppv = static_cast<IErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT GetGUID(GUID* g) override {
    if (!g) return E_POINTER;
    *g = guid_;
    return S_OK;
  }
  HRESULT GetSource(BSTR* s) override {
    if (!s) return E_POINTER;
    *s = SysAllocStringView(source_);
    return S_OK;
  }
  HRESULT GetDescription(BSTR* s) override {
    if (!s) return E_POINTER;
    *s = SysAllocStringView(description_);
    return S_OK;
  }
  HRESULT GetHelpFile(BSTR* s) override {
    if (!s) return E_POINTER;
    *s = nullptr;
    return S_OK;
  }
  HRESULT GetHelpContext(DWORD* c) override {
    if (!c) return E_POINTER;
    *c = 0;
    return S_OK;
  }

 private:
  ~ErrorInfo() = default;
  std::atomic<ULONG> refs_{0};
  GUID guid_;
  std::u16string source_;
  std::u16string description_;
};

// The thread's error information. The reference is released when the thread ends.
struct ThreadError {
  IErrorInfo* info = nullptr;
  ~ThreadError() {
    if (info) info->Release();
  }
};
thread_local ThreadError t_error;

}  // namespace

extern "C" HRESULT SetErrorInfo(ULONG, IErrorInfo* info) {
  if (info) info->AddRef();
  if (t_error.info) t_error.info->Release();
  t_error.info = info;
  return S_OK;
}

extern "C" HRESULT GetErrorInfo(ULONG, IErrorInfo** info) {
  if (!info) return E_POINTER;
  *info = t_error.info;
  t_error.info = nullptr;
  return *info ? S_OK : S_FALSE;
}

void SetErrorInfoText(REFIID iid, std::u16string_view source, std::u16string_view description) {
  auto* e = new ErrorInfo(iid, source, description);
  e->AddRef();
  SetErrorInfo(0, e);
  e->Release();
}

std::u16string TakeErrorDescription() {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return {};
  Bstr d;
  info->GetDescription(d.Out());
  info->Release();
  return std::u16string(d.View());
}

namespace com {

HRESULT ReportException(REFIID iid, const char* source, std::exception_ptr e) {
  HRESULT hr = E_FAIL;
  std::string message;
  try {
    std::rethrow_exception(e);
  } catch (const ComError& x) {
    hr = x.Code();
    message = x.what();
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
    message = "Out of memory";
  } catch (const std::exception& x) {
    message = x.what();
  } catch (...) {
    hr = E_UNEXPECTED;
    message = "Unexpected exception";
  }
  if (SUCCEEDED(hr)) hr = E_FAIL;
  SetErrorInfoText(iid, AnsiToWide(source ? source : ""), AnsiToWide(message));
  return hr;
}

}  // namespace com
