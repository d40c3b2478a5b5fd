// A stand-in for the communication hub service, for tests of the hub device.
//
// FakeHub answers IQAVTandrel: it records the arguments of every channel it
// opens and counts the channels given back. Each channel is a FakeLink
// answering IQAVCommLink: it logs what is written, serves scripted reads, and
// fails a write, stays silent or fails every call when a test asks it to.
//
// Reads are scripted as the register's answers: Answer(bytes) queues bytes that
// become readable when the next write arrives, Preload(bytes) makes bytes
// readable at once (a register that speaks first). A read of n characters
// succeeds when n are readable and takes them.
//
// RunningHub registers a hub under the hub's program identifier (in the test's
// registry) and in the running-object table; HubClassModule serves the same
// class to object creation, for the device's fall-back to a new hub.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/activation.h"
#include "zelvani/devices/TandrelInterfaces.h"

namespace zelvani {

// The class identifier the test registry gives the hub's program identifier.
inline constexpr CLSID CLSID_FakeHub = MakeGuid("{6A1E3C2B-8F41-4C55-9A0B-3D7E2F1C4B90}");

// IDispatch of the fakes: nothing to dispatch.
template <class Itf>
class FakeDispatch : public Itf {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IUnknown::Iid && riid != IDispatch::Iid && riid != Itf::Iid) return E_NOINTERFACE;
    *ppv = static_cast<Itf*>(this);
    this->AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  ULONG Refs() const { return refs_; }

 protected:
  virtual ~FakeDispatch() = default;

 private:
  std::atomic<ULONG> refs_{0};
};

class FakeLink final : public FakeDispatch<IQAVCommLink> {
 public:
  // ---- the script
  // Bytes that become readable with the next write (one entry per write).
  FakeLink& Answer(const std::string& bytes);
  // Bytes readable at once.
  FakeLink& Preload(const std::string& bytes);
  // Writes answer "not sent" from now on (true) or again "sent" (false).
  void FailWrites(bool fail) { failWrites_ = fail; }
  // Reads never find anything.
  void Silent(bool silent) { silent_ = silent; }
  // Every call fails with HR and the description TEXT.
  void FailCalls(HRESULT hr, const std::string& text);

  // ---- what happened
  std::vector<std::string> Writes() const;
  std::string Written() const;  // the writes joined
  int Reads() const { return reads_; }
  int Resets() const { return resets_; }
  // The counts of the reads that found their characters, in order.
  std::vector<LONG> ReadCounts() const;

  // ---- IQAVCommLink
  HRESULT Reserved7() override { return E_NOTIMPL; }
  HRESULT Reserved8() override { return E_NOTIMPL; }
  HRESULT Reserved9() override { return E_NOTIMPL; }
  HRESULT Reserved10() override { return E_NOTIMPL; }
  HRESULT Reserved11() override { return E_NOTIMPL; }
  HRESULT Reserved12() override { return E_NOTIMPL; }
  HRESULT Reserved13() override { return E_NOTIMPL; }
  HRESULT Reserved14() override { return E_NOTIMPL; }
  HRESULT Reserved15() override { return E_NOTIMPL; }
  HRESULT Reserved16() override { return E_NOTIMPL; }
  HRESULT LinkRead(BSTR* data, LONG count, VARIANT_BOOL* ok) override;
  HRESULT LinkWrite(BSTR data, VARIANT_BOOL* ok) override;
  HRESULT Reserved19() override { return E_NOTIMPL; }
  HRESULT Reserved20() override { return E_NOTIMPL; }
  HRESULT LinkReset() override;

 private:
  HRESULT Failure() const;

  mutable std::mutex lock_;
  std::deque<std::string> answers_;
  std::string readable_;
  std::vector<std::string> writes_;
  std::vector<LONG> readCounts_;
  bool failWrites_ = false;
  bool silent_ = false;
  HRESULT failCalls_ = S_OK;
  std::string failText_;
  int reads_ = 0;
  int resets_ = 0;
};

class FakeHub final : public FakeDispatch<IQAVTandrel> {
 public:
  // The arguments of one OpenChannel.
  struct Channel {
    LONG number = 0;
    std::string name;
    bool master = false;
    std::string description;
    FakeLink* link = nullptr;  // held by the hub while the test runs
  };

  FakeHub();

  std::vector<Channel> Channels() const;
  // The link of the last channel opened; null before the first.
  FakeLink* LastLink() const;
  int Releases() const { return releases_; }
  // Links given back that this hub never handed out.
  int ForeignReleases() const { return foreignReleases_; }
  // OpenChannel fails with HR (S_OK: opens again).
  void FailOpen(HRESULT hr) { failOpen_ = hr; }
  // OpenChannel succeeds without giving a link.
  void GiveNoLink(bool none) { noLink_ = none; }
  // ReleaseChannel fails with HR.
  void FailRelease(HRESULT hr) { failRelease_ = hr; }

  HRESULT OpenChannel(LONG channel, BSTR name, VARIANT_BOOL master, BSTR description, IQAVCommLink** link) override;
  HRESULT ReleaseChannel(IQAVCommLink* link) override;

 protected:
  ~FakeHub() override;

 private:
  mutable std::mutex lock_;
  std::vector<Channel> channels_;
  int releases_ = 0;
  int foreignReleases_ = 0;
  HRESULT failOpen_ = S_OK;
  HRESULT failRelease_ = S_OK;
  bool noLink_ = false;
};

// Writes the hub's program identifier into the (test's own) registry, naming
// CLSID_FakeHub.
void RegisterHubProgId();

// A hub registered in the running-object table for its lifetime; the program
// identifier is registered too.
class RunningHub {
 public:
  RunningHub();
  ~RunningHub();
  RunningHub(const RunningHub&) = delete;
  RunningHub& operator=(const RunningHub&) = delete;
  FakeHub& hub() { return *hub_; }

 private:
  FakeHub* hub_;
  DWORD registration_ = 0;
};

// Serves CLSID_FakeHub to object creation for its lifetime: each creation
// makes a new hub, the last of which stays reachable.
class HubClassModule final : public com::LoadedModule, public IClassFactory {
 public:
  HubClassModule();
  ~HubClassModule();
  bool HasClass(REFCLSID clsid) const override { return clsid == CLSID_FakeHub; }
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) override;
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT LockServer(BOOL) override { return S_OK; }

  int Created() const { return created_; }
  FakeHub* Last() const { return last_; }

 private:
  int created_ = 0;
  FakeHub* last_ = nullptr;  // held by the module
};

}  // namespace zelvani
