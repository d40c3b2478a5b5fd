// The counters of a report: a list of counter objects, each created by its
// class identifier when it is added, handed out by 0-based index.
#pragma once

#include "corvatin/records/QAVECRCollection.h"

namespace corvatin {

class TQAVECRCounters final : public TQAVECRCollection<IQAVECRCounters> {
 public:
  HRESULT get_Count(LONG* result) override;
  HRESULT get_Items(LONG i, IQAVECRCounter** result) override;
  HRESULT Add(LONG counterType, LONG value, BSTR info, VARIANT_BOOL* result) override;
  HRESULT Delete(LONG i, VARIANT_BOOL* result) override;
  HRESULT Clear(VARIANT_BOOL* result) override;

  // Creates a counter by class identifier, sets its kind, value and text in
  // this order and appends it; nothing is appended when any step fails.
  bool AddCounter(LONG counterType, LONG value, BSTR info);
};

}  // namespace corvatin
