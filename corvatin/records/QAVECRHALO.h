// The register's HALO limit table: an owning list of money limits addressed by
// 0-based index.
#pragma once

#include <vector>

#include "corvatin/control/CorvatinServer.h"

namespace corvatin {

// One limit of the table; a plain item owned by its list.
struct TQAVECRHALOItem {
  CY Value{};
};

class TQAVECRHALO final : public CorvatinObject<IQAVECRHALO> {
 public:
  HRESULT get_Count(LONG* result) override;
  HRESULT get_Values(LONG i, CY* result) override;
  HRESULT put_Values(LONG i, CY value) override;
  HRESULT Add(CY value, VARIANT_BOOL* result) override;
  HRESULT Delete(LONG i, VARIANT_BOOL* result) override;
  HRESULT Clear(VARIANT_BOOL* result) override;

  // C++ access; an index outside the list throws the list's index error.
  const std::vector<TQAVECRHALOItem>& Limits() const { return items_; }
  void Append(CY value) { items_.push_back({value}); }
  void Remove(LONG i);
  void RemoveAll() { items_.clear(); }

 private:
  std::vector<TQAVECRHALOItem> items_;
};

}  // namespace corvatin
