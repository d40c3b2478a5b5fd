// The hub device: the channel opened and given back through the hub service,
// the connection members and the transport over the channel link.
#include "zelvani/devices/QAVZLVTandrelDevice.h"

#include <cstdio>
#include <mutex>
#include <stdexcept>

#include "platform/win/clock.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/model/InterfaceCalls.h"

namespace zelvani {

ZELVANI_CLASS(TQAVZLVTandrelDevice, CLSID_QAVZLVTandrelDevice);

namespace {

std::mutex g_messageBoxMutex;
std::function<void(const std::string&)> g_messageBox;

void ShowMessageBox(const std::string& text) {
  std::function<void(const std::string&)> handler;
  {
    std::lock_guard lock(g_messageBoxMutex);
    handler = g_messageBox;
  }
  if (handler)
    handler(text);
  else
    std::fprintf(stderr, "%s\n", text.c_str());
}

Bstr ToBstr(const std::string& ansi) { return Bstr::Attach(AnsiToBstr(ansi)); }

// The hub's class, from its program identifier; a COM failure when the
// identifier is not registered.
CLSID HubClass() {
  CLSID clsid{};
  CheckCall(CLSIDFromProgID(kTandrelProgId, &clsid), "QAVTandrelSrv.QAVTandrel is not registered");
  return clsid;
}

}  // namespace

TQAVZLVTandrelDevice::TQAVZLVTandrelDevice() = default;

TQAVZLVTandrelDevice::~TQAVZLVTandrelDevice() {
  if (hub_ && link_) hub_->ReleaseChannel(link_.Get());
}

void TQAVZLVTandrelDevice::SetMessageBoxHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard lock(g_messageBoxMutex);
  g_messageBox = std::move(handler);
}

// ---------------------------------------------------------------------------
// The channel

void TQAVZLVTandrelDevice::ReleaseHeldChannel() {
  ComPtr<IQAVTandrel> hub = std::move(hub_);
  ComPtr<IQAVCommLink> link = std::move(link_);
  hub_ = nullptr;
  link_ = nullptr;
  // A held link is given back whether or not it is marked open: a channel left
  // with the hub would stay taken for as long as the hub runs.
  if (hub && link) CheckCall(hub->ReleaseChannel(link.Get()), "QAVTandrel: ReleaseChannel failed");
}

void TQAVZLVTandrelDevice::OpenChannelOn(IUnknown* object) {
  ComPtr<IQAVTandrel> hub = QueryAs<IQAVTandrel>(object);
  if (!hub) throw std::runtime_error("The running QAVTandrel object is no hub service");
  const bool master = Master();
  Bstr name = ToBstr(kChannelName);
  Bstr description = ToBstr(master ? kMasterDescription : kSlaveDescription);
  ComPtr<IQAVCommLink> link;
  CheckCall(hub->OpenChannel(kChannel, name.Get(), master ? VARIANT_TRUE : VARIANT_FALSE, description.Get(),
                             link.Out()),
            "QAVTandrel: OpenChannel failed");
  if (!link) throw std::runtime_error("QAVTandrel gave no channel link");
  hub_ = std::move(hub);
  link_ = std::move(link);
  SetDeviceType(qzlvdtQAVTandrelDevice);
  SetPort(kPortName);
}

void TQAVZLVTandrelDevice::SetMaster(bool master) {
  TQAVZLVComDevice::SetMaster(master);
  struct Unset {
    TQAVZLVTandrelDevice& d;
    bool done = false;
    ~Unset() {
      if (done) return;
      // No channel: the device cannot transfer until a later put succeeds.
      d.SetDeviceType(qzlvdtUnknown);
      d.SetPort(std::string());
    }
  } unset{*this};
  SetActive(false);
  ReleaseHeldChannel();
  try {
    try {
      ComPtr<IUnknown> running;
      CheckCall(GetActiveObject(HubClass(), nullptr, running.Out()), "QAVTandrel is not running");
      OpenChannelOn(running.Get());
    } catch (const ComError&) {
      // No running hub (or it failed the call): a hub of our own. Its failure
      // is the member's.
      ComPtr<IUnknown> created;
      CheckCall(CoCreateInstance(HubClass(), nullptr, CLSCTX_ALL, IUnknown::Iid, created.OutVoid()),
                "QAVTandrel cannot be created");
      OpenChannelOn(created.Get());
    }
  } catch (const ComError&) {
    throw;
  } catch (const std::exception&) {
    ShowMessageBox(kConnectFailedText);
    return;
  }
  unset.done = true;
}

// ---------------------------------------------------------------------------
// Connection

bool TQAVZLVTandrelDevice::DoConnect() {
  SetError(qzlvpeOK);
  SetReadingMode(false);
  DoDisconnect();
  ReportLine(kReportConnect);
  if (!link_) {
    SetError(qzlvpeCantConnect);
    return false;
  }
  SetActive(true);
  const bool ok = Open();
  SetActive(ok);
  return ok;
}

bool TQAVZLVTandrelDevice::DoDisconnect() {
  if (!linkOpen_) return true;
  ReportLine(kReportDisconnect);
  const bool ok = Close();
  SetActive(false);
  return ok;
}

bool TQAVZLVTandrelDevice::DoReset() {
  if (!link_) return false;
  CheckCall(link_->LinkReset(), "QAVTandrel: LinkReset failed");
  ReportLine(ReportResetLine(Port()));
  return true;
}

// ---------------------------------------------------------------------------
// Transport

bool TQAVZLVTandrelDevice::IsOpen() { return linkOpen_; }

void TQAVZLVTandrelDevice::SetActive(bool value) { linkOpen_ = value; }

BYTE TQAVZLVTandrelDevice::WriteString(const std::string& data) {
  Sleep(1);
  VARIANT_BOOL ok = VARIANT_FALSE;
  if (link_) {
    Bstr text = ToBstr(data);
    CheckCall(link_->LinkWrite(text.Get(), &ok), "QAVTandrel: LinkWrite failed");
  }
  if (ok) {
    ReportLine(ReportSentLine(data));
    return tsDone;
  }
  if (ReportEnabled()) {
    AddReportLine(ReportHubWriteErrorLine(data));
    SaveCommunicationReport();
  }
  return tsSystemError;
}

BYTE TQAVZLVTandrelDevice::ReadString(std::string& data, LONG count, const std::string&) {
  data.clear();
  if (link_) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < kReadTimeout) {
      Sleep(1);
      Bstr text;
      VARIANT_BOOL ok = VARIANT_FALSE;
      CheckCall(link_->LinkRead(text.Out(), count, &ok), "QAVTandrel: LinkRead failed");
      data = BstrToAnsi(text.Get());
      if (ok) {
        ReportLine(ReportReceivedLine(data));
        return tsDone;
      }
    }
  }
  ReportLine(ReportHubReadTimeoutLine(data));
  // Status 10 ends the flow with a time-out at once, without the repeated runs
  // of a serial read time-out.
  return tsWriteTimeout;
}

}  // namespace zelvani
