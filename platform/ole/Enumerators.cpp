#include "platform/ole/Enumerators.h"

#include <algorithm>

namespace ole {

namespace {
// The shared rules of Next: an output array is required, and asking for more than
// one element needs a place for the count. S_FALSE when fewer were fetched.
template <class Items, class Out, class Store>
HRESULT NextOf(const Items& items, std::size_t& position, ULONG wanted, Out* out, ULONG* fetched, Store store) {
  if (fetched) *fetched = 0;
  if (!out) return E_POINTER;
  if (wanted > 1 && !fetched) return E_INVALIDARG;
  ULONG n = 0;
  while (n < wanted && position < items.size()) store(out[n++], items[position++]);
  if (fetched) *fetched = n;
  return n == wanted ? S_OK : S_FALSE;
}

HRESULT SkipOf(std::size_t size, std::size_t& position, ULONG count) {
  std::size_t left = size - std::min(position, size);
  position += std::min<std::size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}
}  // namespace

EnumConnections::EnumConnections(std::vector<Connection> items, std::size_t position)
    : items_(std::move(items)), position_(position) {}

ComPtr<EnumConnections> EnumConnections::Create(std::vector<Connection> items, std::size_t position) {
  return ComPtr<EnumConnections>(new EnumConnections(std::move(items), position));
}

HRESULT EnumConnections::Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) {
  return NextOf(items_, position_, cConnections, rgcd, pcFetched, [](CONNECTDATA& out, const Connection& c) {
    out.pUnk = c.sink.Get();
    if (out.pUnk) out.pUnk->AddRef();
    out.dwCookie = c.cookie;
  });
}

HRESULT EnumConnections::Skip(ULONG cConnections) { return SkipOf(items_.size(), position_, cConnections); }

HRESULT EnumConnections::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT EnumConnections::Clone(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = Create(items_, position_).Detach();
  return S_OK;
}

EnumConnectionPoints::EnumConnectionPoints(std::vector<ComPtr<IConnectionPoint>> items, std::size_t position)
    : items_(std::move(items)), position_(position) {}

ComPtr<EnumConnectionPoints> EnumConnectionPoints::Create(std::vector<ComPtr<IConnectionPoint>> items,
                                                          std::size_t position) {
  return ComPtr<EnumConnectionPoints>(new EnumConnectionPoints(std::move(items), position));
}

HRESULT EnumConnectionPoints::Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) {
  return NextOf(items_, position_, cConnections, ppCP, pcFetched,
                [](IConnectionPoint*& out, const ComPtr<IConnectionPoint>& p) { out = ComPtr(p).Detach(); });
}

HRESULT EnumConnectionPoints::Skip(ULONG cConnections) { return SkipOf(items_.size(), position_, cConnections); }

HRESULT EnumConnectionPoints::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT EnumConnectionPoints::Clone(IEnumConnectionPoints** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = Create(items_, position_).Detach();
  return S_OK;
}

}  // namespace ole
