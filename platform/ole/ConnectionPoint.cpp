#include "platform/ole/ConnectionPoint.h"

#include <algorithm>

namespace ole {

ConnectionPoint::ConnectionPoint(REFIID iid, IConnectionPointContainer* container, std::size_t limit,
                                 ChangedFn changed)
    : iid_(iid), container_(container), limit_(limit), changed_(std::move(changed)) {}

ComPtr<ConnectionPoint> ConnectionPoint::Create(REFIID iid, IConnectionPointContainer* container, std::size_t limit,
                                                ChangedFn changed) {
  return ComPtr<ConnectionPoint>(new ConnectionPoint(iid, container, limit, std::move(changed)));
}

void ConnectionPoint::Detach() {
  container_ = nullptr;
  changed_ = nullptr;
  // Released after the list is emptied: a sink's destructor may call back.
  std::vector<Connection> dropped;
  dropped.swap(connections_);
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = nullptr;
  if (!container_) return E_UNEXPECTED;
  container_->AddRef();
  *ppCPC = container_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (pdwCookie) *pdwCookie = 0;
  if (!pUnkSink || !pdwCookie) return E_POINTER;
  if (!container_) return E_UNEXPECTED;
  if (connections_.size() >= limit_) return CONNECT_E_ADVISELIMIT;
  // The sink must implement the point's interface; the point keeps that
  // interface's pointer.
  ComPtr<IUnknown> sink;
  if (FAILED(pUnkSink->QueryInterface(iid_, sink.OutVoid())) || !sink) return CONNECT_E_CANNOTCONNECT;
  const DWORD cookie = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  connections_.push_back(Connection{std::move(sink), cookie});
  *pdwCookie = cookie;
  if (changed_) changed_();
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD dwCookie) {
  auto it = std::find_if(connections_.begin(), connections_.end(),
                         [&](const Connection& c) { return c.cookie == dwCookie; });
  if (it == connections_.end()) return CONNECT_E_NOCONNECTION;
  Connection dropped = std::move(*it);
  connections_.erase(it);
  if (changed_) changed_();
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = ole::EnumConnections::Create(connections_).Detach();
  return S_OK;
}

}  // namespace ole
