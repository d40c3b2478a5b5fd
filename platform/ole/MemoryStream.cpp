#include "platform/ole/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "platform/com/activation.h"

namespace ole {

namespace {
// The largest buffer a memory stream grows to; a larger size or a write beyond it
// answers "medium full" rather than exhausting the process.
constexpr ULONGLONG kMaxSize = std::numeric_limits<std::uint32_t>::max();
}  // namespace

LPOLESTR CoTaskStrDup(std::u16string_view name) {
  if (name.empty()) return nullptr;
  auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
  if (!p) return nullptr;
  std::copy(name.begin(), name.end(), p);
  p[name.size()] = 0;
  return p;
}

MemoryStream::MemoryStream(Buffer buffer, std::u16string name, bool writable)
    : buffer_(buffer ? std::move(buffer) : std::make_shared<std::vector<BYTE>>()),
      name_(std::move(name)),
      writable_(writable) {}

ComPtr<MemoryStream> MemoryStream::Create(Buffer buffer, std::u16string name, bool writable) {
  return ComPtr<MemoryStream>(new MemoryStream(std::move(buffer), std::move(name), writable));
}

ComPtr<MemoryStream> MemoryStream::FromBytes(const std::vector<BYTE>& bytes) {
  return Create(std::make_shared<std::vector<BYTE>>(bytes));
}

HRESULT MemoryStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
  if (pcbRead) *pcbRead = 0;
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  const ULONGLONG size = buffer_->size();
  ULONG n = position_ >= size ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(cb, size - position_));
  if (n) std::memcpy(pv, buffer_->data() + position_, n);
  position_ += n;
  if (pcbRead) *pcbRead = n;
  return S_OK;
}

HRESULT MemoryStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
  if (pcbWritten) *pcbWritten = 0;
  if (!pv && cb) return STG_E_INVALIDPOINTER;
  if (!writable_) return STG_E_ACCESSDENIED;
  if (cb == 0) return S_OK;
  const ULONGLONG end = position_ + cb;
  if (position_ > kMaxSize || end > kMaxSize) return STG_E_MEDIUMFULL;
  try {
    // Writing past the end fills the gap with zeros.
    if (end > buffer_->size()) buffer_->resize(static_cast<std::size_t>(end));
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  std::memcpy(buffer_->data() + position_, pv, cb);
  position_ = end;
  if (pcbWritten) *pcbWritten = cb;
  return S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) {
  LONGLONG base = 0;
  switch (dwOrigin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
    case STREAM_SEEK_END: base = static_cast<LONGLONG>(buffer_->size()); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  // A position before the start, or one that overflows, leaves the position as it
  // was.
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, dlibMove.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
  position_ = static_cast<ULONGLONG>(target);
  if (plibNewPosition) plibNewPosition->QuadPart = position_;
  return S_OK;
}

HRESULT MemoryStream::SetSize(ULARGE_INTEGER libNewSize) {
  if (!writable_) return STG_E_ACCESSDENIED;
  if (libNewSize.QuadPart > kMaxSize) return STG_E_MEDIUMFULL;
  try {
    buffer_->resize(static_cast<std::size_t>(libNewSize.QuadPart));
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  return S_OK;
}

HRESULT MemoryStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) { return E_NOTIMPL; }

// A memory stream writes straight into its buffer: there is nothing to commit.
HRESULT MemoryStream::Commit(DWORD) { return S_OK; }

HRESULT MemoryStream::Revert() { return E_NOTIMPL; }

HRESULT MemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

HRESULT MemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

HRESULT MemoryStream::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
  if (!pstatstg) return STG_E_INVALIDPOINTER;
  *pstatstg = STATSTG{};
  pstatstg->type = STGTY_STREAM;
  pstatstg->cbSize.QuadPart = buffer_->size();
  pstatstg->grfMode = (writable_ ? STGM_READWRITE : STGM_READ) | STGM_SHARE_EXCLUSIVE;
  if (!(grfStatFlag & STATFLAG_NONAME)) pstatstg->pwcsName = CoTaskStrDup(name_);
  return S_OK;
}

HRESULT MemoryStream::Clone(IStream** ppstm) {
  if (ppstm) *ppstm = nullptr;
  return E_NOTIMPL;
}

}  // namespace ole
