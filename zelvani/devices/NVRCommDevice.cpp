// The serial port component: the port, its line settings, and the transfers.
#include "zelvani/devices/NVRCommDevice.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <stdexcept>

#include "platform/comm/waithook.h"
#include "zelvani/model/TextHelpers.h"

namespace zelvani {

namespace {

// Posted to the own thread's window when a completion waits there.
constexpr UINT kCompletionMessage = WM_APP + 0x2E1;
// A synchronous transfer looks after the calling thread's duties at least this
// often while it waits for the line.
constexpr std::chrono::microseconds kPollSlice{1000};
constexpr DWORD kQueueSize = 2048;

constexpr DWORD kRates[] = {CBR_110,   CBR_300,   CBR_600,   CBR_1200,   CBR_2400,
                            CBR_4800,  CBR_9600,  CBR_14400, CBR_19200,  CBR_38400,
                            CBR_56000, CBR_57600, CBR_115200, CBR_128000, CBR_256000};
constexpr int kRateCount = static_cast<int>(sizeof kRates / sizeof kRates[0]);

std::mutex g_messageBoxMutex;
std::function<void(const std::string&)> g_messageBox;

void ShowErrorBox(const std::string& text) {
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

std::string UpperTrimmed(std::string_view s) {
  std::string t = Trim(s);
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return t;
}

// COM1..COM99 and LPT1..LPT99 (leading zeros allowed: "COM01" reads as 1).
bool ValidPortName(const std::string& name) {
  if (name.size() < 4 || name.size() > 5) return false;
  if (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "LPT") != 0) return false;
  int n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    n = n * 10 + (name[i] - '0');
  }
  return n != 0;
}

// Time-out settings below 0 count as 0.
DWORD NonNegative(int ms) { return ms < 0 ? 0 : static_cast<DWORD>(ms); }

int TimeLimitOf(int count, int perByte, int constant) {
  const long long limit = static_cast<long long>(std::max(count, 0)) * NonNegative(perByte) + NonNegative(constant);
  return static_cast<int>(std::min<long long>(limit, INT_MAX));
}

// The system's cursors never change: looked up once.
HCURSOR Hourglass() {
  static const HCURSOR cursor = LoadCursorA(nullptr, IDC_WAIT);
  return cursor;
}
HCURSOR DefaultCursor() {
  static const HCURSOR cursor = LoadCursorA(nullptr, IDC_ARROW);
  return cursor;
}

bool KeyDown(int vk) { return (static_cast<WORD>(GetAsyncKeyState(vk)) & 0x8000) != 0; }

}  // namespace

// Completions that wait for the own thread, and the window that wakes it.
struct TNVRCommDevice::CompletionQueue {
  std::mutex mutex;
  std::deque<TNVRCommOperation*> entries;
  TNVRCommDevice* device = nullptr;  // null once the component is gone
  HWND window = nullptr;
};

// ---------------------------------------------------------------------------
// Construction and destruction

TNVRCommDevice::TNVRCommDevice()
    : ownThread_(GetCurrentThreadId()), completions_(std::make_shared<CompletionQueue>()) {
  completions_->device = this;
  std::weak_ptr<CompletionQueue> queue = completions_;
  completions_->window = win::AllocateHWnd([queue](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kCompletionMessage) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (auto q = queue.lock()) {
      TNVRCommDevice* device;
      {
        std::lock_guard lock(q->mutex);
        device = q->device;
      }
      if (device) device->DeliverQueued(nullptr);
    }
    return LRESULT{0};
  });

  // The synchronous transfers run on the calling thread; DefaultOperation gets
  // a worker only when it is started asynchronously.
  defaultOperation_.reset(new TNVRCommOperation(this, false));
  ownTransfer_ = std::make_unique<TNVRCommTransfer>(*this, *defaultOperation_);

  SetPortName("COM1");
  config_ = COMMCONFIG{};
  config_.dwSize = sizeof(COMMCONFIG);
  config_.wVersion = 1;
  config_.dwProviderSubType = static_cast<DWORD>(portKind_);
  config_.dcb.DCBlength = sizeof(DCB);
  BuildCommDCBA("baud=9600 parity=N data=8 stop=1", &config_.dcb);
  SetDcbFlagWord(config_.dcb, 769);
  config_.dcb.XonChar = 17;
  config_.dcb.XoffChar = 19;

  SetDCBFlags(769);
  SetBaudRate(cbr9600);
  SetXonLimit(0);
  SetXoffLimit(0);
  SetParity(cprNone);
  SetStopBits(csb1);
  SetDataBits(8);
}

TNVRCommDevice::~TNVRCommDevice() {
  destroying_.store(true);  // completions from here on call no events
  try {
    if (active_) ClosePort();
  } catch (...) {
  }
  std::vector<TNVRCommOperation*> operations;
  {
    std::lock_guard lock(operationsMutex_);
    operations = operations_;
  }
  for (TNVRCommOperation* op : operations) RetireWorker(*op);
  RetireWorker(*defaultOperation_);
  // Completions still waiting (temporary requests) settle their books and free
  // their requests.
  DeliverQueued(nullptr);
  {
    std::lock_guard lock(completions_->mutex);
    completions_->device = nullptr;
  }
  if (OnOwnThread()) win::DeallocateHWnd(completions_->window);

  std::vector<std::unique_ptr<TNVRCommOperation>> temporaries;
  {
    std::lock_guard lock(operationsMutex_);
    for (TNVRCommOperation* op : operations_) {
      op->owner_ = nullptr;  // requests of callers outlive the component
      op->registered_ = false;
    }
    operations_.clear();
    temporaries.swap(temporaries_);
  }
  temporaries.clear();
  watch_.reset();
  ownTransfer_.reset();
  defaultOperation_.reset();
}

void TNVRCommDevice::SetMessageBoxHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard lock(g_messageBoxMutex);
  g_messageBox = std::move(handler);
}

// ---------------------------------------------------------------------------
// The port

void TNVRCommDevice::SetActive(bool value) {
  if (value == active_) return;
  if (value)
    OpenPort();
  else
    ClosePort();
}

void TNVRCommDevice::SetPortName(std::string_view value) {
  std::string name = UpperTrimmed(value);
  if (name == portName_) return;
  if (!ValidPortName(name)) {
    lastPortError_ = ERROR_INVALID_NAME;
    lastPortErrorText_ = "Invalid port name : " + name;
    if (OnSetupError) OnSetupError(*this);
    return;
  }
  const bool wasActive = active_;
  SetActive(false);
  portName_ = std::move(name);
  portKind_ = portName_.compare(0, 3, "COM") == 0 ? kPortCom : kPortLpt;
  config_.dwProviderSubType = static_cast<DWORD>(portKind_);
  SetActive(wasActive);
}

void TNVRCommDevice::OpenPort() {
  std::string name = portName_;
  if (portKind_ == kPortCom) name = "\\\\.\\" + name;
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  ownsHandle_ = true;
  if (h == INVALID_HANDLE_VALUE) {
    lastPortError_ = GetLastError();
    lastPortErrorText_ = "Can't open " + portName_ + " port!";
    if (OnOpenError)
      OnOpenError(*this);
    else
      throw ENVRCommError(lastPortErrorText_);
    return;
  }
  handle_ = h;
  active_ = true;
  if (portKind_ != kPortCom) return;  // a parallel port gets no queues, mask or DCB
  if (!SetupComm(h, kQueueSize, kQueueSize)) {
    lastPortError_ = GetLastError();
    lastPortErrorText_ = "Can't set " + portName_ + " parameters!";
    ShowErrorBox(lastPortErrorText_);  // the port stays open
  }
  DWORD mask = 0;
  if (GetCommMask(h, &mask) && mask != 0) SetCommMask(h, 0);
  ApplySettings();
}

void TNVRCommDevice::ClosePort() {
  // The workers of other requests are asked to end; one that still has a
  // transfer pending that it has not begun ends it as aborted.
  std::vector<TNVRCommOperation*> operations;
  {
    std::lock_guard lock(operationsMutex_);
    for (TNVRCommOperation* op : operations_)
      if (op->worker_) operations.push_back(op);
  }
  for (TNVRCommOperation* op : operations) op->worker_->Terminate();

  // Transfers under way are aborted. A single purge can come just before a
  // worker begins its call, so it is repeated until every worker has left.
  if (handle_ != INVALID_HANDLE_VALUE) {
    constexpr DWORD kAbort = PURGE_TXABORT | PURGE_RXABORT;
    auto busy = [&] {
      for (TNVRCommOperation* op : operations)
        if (!op->worker_->IsCurrentThread() && !op->worker_->WaitEnded(0)) return true;
      const auto& own = defaultOperation_->worker_;
      return own && !own->IsCurrentThread() && own->InTransfer();
    };
    PurgeComm(handle_, kAbort);
    while (busy()) {
      Sleep(1);
      PurgeComm(handle_, kAbort);
    }
  }
  for (TNVRCommOperation* op : operations)
    if (!op->worker_->IsCurrentThread()) op->worker_.reset();  // joins

  if (ownsHandle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  active_ = false;
  if (OnOwnThread()) DeliverQueued(nullptr);
}

void TNVRCommDevice::ApplySettings() {
  if (!active_ || portKind_ == kPortLpt || handle_ == INVALID_HANDLE_VALUE) return;
  if (!SetCommState(handle_, &config_.dcb)) ReportSetupError(GetLastError());
}

void TNVRCommDevice::ReportSetupError(DWORD error) {
  lastPortError_ = error;
  lastPortErrorText_ = "Can't set " + portName_ + " parameters!";
  if (!OnSetupError) return;
  defaultOperation_->SetResult(cetSystem, static_cast<int>(error));
  lastErrorCode_.store(static_cast<int>(error));
  lastErrorType_.store(cetSystem);
  OnSetupError(*this);
}

void TNVRCommDevice::SetDCBFlags(TNVRDCBFlags flags) {
  dcbFlags_ = flags;
  SetDcbFlagWord(config_.dcb, flags);
  ApplySettings();
}

void TNVRCommDevice::SetBaudRate(TNVRCommBaudRate rate) {
  baudRate_ = rate;
  if (static_cast<int>(rate) < kRateCount) config_.dcb.BaudRate = kRates[rate];
  ApplySettings();
}

void TNVRCommDevice::SetXonLimit(WORD value) {
  config_.dcb.XonLim = value;
  ApplySettings();
}

void TNVRCommDevice::SetXoffLimit(WORD value) {
  config_.dcb.XoffLim = value;
  ApplySettings();
}

void TNVRCommDevice::SetParity(TNVRCommParity parity) {
  parity_ = parity;
  config_.dcb.Parity = parity;
  ApplySettings();
}

void TNVRCommDevice::SetStopBits(TNVRCommStopBits stopBits) {
  stopBits_ = stopBits;
  config_.dcb.StopBits = stopBits;
  ApplySettings();
}

void TNVRCommDevice::SetDataBits(TNVRCommDataBits bits) {
  dataBits_ = bits;
  config_.dcb.ByteSize = bits;
  ApplySettings();
}

void TNVRCommDevice::SetXonChar(char c) {
  config_.dcb.XonChar = c;
  ApplySettings();
}

void TNVRCommDevice::SetXoffChar(char c) {
  config_.dcb.XoffChar = c;
  ApplySettings();
}

void TNVRCommDevice::SetEofChar(char c) {
  config_.dcb.EofChar = c;
  ApplySettings();
}

void TNVRCommDevice::SetEvtChar(char c) {
  config_.dcb.EvtChar = c;
  ApplySettings();
}

void TNVRCommDevice::RereadDcb() {
  const DCB& d = config_.dcb;
  for (int i = 0; i < kRateCount; ++i)
    if (d.BaudRate == kRates[i]) baudRate_ = static_cast<TNVRCommBaudRate>(i);
  if (d.Parity <= cprSpace) parity_ = static_cast<TNVRCommParity>(d.Parity);
  if (d.StopBits <= csb2) stopBits_ = static_cast<TNVRCommStopBits>(d.StopBits);
  dataBits_ = d.ByteSize;
}

void TNVRCommDevice::SystemCommSetup() {
  COMMCONFIG config = config_;
  if (!CommConfigDialogA(portName_.c_str(), win::App().MainWindow(), &config)) return;
  config_ = config;
  RereadDcb();
  ApplySettings();
}

void TNVRCommDevice::ResetPort() {
  if (!active_) return;
  PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  SetCommState(handle_, &config_.dcb);
  DWORD errors = 0;
  ClearCommError(handle_, &errors, nullptr);
  ClearCommBreak(handle_);
  EscapeCommFunction(handle_, SETXON);
}

void TNVRCommDevice::AttachHandle(HANDLE handle) {
  // The port's own handle attached again stays the component's to close.
  const bool same = active_ && handle == handle_ && handle != INVALID_HANDLE_VALUE;
  if (active_ && !same) ClosePort();  // an owned handle is closed, not leaked
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
    handle_ = INVALID_HANDLE_VALUE;
    active_ = false;
    return;
  }
  handle_ = handle;
  active_ = true;
  if (!same) ownsHandle_ = false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetCommState(handle_, &dcb)) {
    config_.dcb = dcb;
    RereadDcb();
  }
}

// ---------------------------------------------------------------------------
// Status text and cancel key

std::string TNVRCommDevice::ShortCutToText(TShortCut shortcut) {
  const int key = shortcut & 0xFF;
  std::string name;
  switch (key) {
    case VK_BACK: name = "BkSp"; break;
    case VK_TAB: name = "Tab"; break;
    case VK_RETURN: name = "Enter"; break;
    case VK_ESCAPE: name = "Esc"; break;
    case VK_SPACE: name = "Space"; break;
    case VK_PRIOR: name = "PgUp"; break;
    case VK_NEXT: name = "PgDn"; break;
    case VK_END: name = "End"; break;
    case VK_HOME: name = "Home"; break;
    case VK_LEFT: name = "Left"; break;
    case VK_UP: name = "Up"; break;
    case VK_RIGHT: name = "Right"; break;
    case VK_DOWN: name = "Down"; break;
    case VK_INSERT: name = "Ins"; break;
    case VK_DELETE: name = "Del"; break;
    default:
      if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        name = std::string(1, static_cast<char>(key));
      else if (key >= VK_F1 && key <= VK_F1 + 23)
        name = "F" + std::to_string(key - VK_F1 + 1);
      break;
  }
  if (name.empty()) return {};
  std::string text;
  if (shortcut & scShift) text += "Shift+";
  if (shortcut & scCtrl) text += "Ctrl+";
  if (shortcut & scAlt) text += "Alt+";
  return text + name;
}

bool TNVRCommDevice::CancelKeyDown() const {
  if (!win::App().Active() || cancelShortcut_ == 0) return false;
  if (!KeyDown(cancelShortcut_ & 0xFF)) return false;
  // Modifiers that the shortcut names must be down; others are not looked at.
  if ((cancelShortcut_ & scShift) && !KeyDown(VK_SHIFT)) return false;
  if ((cancelShortcut_ & scCtrl) && !KeyDown(VK_CONTROL)) return false;
  if ((cancelShortcut_ & scAlt) && !KeyDown(VK_MENU)) return false;
  return true;
}

void TNVRCommDevice::ShowStatusText(const std::string& text, bool repaint) {
  if (!statusBar_) return;
  if (statusBar_->SimplePanel())
    statusBar_->SetSimpleText(text);
  else if (statusBarPanel_ >= 0 && statusBarPanel_ < statusBar_->PanelCount())
    statusBar_->SetPanelText(statusBarPanel_, text);
  if (repaint) statusBar_->Repaint();
}

void TNVRCommDevice::ShowStatus() {
  SetCursor(Hourglass());
  const std::string& info = autoInfos_ ? currentInfo_ : taskInfo_;
  StatusSource& source = statusSource_;
  // The break text is part of the status only where it is shown.
  const bool breakShown = !autoInfos_ && cancelShortcut_ != 0;
  if (!source.built || source.autoInfos != autoInfos_ || source.shortcut != cancelShortcut_ || source.info != info ||
      (breakShown && source.breakInfo != breakInfo_)) {
    std::string text = info;
    if (cancelShortcut_ != 0)
      text += " (" + ShortCutToText(cancelShortcut_) + "-" + (autoInfos_ ? std::string("STOP)") : breakInfo_ + ")");
    statusText_ = std::move(text);
    source.built = true;
    source.autoInfos = autoInfos_;
    source.shortcut = cancelShortcut_;
    source.info = info;
    if (breakShown) source.breakInfo = breakInfo_;
  }
  ShowStatusText(statusText_, true);
}

void TNVRCommDevice::ClearStatus() {
  SetCursor(DefaultCursor());
  ShowStatusText("OK", false);
}

void TNVRCommDevice::PumpFiltered() {
  // Painting and activation go on; the hourglass stays up; input, timers and
  // commands of this pass are dropped.
  win::App().ProcessMessages([](MSG& msg) {
    switch (msg.message) {
      case WM_ACTIVATE:
      case WM_PAINT:
      case WM_NCPAINT:
      case WM_NCACTIVATE:
        return false;
      case WM_NCMOUSEMOVE:
        if (GetCursor() != Hourglass()) SetCursor(Hourglass());
        return true;
      default:
        return true;
    }
  });
}

// ---------------------------------------------------------------------------
// Transfers

void TNVRCommDevice::RefuseTransfer(DWORD error) {
  defaultOperation_->SetResult(cetSystem, static_cast<int>(error));
  lastErrorCode_.store(static_cast<int>(error));
  lastErrorType_.store(cetSystem);
}

// Puts the port's time-outs for a transfer in one direction; true, with the
// port's time-outs in `set`, when the port has them. They are written only when
// they change: consecutive transfers mostly find them as the last one left them.
bool TNVRCommDevice::PrepareTimeouts(bool write, COMMTIMEOUTS& set) {
  COMMTIMEOUTS t{};
  if (!GetCommTimeouts(handle_, &t)) return false;
  set = t;
  if (write) {
    set.WriteTotalTimeoutMultiplier = useWrTimeouts_ ? NonNegative(wrByteTimeout_) : 0;
    set.WriteTotalTimeoutConstant = useWrTimeouts_ ? NonNegative(wrTimeout_) : 0;
  } else {
    set.ReadIntervalTimeout = 0;
    set.ReadTotalTimeoutMultiplier = useRdTimeouts_ ? NonNegative(rdByteTimeout_) : 0;
    set.ReadTotalTimeoutConstant = useRdTimeouts_ ? NonNegative(rdTimeout_) : 0;
  }
  if (set.ReadIntervalTimeout == t.ReadIntervalTimeout &&
      set.ReadTotalTimeoutMultiplier == t.ReadTotalTimeoutMultiplier &&
      set.ReadTotalTimeoutConstant == t.ReadTotalTimeoutConstant &&
      set.WriteTotalTimeoutMultiplier == t.WriteTotalTimeoutMultiplier &&
      set.WriteTotalTimeoutConstant == t.WriteTotalTimeoutConstant)
    return true;
  return SetCommTimeouts(handle_, &set) != FALSE;
}

bool TNVRCommDevice::Prepare(TNVRCommOperation*& op, bool write, BYTE temporaryKind, const std::string& data,
                             int count, const std::string& terminator,
                             std::unique_ptr<TNVRCommOperation>& temporary) {
  if (op && op->owner_ != this) throw std::invalid_argument("The request belongs to another port component");
  if (op && !op->Done()) return false;  // one transfer per request at a time

  std::atomic<int>& pending = write ? pendingWrites_ : pendingReads_;

  if (!op) {
    temporary = std::make_unique<TNVRCommOperation>(this);
    temporary->temporary_ = true;
    temporary->kind_ = temporaryKind;
    op = temporary.get();
  }
  // With another transfer of this direction pending its time-outs stay; the
  // transfer then reads them from the port itself.
  op->timeoutsKnown_ = pending.load() == 0 && PrepareTimeouts(write, op->timeouts_);

  // The request is idle: these writes reach its worker through the resume
  // that follows.
  op->statusText_ = statusText_;
  op->direction_ = write ? TNVRCommOperation::Direction::write : TNVRCommOperation::Direction::read;
  op->handle_ = handle_;
  if (write) {
    op->writeData_ = data;
    op->byteCount_ = static_cast<int>(std::min<size_t>(data.size(), INT_MAX));
    op->timeLimit_ = useWrTimeouts_ ? TimeLimitOf(op->byteCount_, wrByteTimeout_, wrTimeout_) : -1;
  } else {
    op->writeData_.clear();
    op->terminator_ = terminator;
    op->byteCount_ = std::max(count, 0);
    op->timeLimit_ = useRdTimeouts_ ? TimeLimitOf(op->byteCount_, rdByteTimeout_, rdTimeout_) : -1;
  }
  op->readData_.clear();
  op->transferred_ = 0;
  op->SetResult(cetNone, 0);
  op->syncMode_ = syncMode_;
  op->breakRequested_.store(false);
  op->done_.store(false, std::memory_order_release);
  pending.fetch_add(1);
  return true;
}

bool TNVRCommDevice::Start(TNVRCommOperation* op, bool write, BYTE temporaryKind, const std::string& data,
                           int count, const std::string& terminator) {
  std::unique_ptr<TNVRCommOperation> temporary;
  if (!Prepare(op, write, temporaryKind, data, count, terminator, temporary)) return false;
  if (!op->worker_) {
    const int priority = op == defaultOperation_.get() ? THREAD_PRIORITY_TIME_CRITICAL : THREAD_PRIORITY_NORMAL;
    try {
      op->worker_ = std::make_unique<TNVRCommWaitThread>(*this, *op, priority);
    } catch (...) {
      // No worker, no transfer: the request goes back to idle.
      (write ? pendingWrites_ : pendingReads_).fetch_sub(1);
      op->done_.store(true, std::memory_order_release);
      throw;
    }
    op->workerEnded_.store(false);
  }
  if (temporary) {
    std::lock_guard lock(operationsMutex_);
    temporaries_.push_back(std::move(temporary));
  }
  op->worker_->Resume();
  return true;
}

bool TNVRCommDevice::StartWrite(const std::string& data, TNVRCommOperation* operation) {
  if (!active_) {
    RefuseTransfer(ERROR_INVALID_HANDLE);
    return false;
  }
  return Start(operation, true, kNVRKindStartedWrite, data, 0, {});
}

bool TNVRCommDevice::StartRead(std::string& data, int count, const std::string& terminator,
                               TNVRCommOperation* operation) {
  if (!active_) {
    RefuseTransfer(ERROR_INVALID_HANDLE);
    return false;
  }
  if (portKind_ == kPortLpt) {
    RefuseTransfer(ERROR_NOT_SUPPORTED);
    return false;
  }
  data.resize(static_cast<size_t>(std::max(count, 0)));
  return Start(operation, false, kNVRKindStartedRead, {}, count, terminator);
}

bool TNVRCommDevice::TransferHere(bool write, const std::string& data, int count, const std::string& terminator,
                                  bool& cancel) {
  TNVRCommOperation* op = defaultOperation_.get();
  std::unique_ptr<TNVRCommOperation> none;
  if (!Prepare(op, write, write ? kNVRKindWrite : kNVRKindRead, data, count, terminator, none)) return false;

  const DWORD purge = write ? (PURGE_TXABORT | PURGE_TXCLEAR) : PURGE_RXABORT;
  bool keySeen = false;
  std::exception_ptr raised;
  auto askBreak = [&] {
    op->breakRequested_.store(true, std::memory_order_release);
    if (active_) PurgeComm(handle_, purge);
  };
  // One pass of what the calling thread does while the line keeps it waiting:
  // painting goes on, input is dropped, completions waiting for this thread
  // run, and the cancel key is acted on once per call.
  auto pass = [&] {
    if (raised) return;
    try {
      PumpFiltered();
      DeliverQueued(OnOwnThread() ? nullptr : op);
      if (!keySeen && CancelKeyDown()) {
        keySeen = true;
        cancel = true;
        const TNVRCommBreakEvent& directed = write ? OnWriteUserBreak : OnReadUserBreak;
        if (directed) directed(*this, *op, cancel);
        if (OnUserBreak) OnUserBreak(*this, *op, cancel);
        if (cancel) askBreak();
      }
    } catch (...) {
      // A handler or a window procedure raised: the transfer is broken off
      // and the request settled before the exception goes on.
      raised = std::current_exception();
      askBreak();
    }
  };
  bool waited;
  {
    // The hook holds a reference to the pass only: no copy of its state.
    comm::WaitHook hook([&pass] { pass(); }, std::chrono::duration_cast<std::chrono::milliseconds>(kPollSlice));
    waited = ownTransfer_->Run();
  }
  Complete(*op);
  // A transfer that had to wait ends with one more pass, as the pass after the
  // last slice of the wait.
  if (waited) pass();
  if (raised) std::rethrow_exception(raised);
  return true;
}

namespace {

// Clears the status at the end of a synchronous transfer, also when it raises.
class StatusScope {
 public:
  explicit StatusScope(std::function<void()> clear) : clear_(std::move(clear)) {}
  ~StatusScope() {
    try {
      clear_();
    } catch (...) {
    }
  }
  StatusScope(const StatusScope&) = delete;
  StatusScope& operator=(const StatusScope&) = delete;

 private:
  std::function<void()> clear_;
};

}  // namespace

bool TNVRCommDevice::WriteString(const std::string& data) {
  if (!active_) {
    RefuseTransfer(ERROR_INVALID_HANDLE);
    return false;
  }
  currentInfo_ = autoWrInfo_;
  ShowStatus();
  StatusScope scope([this] { ClearStatus(); });
  TNVRCommOperation& op = *defaultOperation_;
  op.kind_ = kNVRKindWrite;
  bool cancel = false;
  if (!TransferHere(true, data, 0, {}, cancel)) return false;
  if (op.ErrorType() == cetNone) return true;
  if (OnWriteError) OnWriteError(*this, op, cancel);
  if (OnError) OnError(*this);
  return false;
}

bool TNVRCommDevice::ReadString(std::string& data, int count, const std::string& terminator) {
  if (!active_) {
    RefuseTransfer(ERROR_INVALID_HANDLE);
    return false;
  }
  if (portKind_ == kPortLpt) {
    RefuseTransfer(ERROR_NOT_SUPPORTED);
    return false;
  }
  currentInfo_ = autoRdInfo_;
  ShowStatus();
  StatusScope scope([this] { ClearStatus(); });
  TNVRCommOperation& op = *defaultOperation_;
  op.kind_ = kNVRKindRead;
  bool cancel = false;
  data.resize(static_cast<size_t>(std::max(count, 0)));
  if (!TransferHere(false, {}, count, terminator, cancel)) return false;
  data = op.readData_;
  if (op.ErrorType() == cetNone) return true;
  if (OnReadError) OnReadError(*this, op, cancel);
  if (OnError) OnError(*this);
  return false;
}

// ---------------------------------------------------------------------------
// Completion

bool TNVRCommDevice::OnOwnThread() const { return GetCurrentThreadId() == ownThread_; }

void TNVRCommDevice::TransferEnded(TNVRCommOperation& op) {
  if (!op.temporary_ && op.syncMode_ != ctsmVCLThread) {
    Complete(op);  // on the worker thread
    return;
  }
  HWND window;
  {
    std::lock_guard lock(completions_->mutex);
    completions_->entries.push_back(&op);
    window = completions_->window;
  }
  PostMessageA(window, kCompletionMessage, 0, 0);
}

void TNVRCommDevice::DeliverQueued(const TNVRCommOperation* only) {
  for (;;) {
    TNVRCommOperation* op = nullptr;
    {
      std::lock_guard lock(completions_->mutex);
      auto& entries = completions_->entries;
      auto it = only ? std::find(entries.begin(), entries.end(), only) : entries.begin();
      if (it == entries.end()) return;
      op = *it;
      entries.erase(it);
    }
    Complete(*op);
  }
}

void TNVRCommDevice::ProcessCompletions() {
  if (OnOwnThread()) DeliverQueued(nullptr);
}

void TNVRCommDevice::Complete(TNVRCommOperation& op) {
  const bool write = op.direction_ == TNVRCommOperation::Direction::write;
  lastErrorCode_.store(op.ErrorCode());
  lastErrorType_.store(op.ErrorType());
  (write ? pendingWrites_ : pendingReads_).fetch_sub(1);
  if (!destroying_.load()) {
    // A handler that raises has nowhere to report to; the request is settled
    // all the same.
    try {
      const TNVRCommEvent& directed = write ? OnWriteCompleted : OnReadCompleted;
      if (directed) directed(*this, op);
      if (OnCompleted) OnCompleted(*this, op);
    } catch (...) {
    }
  }
  if (!op.temporary_) {
    op.MarkDone();  // the last touch: the caller may reuse or free the request now
    return;
  }
  std::unique_ptr<TNVRCommOperation> doomed;
  {
    std::lock_guard lock(operationsMutex_);
    auto it = std::find_if(temporaries_.begin(), temporaries_.end(), [&](auto& t) { return t.get() == &op; });
    if (it != temporaries_.end()) {
      doomed = std::move(*it);
      temporaries_.erase(it);
    }
  }
  op.MarkDone();
  doomed.reset();  // frees the request and joins its worker
}

// ---------------------------------------------------------------------------
// Requests and workers

std::size_t TNVRCommDevice::WorkerCount() const {
  std::lock_guard lock(operationsMutex_);
  return static_cast<std::size_t>(
      std::count_if(operations_.begin(), operations_.end(), [](auto* op) { return op->worker_ != nullptr; }));
}

void TNVRCommDevice::RegisterOperation(TNVRCommOperation& op) {
  std::lock_guard lock(operationsMutex_);
  operations_.push_back(&op);
}

void TNVRCommDevice::ForgetOperation(TNVRCommOperation& op) {
  {
    std::lock_guard lock(operationsMutex_);
    std::erase(operations_, &op);
  }
  RetireWorker(op);
  if (op.temporary_) return;  // freed by its own completion, or with the component
  DeliverQueued(&op);         // a completion still waiting for it runs now
}

void TNVRCommDevice::RetireWorker(TNVRCommOperation& op) {
  if (!op.worker_) return;
  TNVRCommWaitThread& worker = *op.worker_;
  worker.Terminate();
  if (worker.IsCurrentThread()) return;  // it leaves after the running event; joined later
  const DWORD purge = op.direction_ == TNVRCommOperation::Direction::write ? PURGE_TXABORT : PURGE_RXABORT;
  while (!worker.WaitEnded(1))
    if (worker.InTransfer() && op.handle_ != INVALID_HANDLE_VALUE) PurgeComm(op.handle_, purge);
  op.worker_.reset();
}

TNVRCommDeadlineWatch& TNVRCommDevice::Watch() {
  std::lock_guard lock(watchMutex_);
  if (!watch_) watch_ = std::make_unique<TNVRCommDeadlineWatch>();
  return *watch_;
}

}  // namespace zelvani
