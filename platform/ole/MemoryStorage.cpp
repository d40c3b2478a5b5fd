#include "platform/ole/MemoryStorage.h"

#include <algorithm>

namespace ole {

namespace {
char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Element names of a compound file are at most 31 characters.
constexpr std::size_t kMaxName = 31;

bool ValidName(const OLECHAR* name) {
  return name && name[0] && std::char_traits<char16_t>::length(name) <= kMaxName;
}
}  // namespace

bool MemoryStorage::NameLess::operator()(const std::u16string& a, const std::u16string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return FoldAscii(x) < FoldAscii(y); });
}

ComPtr<MemoryStorage> MemoryStorage::Create() { return ComPtr<MemoryStorage>(new MemoryStorage()); }

std::vector<std::u16string> MemoryStorage::StreamNames() const {
  std::vector<std::u16string> names;
  for (const auto& [name, buffer] : streams_) names.push_back(name);
  return names;
}

std::optional<std::vector<BYTE>> MemoryStorage::StreamBytes(std::u16string_view name) const {
  auto it = streams_.find(std::u16string(name));
  if (it == streams_.end()) return std::nullopt;
  return *it->second;
}

void MemoryStorage::PutStream(std::u16string_view name, std::vector<BYTE> bytes) {
  streams_[std::u16string(name)] = std::make_shared<std::vector<BYTE>>(std::move(bytes));
}

HRESULT MemoryStorage::CreateStream(const OLECHAR* pwcsName, DWORD grfMode, DWORD, DWORD, IStream** ppstm) {
  if (!ppstm) return STG_E_INVALIDPOINTER;
  *ppstm = nullptr;
  if (!ValidName(pwcsName)) return STG_E_INVALIDPARAMETER;
  std::u16string name(pwcsName);
  auto it = streams_.find(name);
  if (it != streams_.end()) {
    if (!(grfMode & STGM_CREATE)) return STG_E_FILEALREADYEXISTS;
    // Re-creating a stream empties it; the stored name keeps its first spelling.
    it->second = std::make_shared<std::vector<BYTE>>();
  } else {
    it = streams_.emplace(name, std::make_shared<std::vector<BYTE>>()).first;
  }
  *ppstm = MemoryStream::Create(it->second, it->first, true).Detach();
  return S_OK;
}

HRESULT MemoryStorage::OpenStream(const OLECHAR* pwcsName, void*, DWORD grfMode, DWORD, IStream** ppstm) {
  if (!ppstm) return STG_E_INVALIDPOINTER;
  *ppstm = nullptr;
  if (!ValidName(pwcsName)) return STG_E_INVALIDPARAMETER;
  auto it = streams_.find(std::u16string(pwcsName));
  if (it == streams_.end()) return STG_E_FILENOTFOUND;
  const bool writable = (grfMode & (STGM_WRITE | STGM_READWRITE)) != 0;
  *ppstm = MemoryStream::Create(it->second, it->first, writable).Detach();
  return S_OK;
}

HRESULT MemoryStorage::CreateStorage(const OLECHAR*, DWORD, DWORD, DWORD, IStorage** ppstg) {
  if (ppstg) *ppstg = nullptr;
  return E_NOTIMPL;
}

HRESULT MemoryStorage::OpenStorage(const OLECHAR*, IStorage*, DWORD, SNB, DWORD, IStorage** ppstg) {
  if (ppstg) *ppstg = nullptr;
  return E_NOTIMPL;
}

HRESULT MemoryStorage::CopyTo(DWORD, const IID*, SNB, IStorage*) { return E_NOTIMPL; }

HRESULT MemoryStorage::MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*, DWORD) { return E_NOTIMPL; }

// Streams write straight into the storage's buffers: there is nothing to commit.
HRESULT MemoryStorage::Commit(DWORD) { return S_OK; }

HRESULT MemoryStorage::Revert() { return E_NOTIMPL; }

HRESULT MemoryStorage::EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** ppenum) {
  if (ppenum) *ppenum = nullptr;
  return E_NOTIMPL;
}

HRESULT MemoryStorage::DestroyElement(const OLECHAR*) { return E_NOTIMPL; }

HRESULT MemoryStorage::RenameElement(const OLECHAR*, const OLECHAR*) { return E_NOTIMPL; }

HRESULT MemoryStorage::SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*, const FILETIME*) {
  return E_NOTIMPL;
}

HRESULT MemoryStorage::SetClass(REFCLSID clsid) {
  clsid_ = clsid;
  return S_OK;
}

HRESULT MemoryStorage::SetStateBits(DWORD, DWORD) { return E_NOTIMPL; }

HRESULT MemoryStorage::Stat(STATSTG* pstatstg, DWORD) {
  if (!pstatstg) return STG_E_INVALIDPOINTER;
  *pstatstg = STATSTG{};
  pstatstg->type = STGTY_STORAGE;
  pstatstg->grfMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  pstatstg->clsid = clsid_;
  return S_OK;
}

}  // namespace ole
