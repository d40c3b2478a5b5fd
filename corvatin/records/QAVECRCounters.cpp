// The counters of a report: the definitions of what QAVECRCounters.h declares.
#include "corvatin/records/QAVECRCounters.h"

namespace corvatin {

CORVATIN_CLASS(TQAVECRCounters, CLSID_QAVECRCounters);

HRESULT TQAVECRCounters::get_Count(LONG* result) {
  return Get(result, [&] { return GetCount(); });
}

HRESULT TQAVECRCounters::get_Items(LONG i, IQAVECRCounter** result) {
  return Get(result, [&] { return ItemAs<IQAVECRCounter>(i); });
}

HRESULT TQAVECRCounters::Add(LONG counterType, LONG value, BSTR info, VARIANT_BOOL* result) {
  return Get(result, [&] { return AddCounter(counterType, value, info); });
}

HRESULT TQAVECRCounters::Delete(LONG i, VARIANT_BOOL* result) {
  return Get(result, [&] { return DeleteItem(i); });
}

HRESULT TQAVECRCounters::Clear(VARIANT_BOOL* result) {
  return Get(result, [&] { return ClearItems(); });
}

bool TQAVECRCounters::AddCounter(LONG counterType, LONG value, BSTR info) {
  ComPtr<IQAVECRCounter> counter = Create<IQAVECRCounter>(CLSID_QAVECRCounter);
  ThrowIfFailed(counter->put_CounterType(counterType), "Cannot set the counter's type");
  ThrowIfFailed(counter->put_Value(value), "Cannot set the counter's value");
  ThrowIfFailed(counter->put_Info(info), "Cannot set the counter's text");
  return AddItem(counter.Get());
}

}  // namespace corvatin
