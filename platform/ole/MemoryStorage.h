// A storage in memory holding named streams: what a host that saves its controls
// into a compound document hands a control, reduced to the calls a control makes
// (create a stream, open it again, mark the storage with the control's class).
// Element names compare without regard to the case of ASCII letters, as in a
// compound file.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ole/MemoryStream.h"

namespace ole {

class COM_API MemoryStorage final : public Unknown<IStorage> {
 public:
  static ComPtr<MemoryStorage> Create();

  // The names of the streams, in order of name; the bytes of one (none when there
  // is no such stream).
  std::vector<std::u16string> StreamNames() const;
  std::optional<std::vector<BYTE>> StreamBytes(std::u16string_view name) const;
  // Adds or replaces a stream, for a test or a host that brings saved bytes.
  void PutStream(std::u16string_view name, std::vector<BYTE> bytes);
  const CLSID& Class() const { return clsid_; }

  HRESULT CreateStream(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved1, DWORD reserved2,
                       IStream** ppstm) override;
  HRESULT OpenStream(const OLECHAR* pwcsName, void* reserved1, DWORD grfMode, DWORD reserved2,
                     IStream** ppstm) override;
  HRESULT CreateStorage(const OLECHAR* pwcsName, DWORD grfMode, DWORD reserved1, DWORD reserved2,
                        IStorage** ppstg) override;
  HRESULT OpenStorage(const OLECHAR* pwcsName, IStorage* pstgPriority, DWORD grfMode, SNB snbExclude,
                      DWORD reserved, IStorage** ppstg) override;
  HRESULT CopyTo(DWORD ciidExclude, const IID* rgiidExclude, SNB snbExclude, IStorage* pstgDest) override;
  HRESULT MoveElementTo(const OLECHAR* pwcsName, IStorage* pstgDest, const OLECHAR* pwcsNewName,
                        DWORD grfFlags) override;
  HRESULT Commit(DWORD grfCommitFlags) override;
  HRESULT Revert() override;
  HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3, IEnumSTATSTG** ppenum) override;
  HRESULT DestroyElement(const OLECHAR* pwcsName) override;
  HRESULT RenameElement(const OLECHAR* pwcsOldName, const OLECHAR* pwcsNewName) override;
  HRESULT SetElementTimes(const OLECHAR* pwcsName, const FILETIME* pctime, const FILETIME* patime,
                          const FILETIME* pmtime) override;
  HRESULT SetClass(REFCLSID clsid) override;
  HRESULT SetStateBits(DWORD grfStateBits, DWORD grfMask) override;
  HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;

 private:
  struct NameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const;
  };
  std::map<std::u16string, MemoryStream::Buffer, NameLess> streams_;
  CLSID clsid_{};
};

}  // namespace ole
