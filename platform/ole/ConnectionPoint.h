// One connection point of an event source: the sinks a host advised for one
// outgoing interface, up to a limit (a control that fires to a single sink has a
// limit of one). The container that owns the point is told after every change of
// the sinks, and detaches the point when it goes away, so that a host still
// holding the point gets no dangling container.
#pragma once

#include <functional>
#include <vector>

#include "platform/ole/Enumerators.h"

namespace ole {

class COM_API ConnectionPoint final : public Unknown<IConnectionPoint> {
 public:
  using ChangedFn = std::function<void()>;

  // A point for interface `iid` of `container` (not referenced: the container
  // owns the point) accepting at most `limit` sinks; `changed` runs after every
  // successful Advise and Unadvise.
  static ComPtr<ConnectionPoint> Create(REFIID iid, IConnectionPointContainer* container, std::size_t limit,
                                        ChangedFn changed = {});

  // The container going away: its pointer is dropped and the sinks released.
  void Detach();

  // The current sinks, each as the interface the point carries.
  const std::vector<Connection>& Connections() const { return connections_; }
  // The first sink as interface I (the interface of the point), or null.
  template <class I>
  ComPtr<I> FirstSink() const {
    if (connections_.empty()) return nullptr;
    return ComPtr<I>(static_cast<I*>(connections_.front().sink.Get()));
  }

  HRESULT GetConnectionInterface(IID* pIID) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT Unadvise(DWORD dwCookie) override;
  HRESULT EnumConnections(IEnumConnections** ppEnum) override;

 private:
  ConnectionPoint(REFIID iid, IConnectionPointContainer* container, std::size_t limit, ChangedFn changed);

  IID iid_;
  IConnectionPointContainer* container_;
  std::size_t limit_;
  ChangedFn changed_;
  std::vector<Connection> connections_;
  DWORD nextCookie_ = 1;
};

}  // namespace ole
