// Serial communications on Linux under the names of the home platform's
// communications functions: ports are opened with CreateFileA by "COMn" or
// "\\.\COMn" and driven with the DCB, COMMTIMEOUTS, purge, modem-line and
// overlapped read/write calls. Inside, a port is a terminal device in raw mode,
// driven through termios, poll and the modem-line ioctls.
//
// What a caller must know:
// - "COMn" is looked up in the registry under
//   HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM (value name = device path,
//   data = "COMn"), falling back to /dev/ttyS{n-1}; an absolute path is taken as
//   it stands. Only terminal devices are accepted.
// - Opening is exclusive (TIOCEXCL plus an advisory lock): a second open of the
//   same device fails with ERROR_ACCESS_DENIED.
// - The line is always raw: every byte value passes unchanged both ways.
// - GetCommState returns exactly what SetCommState stored, also where the device
//   cannot show it (a pseudo-terminal keeps 8 data bits and no parity).
// - ReadFile/WriteFile run the transfer on the calling thread. A transfer that
//   had to wait is reported as pending (FALSE, ERROR_IO_PENDING) with its result
//   already in the OVERLAPPED record and its event signalled; GetOverlappedResult
//   then returns that result. A transfer that completed without waiting returns
//   TRUE. PurgeComm with an abort flag or CloseHandle from another thread ends a
//   transfer under way with ERROR_OPERATION_ABORTED.
// - A read that runs out of time succeeds with fewer bytes than asked; end of
//   file or a hang-up of the other side fails with ERROR_DEVICE_NOT_CONNECTED.
// - SetCommState applies rate, data bits, parity (mark and space through
//   CMSPAR), stop bits, RTS/CTS (fOutxCtsFlow or RTS handshake) and XON/XOFF.
//   DTR and RTS follow fDtrControl/fRtsControl when these change (on unless
//   disabled); EscapeCommFunction moves them in between. DSR flow and
//   sensitivity, XonLim/XoffLim, fNull, fErrorChar and fAbortOnError are only
//   stored. RTS toggling is refused (ERROR_NOT_SUPPORTED).
// - Where the device has no modem lines or error counters (pseudo-terminals), the
//   port uses virtual lines kept by this layer (see platform/comm/testing.h).
// - A port handle lives in the handle table of platform/win and is closed with
//   its CloseHandle; GetLastError/SetLastError are those of platform/win too.
#pragma once

#include <cstdint>

#include "platform/com/registry.h"
#include "platform/com/types.h"
#include "platform/win/handles.h"

using WCHAR = char16_t;

// Error codes of the thread's last error beyond those of platform/com/registry.h
// (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
// ERROR_INVALID_PARAMETER) and platform/win/handles.h (ERROR_NOT_SUPPORTED,
// ERROR_OPERATION_ABORTED, ERROR_IO_INCOMPLETE, ERROR_IO_PENDING, ...).
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;

constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

// CreateFileA arguments.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

// The device-control block. The flag members are bit fields in the order of the
// home platform, so bit n of the 32-bit word at offset 8 is the n-th flag (see
// DcbFlagWord below).
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB has the home platform's layout");
using LPDCB = DCB*;

constexpr DWORD CBR_110 = 110, CBR_300 = 300, CBR_600 = 600, CBR_1200 = 1200, CBR_2400 = 2400,
                CBR_4800 = 4800, CBR_9600 = 9600, CBR_14400 = 14400, CBR_19200 = 19200, CBR_38400 = 38400,
                CBR_56000 = 56000, CBR_57600 = 57600, CBR_115200 = 115200, CBR_128000 = 128000,
                CBR_256000 = 256000;
constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                RTS_CONTROL_TOGGLE = 3;

// The flag word of a DCB (fBinary is bit 0, fAbortOnError bit 14), for code that
// keeps the flags as one number.
inline DWORD DcbFlagWord(const DCB& d) {
  auto bit = [](DWORD v, int at) { return v << at; };
  return bit(d.fBinary, 0) | bit(d.fParity, 1) | bit(d.fOutxCtsFlow, 2) | bit(d.fOutxDsrFlow, 3) |
         bit(d.fDtrControl, 4) | bit(d.fDsrSensitivity, 6) | bit(d.fTXContinueOnXoff, 7) | bit(d.fOutX, 8) |
         bit(d.fInX, 9) | bit(d.fErrorChar, 10) | bit(d.fNull, 11) | bit(d.fRtsControl, 12) |
         bit(d.fAbortOnError, 14) | bit(d.fDummy2, 15);
}
inline void SetDcbFlagWord(DCB& d, DWORD w) {
  d.fBinary = w & 1;
  d.fParity = w >> 1 & 1;
  d.fOutxCtsFlow = w >> 2 & 1;
  d.fOutxDsrFlow = w >> 3 & 1;
  d.fDtrControl = w >> 4 & 3;
  d.fDsrSensitivity = w >> 6 & 1;
  d.fTXContinueOnXoff = w >> 7 & 1;
  d.fOutX = w >> 8 & 1;
  d.fInX = w >> 9 & 1;
  d.fErrorChar = w >> 10 & 1;
  d.fNull = w >> 11 & 1;
  d.fRtsControl = w >> 12 & 3;
  d.fAbortOnError = w >> 14 & 1;
  d.fDummy2 = w >> 15;
}

// The communications configuration record that holds a DCB (52 bytes).
struct COMMCONFIG {
  DWORD dwSize;
  WORD wVersion;
  WORD wReserved;
  DCB dcb;
  DWORD dwProviderSubType;
  DWORD dwProviderOffset;
  DWORD dwProviderSize;
  WCHAR wcProviderData[1];
};
static_assert(sizeof(COMMCONFIG) == 52, "COMMCONFIG has the home platform's layout");
using LPCOMMCONFIG = COMMCONFIG*;
constexpr DWORD PST_RS232 = 1;
constexpr DWORD PST_PARALLELPORT = 2;

// Time-outs in milliseconds. Reads: the interval limits the gap between two
// bytes once the first has arrived; the total is multiplier x bytes asked +
// constant; zero means "not used"; an interval of MAXDWORD with both totals zero
// returns at once with what has arrived; an interval and a multiplier of MAXDWORD
// with a constant between them return as soon as one byte is there, or after the
// constant. Writes: total = multiplier x bytes + constant, zero = none.
struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;

struct COMSTAT {
  DWORD fCtsHold : 1;
  DWORD fDsrHold : 1;
  DWORD fRlsdHold : 1;
  DWORD fXoffHold : 1;
  DWORD fXoffSent : 1;
  DWORD fEof : 1;
  DWORD fTxim : 1;
  DWORD fReserved : 25;
  DWORD cbInQue;
  DWORD cbOutQue;
};
using LPCOMSTAT = COMSTAT*;

// Line error flags reported by ClearCommError.
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;

constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction codes.
constexpr DWORD SETXOFF = 1;
constexpr DWORD SETXON = 2;
constexpr DWORD SETRTS = 3;
constexpr DWORD CLRRTS = 4;
constexpr DWORD SETDTR = 5;
constexpr DWORD CLRDTR = 6;
constexpr DWORD SETBREAK = 8;
constexpr DWORD CLRBREAK = 9;

// GetCommModemStatus bits.
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// Event mask bits of SetCommMask (kept; no call waits for them).
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;

// The record of an overlapped transfer. Internal holds the transfer's error code
// (or the pending mark) and InternalHigh the bytes moved; hEvent, when set, is an
// event that the transfer resets when it starts and signals when it ends.
struct OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

extern "C" {
COM_API HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, void* security, DWORD creation,
                           DWORD flags, HANDLE templateFile);
COM_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
COM_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
COM_API BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, BOOL wait);
// Waits until everything written has been sent ("drain", tcdrain).
COM_API BOOL FlushFileBuffers(HANDLE file);

COM_API BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue);
COM_API BOOL GetCommState(HANDLE file, LPDCB dcb);
COM_API BOOL SetCommState(HANDLE file, LPDCB dcb);
COM_API BOOL BuildCommDCBA(LPCSTR definition, LPDCB dcb);
COM_API BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
COM_API BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
COM_API BOOL GetCommMask(HANDLE file, LPDWORD mask);
COM_API BOOL SetCommMask(HANDLE file, DWORD mask);
// With a COMSTAT it fails (ERROR_DEVICE_NOT_CONNECTED) when the device has gone.
// On a pseudo-terminal of platform/comm/testing.h, cbOutQue counts what the
// other side has not read yet, as a real port counts what it has not sent.
COM_API BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT stat);
// PURGE_TXABORT/PURGE_RXABORT end transfers under way; PURGE_TXCLEAR/
// PURGE_RXCLEAR discard what is queued ("purge", tcflush).
COM_API BOOL PurgeComm(HANDLE file, DWORD flags);
COM_API BOOL EscapeCommFunction(HANDLE file, DWORD function);
COM_API BOOL SetCommBreak(HANDLE file);
COM_API BOOL ClearCommBreak(HANDLE file);
COM_API BOOL GetCommModemStatus(HANDLE file, LPDWORD status);
// The port configuration dialog (platform/ui/CommConfigForm.h) on config->dcb;
// TRUE after OK with the settings written. FALSE with ERROR_CANCELLED after
// Cancel (config unchanged), ERROR_INVALID_PARAMETER for a null config,
// ERROR_INSUFFICIENT_BUFFER (122) when dwSize is below the record's size, the error of
// a name that designates no port, ERROR_INVALID_THREAD_ID on a thread other
// than the one forms are shown on. `owner` is not used.
COM_API BOOL CommConfigDialogA(LPCSTR name, HWND owner, LPCOMMCONFIG config);
}
