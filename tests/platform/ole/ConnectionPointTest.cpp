// A connection point and the enumerators: advising and unadvising sinks under a
// limit, the change notification, enumerating connections and points, and a
// container that goes away before the point.
#include <gtest/gtest.h>

#include "platform/ole/ConnectionPoint.h"
#include "platform/ole/unknown.h"

namespace {

constexpr IID kEvents = MakeGuid("{9A0C2B7E-1D3F-4E5A-8B6C-7D8E9F0A1B2C}");

// A sink answering the point's interface (as IDispatch would) or not at all.
struct Sink : ole::Unknown<IUnknown> {
  explicit Sink(bool answersEvents) : answersEvents(answersEvents) {}
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (answersEvents && riid == kEvents) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return Unknown::QueryInterface(riid, ppv);
  }
  bool answersEvents;
};

// A container that only counts references.
struct Container : ole::Unknown<IConnectionPointContainer> {
  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
};

TEST(ConnectionPoint, AdviseRules) {
  struct Case {
    const char* name;
    std::size_t limit;
    int connectedBefore;
    bool answersEvents;
    HRESULT hr;
  };
  const Case cases[] = {
      {"first sink", 1, 0, true, S_OK},
      {"sink beyond the limit", 1, 1, true, CONNECT_E_ADVISELIMIT},
      {"second sink under a limit of two", 2, 1, true, S_OK},
      {"sink without the interface", 1, 0, false, CONNECT_E_CANNOTCONNECT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<Container> container(new Container);
    int changes = 0;
    auto point = ole::ConnectionPoint::Create(kEvents, container.Get(), c.limit, [&] { ++changes; });
    for (int i = 0; i < c.connectedBefore; ++i) {
      DWORD cookie = 0;
      ComPtr<Sink> other(new Sink(true));
      ASSERT_EQ(point->Advise(other.Get(), &cookie), S_OK);
    }
    ComPtr<Sink> sink(new Sink(c.answersEvents));
    DWORD cookie = 77;
    EXPECT_EQ(point->Advise(sink.Get(), &cookie), c.hr);
    EXPECT_EQ(cookie != 0, SUCCEEDED(c.hr)) << "a refused sink gets cookie 0";
    EXPECT_EQ(changes, c.connectedBefore + (SUCCEEDED(c.hr) ? 1 : 0));
    point->Detach();
  }
}

TEST(ConnectionPoint, UnadviseReleasesTheSinkAndTellsTheContainer) {
  ComPtr<Container> container(new Container);
  int changes = 0;
  auto point = ole::ConnectionPoint::Create(kEvents, container.Get(), 1, [&] { ++changes; });
  ComPtr<Sink> sink(new Sink(true));
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  EXPECT_EQ(point->FirstSink<IUnknown>().Get(), static_cast<IUnknown*>(sink.Get()));
  EXPECT_EQ(point->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(point->FirstSink<IUnknown>());
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION) << "a cookie is used once";
  // The sink's only reference is the test's again.
  EXPECT_EQ(sink->AddRef(), 2u);
  sink->Release();
  DWORD again = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &again), S_OK) << "the freed place takes a new sink";
  EXPECT_NE(again, cookie) << "cookies are not reused";
  point->Detach();
}

TEST(ConnectionPoint, InterfaceContainerAndNullArguments) {
  ComPtr<Container> container(new Container);
  auto point = ole::ConnectionPoint::Create(kEvents, container.Get(), 1);
  IID iid{};
  ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, kEvents);
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(back.Out()), S_OK);
  EXPECT_EQ(back.Get(), static_cast<IConnectionPointContainer*>(container.Get()));
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
  ComPtr<Sink> sink(new Sink(true));
  EXPECT_EQ(point->Advise(sink.Get(), nullptr), E_POINTER);
  EXPECT_EQ(point->GetConnectionInterface(nullptr), E_POINTER);

  // Once the container has gone the point refuses to reach it.
  point->Detach();
  EXPECT_EQ(point->GetConnectionPointContainer(back.Out()), E_UNEXPECTED);
  EXPECT_FALSE(back);
  EXPECT_EQ(point->Advise(sink.Get(), &cookie), E_UNEXPECTED);
}

TEST(EnumConnections, NextSkipResetClone) {
  ComPtr<Container> container(new Container);
  auto point = ole::ConnectionPoint::Create(kEvents, container.Get(), 3);
  ComPtr<Sink> sinks[3] = {ComPtr<Sink>(new Sink(true)), ComPtr<Sink>(new Sink(true)), ComPtr<Sink>(new Sink(true))};
  DWORD cookies[3] = {};
  for (int i = 0; i < 3; ++i) ASSERT_EQ(point->Advise(sinks[i].Get(), &cookies[i]), S_OK);

  ComPtr<IEnumConnections> e;
  ASSERT_EQ(point->EnumConnections(e.Out()), S_OK);
  CONNECTDATA cd[3] = {};
  ULONG fetched = 0;
  ASSERT_EQ(e->Next(2, cd, &fetched), S_OK);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(cd[0].dwCookie, cookies[0]);
  EXPECT_EQ(cd[1].pUnk, static_cast<IUnknown*>(sinks[1].Get()));
  for (ULONG i = 0; i < fetched; ++i) cd[i].pUnk->Release();

  ComPtr<IEnumConnections> clone;
  ASSERT_EQ(e->Clone(clone.Out()), S_OK);
  ASSERT_EQ(e->Next(2, cd, &fetched), S_FALSE) << "only one left";
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(cd[0].dwCookie, cookies[2]);
  cd[0].pUnk->Release();
  ASSERT_EQ(clone->Next(1, cd, nullptr), S_OK) << "the clone continues from where it was made";
  EXPECT_EQ(cd[0].dwCookie, cookies[2]);
  cd[0].pUnk->Release();

  EXPECT_EQ(e->Next(2, cd, nullptr), E_INVALIDARG) << "more than one needs a count";
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(2), S_OK);
  EXPECT_EQ(e->Skip(2), S_FALSE);
  EXPECT_EQ(e->Next(1, cd, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  point->Detach();
}

TEST(EnumConnectionPoints, HandsOutReferencedPoints) {
  ComPtr<Container> container(new Container);
  auto point = ole::ConnectionPoint::Create(kEvents, container.Get(), 1);
  auto e = ole::EnumConnectionPoints::Create({ComPtr<IConnectionPoint>(point.Get())});
  IConnectionPoint* got[2] = {};
  ULONG fetched = 0;
  ASSERT_EQ(e->Next(2, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(got[0], static_cast<IConnectionPoint*>(point.Get()));
  got[0]->Release();
  EXPECT_EQ(e->Next(1, nullptr, nullptr), E_POINTER);
  point->Detach();
}

}  // namespace
