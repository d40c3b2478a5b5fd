// The serial device's flow interpreter: flows run item by item over the
// transport, whole-flow repetition, and the packet layer of WritePacket and
// ReadPacket (packing before a sending flow, identification after a receiving
// one).
#include <algorithm>
#include <climits>
#include <optional>
#include <string_view>

#include "platform/com/interfaces.h"
#include "platform/win/clock.h"
#include "zelvani/model/InterfaceCalls.h"
#include "zelvani/devices/CommunicationReport.h"
#include "zelvani/devices/QAVZLVComDevice.h"
#include "zelvani/model/QAVZLVFlow.h"
#include "zelvani/model/QAVZLVPacket.h"
#include "zelvani/model/QAVZLVPacketLibrary.h"
#include "zelvani/model/QAVZLVProtocol.h"

namespace zelvani {

namespace {

// The report line of a run ended because its steps never came to an end.
constexpr std::string_view kReportFlowStepLimit = "--- Flow stopped: too many steps ---";

// The text form of a flow item value: a string as it is, any other value as
// its coercion to text, and the empty string for a value without one.
std::string ValueText(const Variant& v) {
  if (v.vt == VT_BSTR) return BstrToAnsi(v.bstrVal);
  Variant text;
  if (FAILED(v.TryAs(VT_BSTR, text, VARIANT_ALPHABOOL))) return std::string();
  return BstrToAnsi(text.bstrVal);
}

// ---- flow items: this module's class directly, any other through its
// interface.

using I = IQAVZLVFlowItem;

TQAVZLVFlowItem* Own(I* item) { return OwnClass<TQAVZLVFlowItem>(item); }

std::string ItemID(I* item) {
  if (auto* own = Own(item)) return own->ID();
  return ReadText(item, &I::get_ID, "Cannot read the flow item's ID");
}
std::string ItemNextID(I* item) {
  if (auto* own = Own(item)) return own->NextFlowItemID();
  return ReadText(item, &I::get_NextFlowItemID, "Cannot read the flow item's NextFlowItemID");
}
LONG ItemDirection(I* item) {
  if (auto* own = Own(item)) return own->Direction();
  return ReadLong(item, &I::get_Direction, "Cannot read the flow item's Direction");
}
LONG ItemPacketType(I* item) {
  if (auto* own = Own(item)) return own->PacketType();
  return ReadLong(item, &I::get_PacketType, "Cannot read the flow item's PacketType");
}
LONG ItemFlags(I* item) {
  if (auto* own = Own(item)) return own->Flags();
  return ReadLong(item, &I::get_Flags, "Cannot read the flow item's Flags");
}
LONG ItemRetryCount(I* item) {
  if (auto* own = Own(item)) return own->RetryCount();
  return ReadLong(item, &I::get_RetryCount, "Cannot read the flow item's RetryCount");
}
LONG ItemInterval(I* item) {
  if (auto* own = Own(item)) return own->Interval();
  return ReadLong(item, &I::get_Interval, "Cannot read the flow item's Interval");
}
LONG ItemCharsAfterDelimiter(I* item) {
  if (auto* own = Own(item)) return own->CharsAfterDelimiter();
  return ReadLong(item, &I::get_CharsAfterDelimiter, "Cannot read the flow item's CharsAfterDelimiter");
}
std::string ItemDataText(I* item) {
  if (auto* own = Own(item)) {
    const Variant& data = own->Data();
    if (data.vt == VT_BSTR) return BstrToAnsi(data.bstrVal);
    return ValueText(data);
  }
  Variant data;
  CheckCall(item->get_Data(&data), "Cannot read the flow item's Data");
  return ValueText(data);
}
// The item's delimiters as texts, in list order, the empty ones left out (an
// empty delimiter never occurs).
std::vector<std::string> ItemDelimiters(I* item) {
  std::vector<std::string> texts;
  auto add = [&texts](const Variant& v) {
    std::string t = ValueText(v);
    if (!t.empty()) texts.push_back(std::move(t));
  };
  if (auto* own = Own(item)) {
    for (const Variant& v : own->DelimiterValues()) add(v);
    return texts;
  }
  ComPtr<IQAVZLVValues> values;
  CheckCall(item->get_PacketDelimiters(values.Out()), "Cannot read the flow item's PacketDelimiters");
  if (!values) return texts;
  const LONG count = ReadLong<IDispatchCollection>(values.Get(), &IDispatchCollection::get_Count,
                                                   "Cannot count the packet delimiters");
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQAVZLVValue> value;
    CheckCall(values->get_Items(i, value.Out()), "Cannot read a packet delimiter");
    Variant v;
    CheckCall(value->get_Value(&v), "Cannot read a packet delimiter");
    add(v);
  }
  return texts;
}

// The cursors of a flow's items.
class FlowItemsCursor {
 public:
  explicit FlowItemsCursor(IQAVZLVFlow* flow) {
    if (auto* own = OwnClass<TQAVZLVFlow>(flow)) {
      items_ = ComPtr<IQAVZLVFlowItems>(own->FlowItems());
    } else {
      CheckCall(flow->get_FlowItems(items_.Out()), "Cannot read the flow's items");
    }
    if (!items_) throw ComError(E_POINTER, "The flow has no item list");
    own_ = OwnClass<TQAVZLVFlowItems>(items_.Get());
  }

  std::string FirstID() {
    if (own_) return own_->FirstID();
    return ReadText(items_.Get(), &IQAVZLVFlowItems::FindFirstID, "Cannot find the flow's first step");
  }
  std::string NextID() {
    if (own_) return own_->NextID();
    return ReadText(items_.Get(), &IQAVZLVFlowItems::FindNextID, "Cannot find the flow's next step");
  }
  void SetCurrentID(const std::string& id) {
    if (own_) return own_->SetCurrentID(id);
    Bstr b = Bstr::Attach(AnsiToBstr(id));
    CheckCall(items_->put_CurrentID(b.Get()), "Cannot move to the flow's step");
  }
  ComPtr<I> FirstByID(const std::string& id) {
    if (own_) return own_->FirstByID(id);
    return Find(&IQAVZLVFlowItems::FindFirstByID, id);
  }
  ComPtr<I> NextByID(const std::string& id) {
    if (own_) return own_->NextByID(id);
    return Find(&IQAVZLVFlowItems::FindNextByID, id);
  }

 private:
  ComPtr<I> Find(HRESULT (IQAVZLVFlowItems::*find)(BSTR, I**), const std::string& id) {
    Bstr b = Bstr::Attach(AnsiToBstr(id));
    ComPtr<I> item;
    CheckCall((items_.Get()->*find)(b.Get(), item.Out()), "Cannot find the flow's item");
    return item;
  }

  ComPtr<IQAVZLVFlowItems> items_;
  TQAVZLVFlowItems* own_ = nullptr;
};

// A repetition counter for RETRYCOUNT repetitions: one more than it allows.
LONG CounterFrom(LONG retryCount) { return retryCount == INT_MAX ? INT_MAX : retryCount + 1; }

// Sleeps for a library's interval; a negative one does not wait.
void SleepInterval(LONG ms) { Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0); }

// Puts the port's time-outs to the given values for its lifetime, unless the
// device is the hub device (which has no port time-outs of its own) or a value
// is unset (negative).
class PortTimeouts {
 public:
  PortTimeouts(TQAVZLVComDevice& device, LONG readMs, LONG writeMs)
      : port_(device.DeviceType() == qzlvdtQAVTandrelDevice ? nullptr : &device.CommPort()) {
    if (!port_) return;
    read_ = port_->RdTimeout();
    write_ = port_->WrTimeout();
    if (readMs >= 0) port_->SetRdTimeout(static_cast<int>(readMs));
    if (writeMs >= 0) port_->SetWrTimeout(static_cast<int>(writeMs));
  }
  ~PortTimeouts() {
    if (!port_) return;
    port_->SetRdTimeout(read_);
    port_->SetWrTimeout(write_);
  }
  PortTimeouts(const PortTimeouts&) = delete;
  PortTimeouts& operator=(const PortTimeouts&) = delete;

 private:
  TNVRCommDevice* port_;
  int read_ = 0;
  int write_ = 0;
};

LONG SumOfSizes(IDispatchCollection* items, bool frameItems) {
  LONG total = 0;
  const LONG count = ReadLong(items, &IDispatchCollection::get_Count, "Cannot count the items");
  for (LONG i = 0; i < count; ++i) {
    LONG size = 0;
    if (frameItems) {
      ComPtr<IQAVZLVFrameItem> item;
      CheckCall(static_cast<IQAVZLVFrameItems*>(items)->get_Items(i, item.Out()), "Cannot read a frame item");
      if (item) size = ReadLong(item.Get(), &IQAVZLVFrameItem::get_Size, "Cannot read a frame item's size");
    } else {
      ComPtr<IQAVZLVFieldDef> field;
      CheckCall(static_cast<IQAVZLVFieldDefs*>(items)->get_Items(i, field.Out()), "Cannot read a field definition");
      if (field) size = ReadLong(field.Get(), &IQAVZLVFieldDef::get_Size, "Cannot read a field's size");
    }
    if (size > 0 && total < (1 << 24)) total += std::min<LONG>(size, 1 << 24);
  }
  return total;
}

bool IsFlowOk(LONG code) { return code == qzlvpeOK || code == qzlvpeUndefinedFlow; }

}  // namespace

// ---------------------------------------------------------------------------
// Report

bool TQAVZLVComDevice::ReportEnabled() const {
  ComPtr<IQAVZLVProtocol> protocol = Protocol();
  if (auto* own = OwnClass<TQAVZLVProtocol>(protocol.Get())) {
    IQAVZLVPacketLibrary* library = own->PacketLibrary();
    if (!library) return false;
    if (auto* ownLibrary = OwnClass<TQAVZLVPacketLibrary>(library)) return ownLibrary->CreateReport();
  }
  return ReportOn();
}

void TQAVZLVComDevice::ReportLine(std::string_view text) const {
  if (ReportEnabled()) AddReportLine(text);
}

// ---------------------------------------------------------------------------
// Flows

ComPtr<IQAVZLVFlow> TQAVZLVComDevice::FindFlow(LONG flowType) const {
  ComPtr<IQAVZLVProtocol> protocol = Protocol();
  if (!protocol) return nullptr;
  ComPtr<IQAVZLVPacketLibrary> library;
  if (auto* own = OwnClass<TQAVZLVProtocol>(protocol.Get())) {
    library = ComPtr<IQAVZLVPacketLibrary>(own->PacketLibrary());
  } else {
    CheckCall(protocol->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
  }
  if (!library) return nullptr;
  if (auto* ownLibrary = OwnClass<TQAVZLVPacketLibrary>(library.Get())) {
    if (auto* flows = ownLibrary->FlowList()) return flows->FindByType(flowType);
  }
  ComPtr<IQAVZLVFlows> flows;
  CheckCall(library->get_Flows(flows.Out()), "Cannot read the packet library's flows");
  if (!flows) return nullptr;
  ComPtr<IQAVZLVFlow> flow;
  CheckCall(flows->FindByFlowType(flowType, flow.Out()), "Cannot look up the flow");
  return flow;
}

LONG TQAVZLVComDevice::RunFlow(LONG flowType, std::string& data) {
  int runsLeft = 5;
  for (;;) {
    ExecuteFlow(flowType, data);
    if (LastError() != qzlvpeInvalidData) return LastError();
    ReportLine(kReportCrash);
    if (--runsLeft < 1) return SetError(qzlvpeTimeout);
    Stats().IncRetransmissions();
    Sleep(0);
    if (Master()) {
      SetActive(false);
      SetActive(true);
      std::string nak;
      ExecuteFlow(qzlvftSendMsgNAK, nak);
    }
    SetError(qzlvpeInvalidData);
  }
}

LONG TQAVZLVComDevice::ExecuteFlow(LONG flowType, std::string& data) {
  ComPtr<IQAVZLVFlow> flow = FindFlow(flowType);
  if (!flow) return SetError(qzlvpeUndefinedFlow);
  FlowItemsCursor items(flow.Get());
  FlowRunCounters counters;

  std::string step = items.FirstID();
  // Items executed since the run began or since its last wait or NAK
  // repetition: those repetitions are bounded by their own counters, so only
  // the steps between them can go on for ever.
  int steps = 0;
  while (!step.empty()) {
    BYTE last = 0;
    ComPtr<IQAVZLVFlowItem> item = items.FirstByID(step);
    while (item) {
      if (++steps > kMaxFlowSteps) {
        ReportLine(kReportFlowStepLimit);
        return SetError(qzlvpeUnexpected);
      }
      const BYTE outcome = ExecuteFlowItem(flow.Get(), item, data, counters);
      last = outcome;
      if (outcome == foNext) break;
      switch (outcome) {
        case foEndTransmission:
          return SetError(qzlvpeEndOfTransmission);
        case foWait:
          if (--counters.waitCounter <= 0) return SetError(qzlvpeTimeout);
          steps = 0;
          item = items.FirstByID(ItemNextID(item.Get()));
          if (item) SleepInterval(counters.waitInterval);
          continue;
        case foNakRepeat:
          if (--counters.nakCounter <= 0) return SetError(qzlvpeNak);
          steps = 0;
          Stats().IncRetransmissions();
          step = ItemNextID(item.Get());
          items.SetCurrentID(step);
          item = items.FirstByID(step);
          if (item) SleepInterval(counters.nakInterval);
          continue;
        case foRejected:
          return SetError(qzlvpeRejected);
        case foNoData: {
          ComPtr<IQAVZLVFlowItem> next = items.FirstByID(ItemNextID(item.Get()));
          if (next) ExecuteFlowItem(flow.Get(), next, data, counters);
          return SetError(qzlvpeNoData);
        }
        case foNoMatch:
          return SetError(qzlvpeInvalidData);
        case foNak:
          return SetError(qzlvpeNak);
        case foUserBreak:
          return SetError(qzlvpeUserBreak);
        case foWriteTimeout:
          return SetError(qzlvpeTimeout);
        case foSystemError:
        case foLineError:
          return SetError(qzlvpeDeviceError);
        default:
          // A transport that reports a status of its own: nothing to go on with.
          return SetError(qzlvpeUnexpected);
      }
    }
    std::string next;
    if (last == foNext && item && !(next = ItemNextID(item.Get())).empty()) {
      step = next;
      items.SetCurrentID(step);
      if (!items.FirstByID(step)) step.clear();
    } else {
      step = items.NextID();
    }
  }
  return SetError(qzlvpeOK);
}

BYTE TQAVZLVComDevice::ExecuteFlowItem(IQAVZLVFlow* flow, ComPtr<IQAVZLVFlowItem>& item, std::string& data,
                                       FlowRunCounters& counters) {
  const LONG direction = ItemDirection(item.Get());
  if (direction == qzlvfdtFromPC) {
    const LONG flags = ItemFlags(item.Get());
    if (flags & qzlvffResetPortBeforeSend) DoReset();
    const BYTE status = ItemPacketType(item.Get()) != 0 ? WriteString(data) : WriteString(ItemDataText(item.Get()));
    if (status == tsDone && (flags & qzlvffEndTransmission)) return foEndTransmission;
    return status;
  }
  if (direction != qzlvfdtToPC) throw ComError(E_FAIL, "Invalid flow direction.");

  // A received packet counts as a match of its item; characters are compared
  // with each alternative's Data in turn.
  std::string read;
  bool matched = false;
  if (ItemPacketType(item.Get()) != 0) {
    data.clear();
    const BYTE status = ReceivePacket(item.Get(), data);
    if (status != tsDone) return status;
    matched = true;
  } else {
    const std::string expected = ItemDataText(item.Get());
    const BYTE status = ReadString(read, static_cast<LONG>(expected.size()), std::string());
    if (status != tsDone) return status;
    matched = read == expected;
  }

  std::optional<FlowItemsCursor> items;
  if (!matched) items.emplace(flow);
  while (!matched) {
    ComPtr<IQAVZLVFlowItem> alternative = items->NextByID(ItemID(item.Get()));
    if (!alternative) return foNoMatch;
    item = std::move(alternative);
    if (ItemPacketType(item.Get()) == 0) {
      matched = read == ItemDataText(item.Get());
    } else {
      data = read;
      const BYTE status = ReceivePacket(item.Get(), data);
      if (status != tsDone) return status;
      matched = true;
    }
  }
  return MatchedOutcome(item.Get(), counters);
}

BYTE TQAVZLVComDevice::MatchedOutcome(IQAVZLVFlowItem* item, FlowRunCounters& counters) {
  const LONG flags = ItemFlags(item);
  if (flags & qzlvffResetPortIfReceived) DoReset();
  if (flags & qzlvffOKIfReceived) return foNext;
  if (flags & qzlvffEndTransmission) return foEndTransmission;
  if (flags & qzlvffRejectedIfReceived) return foRejected;
  if (flags & qzlvffNotOKIfReceived) {
    if (ItemNextID(item).empty()) return foNak;
    if (counters.nakCounter < 0) {
      counters.nakCounter = CounterFrom(ItemRetryCount(item));
      counters.nakInterval = ItemInterval(item);
    }
    return foNakRepeat;
  }
  if (flags & qzlvffWaitIfReceived) {
    if (counters.waitCounter < 0) {
      counters.waitCounter = CounterFrom(ItemRetryCount(item));
      counters.waitInterval = ItemInterval(item);
    }
    return foWait;
  }
  if (flags & qzlvffNoDataIfReceived) return foNoData;
  return foNext;
}

BYTE TQAVZLVComDevice::ReceivePacket(IQAVZLVFlowItem* item, std::string& data) {
  const std::vector<std::string> delimiters = ItemDelimiters(item);
  const LONG after = ItemCharsAfterDelimiter(item);
  const std::size_t cap = PacketCap();
  // A delimiter found now ends in the characters just read, except on the
  // first pass, where the characters already read count too.
  std::size_t searchedUpTo = 0;
  bool first = true;
  for (;;) {
    std::string c;
    const BYTE status = ReadString(c, 1, std::string());
    if (status != tsDone) return status;
    data += c;
    if (data.size() > cap) return foNoMatch;
    for (const std::string& delimiter : delimiters) {
      const std::size_t from =
          first || searchedUpTo < delimiter.size() ? 0 : searchedUpTo - (delimiter.size() - 1);
      if (data.find(delimiter, from) == std::string::npos) continue;
      BYTE outcome = tsDone;
      if (after > 0) {
        if (data.size() + static_cast<std::size_t>(after) > cap) return foNoMatch;
        std::string rest;
        outcome = ReadString(rest, after, std::string());
        if (outcome == tsDone) data += rest;
      }
      if (outcome == tsDone && ReportEnabled()) AddReportLine(ReportPacketLine(data));
      return outcome;
    }
    searchedUpTo = data.size();
    first = false;
  }
}

std::size_t TQAVZLVComDevice::PacketCap() const {
  std::size_t longest = 0;
  if (ComPtr<IQAVZLVProtocol> protocol = Protocol()) {
    ComPtr<IQAVZLVPacketLibrary> library;
    CheckCall(protocol->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
    if (library) {
      // The longest frame around the longest data area and identifier: more than
      // any one packet of the library takes on the line.
      LONG frame = 0, dataArea = 0, id = 0;
      ComPtr<IQAVZLVFrames> frames;
      CheckCall(library->get_PacketStructs(frames.Out()), "Cannot read the packet library's frames");
      const LONG frameCount = frames ? ReadLong<IDispatchCollection>(frames.Get(), &IDispatchCollection::get_Count,
                                                                     "Cannot count the frames")
                                     : 0;
      for (LONG i = 0; i < frameCount; ++i) {
        ComPtr<IQAVZLVFrame> f;
        CheckCall(frames->get_Items(i, f.Out()), "Cannot read a frame");
        ComPtr<IQAVZLVFrameItems> fi;
        if (f) CheckCall(f->get_PacketStructItems(fi.Out()), "Cannot read a frame's items");
        if (fi) frame = std::max(frame, SumOfSizes(fi.Get(), true));
      }
      ComPtr<IQAVZLVPacketDefs> defs;
      CheckCall(library->get_PacketDefs(defs.Out()), "Cannot read the packet definitions");
      const LONG defCount =
          defs ? ReadLong<IDispatchCollection>(defs.Get(), &IDispatchCollection::get_Count, "Cannot count the definitions")
               : 0;
      for (LONG i = 0; i < defCount; ++i) {
        ComPtr<IQAVZLVPacketDef> d;
        CheckCall(defs->get_Items(i, d.Out()), "Cannot read a packet definition");
        if (!d) continue;
        id = std::max(id, static_cast<LONG>(ReadText(d.Get(), &IQAVZLVPacketDef::get_ID,
                                                     "Cannot read a definition's ID").size()));
        ComPtr<IQAVZLVFieldDefs> fields;
        CheckCall(d->get_FieldDefs(fields.Out()), "Cannot read a definition's fields");
        if (fields) dataArea = std::max(dataArea, SumOfSizes(fields.Get(), false));
      }
      longest = static_cast<std::size_t>(frame) + static_cast<std::size_t>(dataArea) + static_cast<std::size_t>(id);
    }
  }
  return std::max(kMinPacketCap, 2 * longest);
}

// ---------------------------------------------------------------------------
// Operations

bool TQAVZLVComDevice::FlowOk() const { return IsFlowOk(LastError()); }

bool TQAVZLVComDevice::Open() {
  {
    PortTimeouts timeouts(*this, openReadTimeout_, openWriteTimeout_);
    std::string text;
    RunFlow(Master() ? qzlvftSendMsgOpen : qzlvftESendMsgOpen, text);
  }
  return FlowOk();
}

bool TQAVZLVComDevice::Close() {
  LONG type;
  if (readingMode_) {
    type = Master() ? qzlvftSendMsgCloseRead : qzlvftESendMsgCloseRead;
  } else {
    type = Master() ? qzlvftSendMsgCloseWrite : qzlvftESendMsgCloseWrite;
  }
  std::string text;
  RunFlow(type, text);
  return FlowOk();
}

bool TQAVZLVComDevice::DoModeSwitch() {
  ReportLine(kReportModeSwitch);
  readingMode_ = true;
  std::string text;
  RunFlow(Master() ? qzlvftSendMsgModeSwitch : qzlvftESendMsgModeSwitch, text);
  return FlowOk();
}

void TQAVZLVComDevice::DoSendACK() {
  ReportLine(kReportSendACK);
  std::string text;
  RunFlow(Master() ? qzlvftSendMsgACK : qzlvftESendMsgACK, text);
}

void TQAVZLVComDevice::DoSendNAK() {
  ReportLine(kReportSendNAK);
  std::string text;
  RunFlow(Master() ? qzlvftSendMsgNAK : qzlvftESendMsgNAK, text);
}

LONG TQAVZLVComDevice::DoSendString(const std::string& buffer) {
  switch (WriteString(buffer)) {
    case tsDone:
      return qzlvpeOK;
    case tsUserBreak:
      return qzlvpeUserBreak;
    case tsWriteTimeout:
      return qzlvpeTimeout;
    case tsSystemError:
    case tsLineError:
      return qzlvpeDeviceError;
    default:
      return qzlvpeUnexpected;
  }
}

LONG TQAVZLVComDevice::PackPacket(IQAVZLVPacket* packet, std::string& wire) {
  wire.clear();
  ComPtr<IQAVZLVProtocol> protocol = Protocol();
  // Without a protocol there is no frame to pack into.
  if (!protocol) return qzlvpeUnknownPacketStructure;
  if (auto* own = OwnClass<TQAVZLVProtocol>(protocol.Get())) {
    if (!own->PacketLibrary()) return qzlvpeUnknownPacketStructure;
    return own->Pack(packet, wire);
  }
  Bstr text;
  LONG code = 0;
  CheckCall(protocol->PackPacket(packet, text.Out(), &code), "Cannot pack the packet");
  wire = BstrToAnsi(text.Get());
  return code;
}

LONG TQAVZLVComDevice::UnpackPacket(const std::string& wire, IQAVZLVPacket* packet) {
  ComPtr<IQAVZLVProtocol> protocol = Protocol();
  if (!protocol) return qzlvpeUnknownPacketStructure;
  if (auto* own = OwnClass<TQAVZLVProtocol>(protocol.Get())) {
    if (!own->PacketLibrary()) return qzlvpeUnknownPacketStructure;
    return own->Unpack(wire, packet);
  }
  Bstr text = Bstr::Attach(AnsiToBstr(wire));
  LONG code = 0;
  CheckCall(protocol->UnpackPacket(text.Get(), packet, &code), "Cannot unpack the packet");
  return code;
}

LONG TQAVZLVComDevice::DoWritePacket(IQAVZLVPacket* packet) {
  if (!packet) throw ComError(E_POINTER, "No packet to write");
  std::string text;
  {
    PortTimeouts timeouts(*this, packetReadTimeout_, packetWriteTimeout_);
    if (SetError(PackPacket(packet, text)) == qzlvpeOK) {
      ReportLine(kReportWritePacket);
      LONG type = qzlvftSendPacket;
      if (!Master()) {
        const LONG packetType = ReadLong(packet, &IQAVZLVPacket::get_PacketType, "Cannot read the packet's type");
        type = packetType == qzlvptError ? qzlvftESendErrorPacket : qzlvftESendPacket;
      }
      RunFlow(type, text);
    }
  }
  const LONG result = LastError();
  if (result == qzlvpeOK) {
    Stats().IncPacketsSent();
    SetLastPacketSent(std::move(text));
  }
  return result;
}

LONG TQAVZLVComDevice::DoReadPacket(IQAVZLVPacket* packet) {
  if (!packet) throw ComError(E_POINTER, "No packet to read into");
  ReportLine(kReportReadPacket);
  PortTimeouts timeouts(*this, packetReadTimeout_, packetWriteTimeout_);
  std::string text;
  RunFlow(Master() ? qzlvftReceivePacket : qzlvftEReceivePacket, text);
  if (LastError() == qzlvpeEndOfTransmission || LastError() == qzlvpeNoData) SetActive(false);
  if (LastError() != qzlvpeOK && LastError() != qzlvpeEndOfData) return LastError();

  const bool endOfData = LastError() == qzlvpeEndOfData;
  SetError(qzlvpeUnknownPacket);

  // The packet as the caller prepared it first, then every definition in order.
  ComPtr<IQAVZLVPacketDefs> defs;
  LONG defCount = 0;
  if (ComPtr<IQAVZLVProtocol> protocol = Protocol()) {
    ComPtr<IQAVZLVPacketLibrary> library;
    CheckCall(protocol->get_PacketLibrary(library.Out()), "Cannot read the protocol's packet library");
    if (library) CheckCall(library->get_PacketDefs(defs.Out()), "Cannot read the packet definitions");
    if (defs) defCount = ReadLong<IDispatchCollection>(defs.Get(), &IDispatchCollection::get_Count,
                                                       "Cannot count the packet definitions");
  }
  for (LONG i = -1; i < defCount; ++i) {
    std::string triedID;
    if (i < 0) {
      triedID = ReadText(packet, &IQAVZLVPacket::get_ID, "Cannot read the packet's ID");
    } else {
      ComPtr<IQAVZLVPacketDef> def;
      CheckCall(defs->get_Items(i, def.Out()), "Cannot read a packet definition");
      if (!def) continue;
      triedID = ReadText(def.Get(), &IQAVZLVPacketDef::get_ID, "Cannot read the definition's ID");
      const LONG type = ReadLong(def.Get(), &IQAVZLVPacketDef::get_PacketType, "Cannot read the definition's type");
      CheckCall(packet->put_PacketType(type), "Cannot set the packet's type");
      Bstr id = Bstr::Attach(AnsiToBstr(triedID));
      CheckCall(packet->put_ID(id.Get()), "Cannot set the packet's ID");
    }
    const LONG code = SetError(UnpackPacket(text, packet));
    if (code != qzlvpeOK && code != qzlvpeEndOfData && code != qzlvpeBadChecksum) continue;
    const LONG type = ReadLong(packet, &IQAVZLVPacket::get_PacketType, "Cannot read the packet's type");
    if ((type & (qzlvptRead | qzlvptWrite)) != 0 &&
        ReadText(packet, &IQAVZLVPacket::get_ID, "Cannot read the packet's ID") != triedID) {
      SetError(qzlvpeUnknownPacket);
      continue;
    }
    Stats().IncPacketsReceived();
    SetLastPacketReceived(text);
    if (endOfData && LastError() == qzlvpeOK) SetError(qzlvpeEndOfData);
    break;
  }
  return LastError();
}

}  // namespace zelvani
