// Enumerators over a snapshot: the connections of a connection point and the
// connection points of a container. Each hands out added references; a clone
// continues from the same position.
#pragma once

#include <vector>

#include "platform/ole/interfaces.h"
#include "platform/ole/unknown.h"

namespace ole {

// One connection as a point keeps it: the sink (queried for the point's
// interface) and its cookie.
struct Connection {
  ComPtr<IUnknown> sink;
  DWORD cookie = 0;
};

class COM_API EnumConnections final : public Unknown<IEnumConnections> {
 public:
  static ComPtr<EnumConnections> Create(std::vector<Connection> items, std::size_t position = 0);

  HRESULT Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) override;
  HRESULT Skip(ULONG cConnections) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumConnections** ppEnum) override;

 private:
  EnumConnections(std::vector<Connection> items, std::size_t position);
  std::vector<Connection> items_;
  std::size_t position_;
};

class COM_API EnumConnectionPoints final : public Unknown<IEnumConnectionPoints> {
 public:
  static ComPtr<EnumConnectionPoints> Create(std::vector<ComPtr<IConnectionPoint>> items, std::size_t position = 0);

  HRESULT Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) override;
  HRESULT Skip(ULONG cConnections) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumConnectionPoints** ppEnum) override;

 private:
  EnumConnectionPoints(std::vector<ComPtr<IConnectionPoint>> items, std::size_t position);
  std::vector<ComPtr<IConnectionPoint>> items_;
  std::size_t position_;
};

}  // namespace ole
