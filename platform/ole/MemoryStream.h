// A stream on a byte buffer in memory: what a host hands a control to save its
// state into and load it from, and what the memory storage keeps for each of its
// named streams. Several streams may share one buffer (each stream opened from a
// storage has its own seek position over the storage's bytes).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ole/interfaces.h"
#include "platform/ole/unknown.h"

namespace ole {

class COM_API MemoryStream final : public Unknown<IStream, ISequentialStream> {
 public:
  using Buffer = std::shared_ptr<std::vector<BYTE>>;

  // A stream over `buffer` (a new empty one when null), named `name` for Stat; a
  // read-only stream refuses writes and size changes.
  explicit MemoryStream(Buffer buffer = nullptr, std::u16string name = {}, bool writable = true);

  // A new stream with its first reference.
  static ComPtr<MemoryStream> Create(Buffer buffer = nullptr, std::u16string name = {}, bool writable = true);
  // A new stream holding a copy of `bytes`, positioned at its start.
  static ComPtr<MemoryStream> FromBytes(const std::vector<BYTE>& bytes);

  const std::vector<BYTE>& Bytes() const { return *buffer_; }
  const Buffer& SharedBuffer() const { return buffer_; }
  ULONGLONG Position() const { return position_; }

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
  HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
  HRESULT SetSize(ULARGE_INTEGER libNewSize) override;
  HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) override;
  HRESULT Commit(DWORD grfCommitFlags) override;
  HRESULT Revert() override;
  HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
  HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
  HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
  HRESULT Clone(IStream** ppstm) override;

 private:
  Buffer buffer_;
  std::u16string name_;
  bool writable_;
  ULONGLONG position_ = 0;
};

// A copy of `name` allocated with CoTaskMemAlloc (null for an empty name), as
// Stat and the enumerating calls hand names to their callers.
COM_API LPOLESTR CoTaskStrDup(std::u16string_view name);

}  // namespace ole
