// Object creation by class identifier against direct construction, and a
// property read through IDispatch::Invoke against the vtable call.
#include <benchmark/benchmark.h>

#include "zelvani/model/QAVZLVValue.h"

namespace {

using namespace zelvani;

void BM_CreateDirect(benchmark::State& state) {
  for (auto _ : state) {
    ComPtr<IQAVZLVValue> v = com::MakeObject<TQAVZLVValue>();
    benchmark::DoNotOptimize(v.Get());
  }
}
BENCHMARK(BM_CreateDirect);

void BM_CreateByClassId(benchmark::State& state) {
  ComPtr<IQAVZLVValue> warm = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
  for (auto _ : state) {
    ComPtr<IQAVZLVValue> v;
    CoCreateInstance(CLSID_QAVZLVValue, nullptr, CLSCTX_INPROC_SERVER, IQAVZLVValue::Iid, v.OutVoid());
    benchmark::DoNotOptimize(v.Get());
  }
}
BENCHMARK(BM_CreateByClassId);

void BM_CountVtable(benchmark::State& state) {
  ComPtr<IQAVZLVValues> values = Create<IQAVZLVValues>(CLSID_QAVZLVValues);
  IQAVZLVValues* volatile held = values.Get();
  IQAVZLVValues* p = held;
  for (auto _ : state) {
    LONG n = 0;
    p->get_Count(&n);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_CountVtable);

void BM_CountInvoke(benchmark::State& state) {
  ComPtr<IQAVZLVValues> values = Create<IQAVZLVValues>(CLSID_QAVZLVValues);
  IDispatch* volatile held = values.Get();
  IDispatch* d = held;
  DISPPARAMS none{};
  for (auto _ : state) {
    VARIANT r;
    d->Invoke(1, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr);
    benchmark::DoNotOptimize(r.lVal);
  }
}
BENCHMARK(BM_CountInvoke);

}  // namespace

BENCHMARK_MAIN();
