// The Windows-named entry points: argument checks, handles, the last error and
// the overlapped record around the Port object.
#include <atomic>

#include "platform/comm/comm.h"
#include "platform/comm/names.h"
#include "platform/comm/port.h"
#include "platform/comm/settings.h"
#include "platform/ui/CommConfigForm.h"
#include "platform/win/sync.h"

namespace comm {

namespace {

BOOL ClosePort(void* object) {
  static_cast<Port*>(object)->Close();
  return TRUE;
}

const win::HandleKind kPortKind{"serial port", &ClosePort};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL Result(DWORD error) { return error ? Fail(error) : TRUE; }

// OVERLAPPED.Internal of a transfer under way.
constexpr ULONG_PTR kPending = 0x103;

void StartOverlapped(OVERLAPPED* ov) {
  ov->InternalHigh = 0;
  std::atomic_ref<ULONG_PTR>(ov->Internal).store(kPending, std::memory_order_release);
  if (ov->hEvent) ResetEvent(ov->hEvent);
}

// Threads inside GetOverlappedResult waiting on a record. A transfer's end
// wakes waiters only when there are any: the wake-up of a value of this size
// goes through a counter the standard library shares among all the process's
// waits, and every port touching it on every transfer would make the ports
// queue on that one cache line.
std::atomic<int> g_resultWaiters{0};

// Ends a transfer: the overlapped record gets the result and its event is
// signalled; a transfer that had to wait reports ERROR_IO_PENDING, as an
// asynchronous one would, and its result is fetched with GetOverlappedResult.
BOOL Finish(const TransferResult& r, LPDWORD transferred, OVERLAPPED* ov) {
  if (ov) {
    ov->InternalHigh = r.bytes;
    // A waiter counts itself before it looks at the record, and the record is
    // written before the count is read (both in the single total order): either
    // the waiter sees the result or it is counted and woken.
    std::atomic_ref<ULONG_PTR> internal(ov->Internal);
    internal.store(r.error, std::memory_order_seq_cst);
    if (g_resultWaiters.load(std::memory_order_seq_cst) > 0) internal.notify_all();
    if (ov->hEvent) SetEvent(ov->hEvent);
    if (r.waited) return Fail(ERROR_IO_PENDING);
  }
  if (transferred) *transferred = r.bytes;
  return Result(r.error);
}

template <class F>
BOOL OnPort(HANDLE h, F f) {
  auto port = FindPort(h);
  if (!port) return FALSE;  // FindPort set ERROR_INVALID_HANDLE
  return Result(f(*port));
}

}  // namespace

std::shared_ptr<Port> FindPort(HANDLE h) { return win::FindHandleAs<Port>(h, kPortKind); }

}  // namespace comm

using comm::Fail;
using comm::OnPort;
using comm::Port;
using comm::Result;

HANDLE CreateFileA(LPCSTR name, DWORD /*access*/, DWORD /*shareMode*/, void* /*security*/, DWORD creation,
                   DWORD /*flags*/, HANDLE /*templateFile*/) {
  // A port is always opened for reading and writing and never shared; overlapped
  // and plain handles behave alike (see ReadFile).
  if (creation != OPEN_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path;
  std::shared_ptr<Port> port;
  DWORD e = comm::ResolvePortName(name, path);
  if (!e) e = Port::Open(path, port);
  if (e) {
    Fail(e);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = win::NewHandle(comm::kPortKind, port);
  if (!h) {
    port->Close();
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  auto port = comm::FindPort(file);
  if (!port) return FALSE;
  if (!buffer && toRead) return Fail(ERROR_INVALID_PARAMETER);
  if (overlapped) comm::StartOverlapped(overlapped);
  return comm::Finish(port->Read(buffer, toRead), read, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  auto port = comm::FindPort(file);
  if (!port) return FALSE;
  if (!buffer && toWrite) return Fail(ERROR_INVALID_PARAMETER);
  if (overlapped) comm::StartOverlapped(overlapped);
  return comm::Finish(port->Write(buffer, toWrite), written, overlapped);
}

BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait) {
  // The record carries the result; the handle is not needed to read it, so a
  // transfer ended by closing its handle can still be asked for its outcome.
  (void)file;
  if (!overlapped || !transferred) return Fail(ERROR_INVALID_PARAMETER);
  std::atomic_ref<ULONG_PTR> internal(overlapped->Internal);
  ULONG_PTR status = internal.load(std::memory_order_acquire);
  if (status == comm::kPending) {
    if (!wait) return Fail(ERROR_IO_INCOMPLETE);
    comm::g_resultWaiters.fetch_add(1, std::memory_order_seq_cst);
    while ((status = internal.load(std::memory_order_seq_cst)) == comm::kPending)
      internal.wait(comm::kPending, std::memory_order_acquire);
    comm::g_resultWaiters.fetch_sub(1, std::memory_order_release);
  }
  *transferred = static_cast<DWORD>(overlapped->InternalHigh);
  return Result(static_cast<DWORD>(status));
}

BOOL FlushFileBuffers(HANDLE file) {
  return OnPort(file, [](Port& p) { return p.Drain(); });
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
  return OnPort(file, [=](Port& p) { return p.Setup(inQueue, outQueue); });
}

BOOL GetCommState(HANDLE file, LPDCB dcb) {
  return OnPort(file, [=](Port& p) { return dcb ? p.GetState(*dcb) : ERROR_INVALID_PARAMETER; });
}

BOOL SetCommState(HANDLE file, LPDCB dcb) {
  return OnPort(file, [=](Port& p) { return dcb ? p.SetState(*dcb) : ERROR_INVALID_PARAMETER; });
}

BOOL BuildCommDCBA(LPCSTR definition, LPDCB dcb) {
  if (!dcb) return Fail(ERROR_INVALID_PARAMETER);
  return Result(comm::ParseModeString(definition, *dcb));
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
  return OnPort(file, [=](Port& p) { return timeouts ? p.GetTimeouts(*timeouts) : ERROR_INVALID_PARAMETER; });
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
  return OnPort(file, [=](Port& p) { return timeouts ? p.SetTimeouts(*timeouts) : ERROR_INVALID_PARAMETER; });
}

BOOL GetCommMask(HANDLE file, LPDWORD mask) {
  return OnPort(file, [=](Port& p) { return mask ? p.GetMask(*mask) : ERROR_INVALID_PARAMETER; });
}

BOOL SetCommMask(HANDLE file, DWORD mask) {
  return OnPort(file, [=](Port& p) { return p.SetMask(mask); });
}

BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT stat) {
  return OnPort(file, [=](Port& p) {
    DWORD e = 0;
    DWORD r = p.ClearError(e, stat);
    if (errors) *errors = e;
    return r;
  });
}

BOOL PurgeComm(HANDLE file, DWORD flags) {
  return OnPort(file, [=](Port& p) { return p.Purge(flags); });
}

BOOL EscapeCommFunction(HANDLE file, DWORD function) {
  return OnPort(file, [=](Port& p) { return p.Escape(function); });
}

BOOL SetCommBreak(HANDLE file) { return EscapeCommFunction(file, SETBREAK); }

BOOL ClearCommBreak(HANDLE file) { return EscapeCommFunction(file, CLRBREAK); }

BOOL GetCommModemStatus(HANDLE file, LPDWORD status) {
  return OnPort(file, [=](Port& p) { return status ? p.ModemStatus(*status) : ERROR_INVALID_PARAMETER; });
}

BOOL CommConfigDialogA(LPCSTR name, HWND /*owner*/, LPCOMMCONFIG config) {
  constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
  if (!config) return Fail(ERROR_INVALID_PARAMETER);
  if (config->dwSize < sizeof(COMMCONFIG)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::string path;
  if (DWORD error = comm::ResolvePortName(name, path)) return Fail(error);
  return Result(ui::CommConfigDialog(name, *config));
}
