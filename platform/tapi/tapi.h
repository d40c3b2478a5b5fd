// Telephony lines under the names of the home platform's line functions
// (lineInitializeExA, lineOpen, lineMakeCall, lineGetMessage, ...), served by a
// provider of Hayes-compatible modems on serial ports.
//
// What a caller must know:
// - The line devices are the modems listed in the registry (platform/tapi/lines.h),
//   numbered from 0 in the order of the list; a registry that cannot be read
//   fails lineInitializeExA with LINEERR_INIFILECORRUPT. A line opens its modem's port
//   (platform/comm) exclusively, at the rate and flow control listed for it,
//   and keeps it while the line is open; opening sends the modem its
//   initialisation command, which must be answered OK. Settings that cannot be
//   used fail lineOpen with LINEERR_INVALPARAM, a rate the port refuses with
//   LINEERR_INVALRATE.
// - Every wait for the modem's reply has a limit of its own and reads only
//   what has arrived, whatever time-outs the data handle's user has put on
//   the port.
// - Only event notification is served (LINEINITIALIZEEXOPTION_USEEVENT): the
//   event is a manual-reset event of platform/win that stays signalled while
//   messages wait in the application's queue; lineGetMessage takes them one at a
//   time, in order, waiting up to its time-out.
// - lineMakeCall sends "ATDT<number>" and the call follows the modem's result
//   line: CONNECT (connected), BUSY (busy), NO CARRIER, NO ANSWER, NO DIALTONE
//   (disconnected), ERROR (the request's reply fails with
//   LINEERR_OPERATIONFAILED). The request's LINE_REPLY comes with the first
//   result line. A dial that brings no result within three minutes is given
//   up (disconnected, no answer).
// - A RING in command mode offers a call (LINECALLSTATE_OFFERING); lineAnswer
//   sends "ATA" and the call follows the result as for a dial.
// - lineDrop first lets the port send what it holds (at most 2 s), then
//   lowers DTR for a moment (the modem hangs up); when the carrier stays, it
//   escapes to command mode with the guard times and sends "ATH". A call whose
//   carrier has already gone is not hung up again. The call then goes idle.
// - While a call is connected the modem's carrier (DCD) is watched; its loss,
//   or "NO CARRIER" in command mode, ends the call as disconnected.
// - lineGetID of "comm/datamodem" on a connected call hands over a new handle
//   of the line's open port (closed by the caller with CloseHandle) in a
//   VARSTRING: 4 bytes of handle followed by the port name. Closing that
//   handle closes the port, which hangs the modem up (DTR drops); the line
//   then reopens its port and reports the call disconnected.
// - A modem port that disappears (or a modem that does not answer "AT" when
//   the line opens) closes the line: LINE_CLOSE, or lineOpen failing with
//   LINEERR_OPERATIONFAILED / LINEERR_RESOURCEUNAVAIL.
// - Asynchronous functions return a positive request identifier (never reused)
//   or a negative LINEERR_* code; unknown devices, closed lines, unknown calls
//   and bad pointers give the line error codes and never crash.
#pragma once

#include <cstdint>

#include "platform/com/types.h"
#include "platform/win/handles.h"

using HLINEAPP = DWORD;
using HLINE = DWORD;
using HCALL = DWORD;
using LPHLINEAPP = HLINEAPP*;
using LPHLINE = HLINE*;
using LPHCALL = HCALL*;
using LINECALLBACK = void (*)(DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
                              DWORD_PTR p3);

// Line error codes (negative as LONG).
constexpr LONG LineErr(std::uint32_t low) { return static_cast<LONG>(0x80000000u | low); }
constexpr LONG LINEERR_ALLOCATED = LineErr(0x01);
constexpr LONG LINEERR_BADDEVICEID = LineErr(0x02);
constexpr LONG LINEERR_BEARERMODEUNAVAIL = LineErr(0x03);
constexpr LONG LINEERR_CALLUNAVAIL = LineErr(0x05);
constexpr LONG LINEERR_INCOMPATIBLEAPIVERSION = LineErr(0x0C);
constexpr LONG LINEERR_INCOMPATIBLEEXTVERSION = LineErr(0x0D);
constexpr LONG LINEERR_INIFILECORRUPT = LineErr(0x0E);
constexpr LONG LINEERR_INUSE = LineErr(0x0F);
constexpr LONG LINEERR_INVALADDRESS = LineErr(0x10);
constexpr LONG LINEERR_INVALAPPHANDLE = LineErr(0x14);
constexpr LONG LINEERR_INVALAPPNAME = LineErr(0x15);
constexpr LONG LINEERR_INVALBEARERMODE = LineErr(0x16);
constexpr LONG LINEERR_INVALCALLHANDLE = LineErr(0x18);
constexpr LONG LINEERR_INVALCALLPARAMS = LineErr(0x19);
constexpr LONG LINEERR_INVALCALLSELECT = LineErr(0x1B);
constexpr LONG LINEERR_INVALCALLSTATE = LineErr(0x1C);
constexpr LONG LINEERR_INVALCOUNTRYCODE = LineErr(0x22);
constexpr LONG LINEERR_INVALDEVICECLASS = LineErr(0x23);
constexpr LONG LINEERR_INVALLINEHANDLE = LineErr(0x2B);
constexpr LONG LINEERR_INVALMEDIAMODE = LineErr(0x2F);
constexpr LONG LINEERR_INVALPARAM = LineErr(0x32);
constexpr LONG LINEERR_INVALPOINTER = LineErr(0x35);
constexpr LONG LINEERR_INVALPRIVSELECT = LineErr(0x36);
constexpr LONG LINEERR_INVALRATE = LineErr(0x37);
constexpr LONG LINEERR_INVALTIMEOUT = LineErr(0x3B);
constexpr LONG LINEERR_NODEVICE = LineErr(0x42);
constexpr LONG LINEERR_NOMEM = LineErr(0x44);
constexpr LONG LINEERR_OPERATIONFAILED = LineErr(0x48);
constexpr LONG LINEERR_OPERATIONUNAVAIL = LineErr(0x49);
constexpr LONG LINEERR_RESOURCEUNAVAIL = LineErr(0x4B);
constexpr LONG LINEERR_STRUCTURETOOSMALL = LineErr(0x4D);
constexpr LONG LINEERR_UNINITIALIZED = LineErr(0x50);
constexpr LONG LINEERR_DIALVOICEDETECT = LineErr(0x5C);

// Messages.
constexpr DWORD LINE_CALLSTATE = 2;
constexpr DWORD LINE_CLOSE = 3;
constexpr DWORD LINE_REPLY = 12;

// Call states (LINE_CALLSTATE's first parameter).
constexpr DWORD LINECALLSTATE_IDLE = 0x00000001;
constexpr DWORD LINECALLSTATE_OFFERING = 0x00000002;
constexpr DWORD LINECALLSTATE_DIALING = 0x00000010;
constexpr DWORD LINECALLSTATE_RINGBACK = 0x00000020;
constexpr DWORD LINECALLSTATE_BUSY = 0x00000040;
constexpr DWORD LINECALLSTATE_CONNECTED = 0x00000100;
constexpr DWORD LINECALLSTATE_DISCONNECTED = 0x00004000;

// Why a call was disconnected (LINE_CALLSTATE's second parameter).
constexpr DWORD LINEDISCONNECTMODE_NORMAL = 0x00000001;
constexpr DWORD LINEDISCONNECTMODE_NOANSWER = 0x00000040;
constexpr DWORD LINEDISCONNECTMODE_UNAVAIL = 0x00000800;
constexpr DWORD LINEDISCONNECTMODE_NODIALTONE = 0x00001000;

constexpr DWORD LINEBEARERMODE_VOICE = 0x00000001;
constexpr DWORD LINEBEARERMODE_DATA = 0x00000008;
constexpr DWORD LINEBEARERMODE_PASSTHROUGH = 0x00000040;
constexpr DWORD LINEMEDIAMODE_DATAMODEM = 0x00000010;
constexpr DWORD LINECALLPRIVILEGE_NONE = 0x00000001;
constexpr DWORD LINECALLPRIVILEGE_MONITOR = 0x00000002;
constexpr DWORD LINECALLPRIVILEGE_OWNER = 0x00000004;
constexpr DWORD LINECALLSELECT_LINE = 0x00000001;
constexpr DWORD LINECALLSELECT_ADDRESS = 0x00000002;
constexpr DWORD LINECALLSELECT_CALL = 0x00000004;
constexpr DWORD STRINGFORMAT_ASCII = 0x00000001;
constexpr DWORD STRINGFORMAT_BINARY = 0x00000004;
constexpr DWORD LINEINITIALIZEEXOPTION_USEHIDDENWINDOW = 1;
constexpr DWORD LINEINITIALIZEEXOPTION_USEEVENT = 2;
constexpr DWORD LINEINITIALIZEEXOPTION_USECOMPLETIONPORT = 3;

// The range of API versions served.
constexpr DWORD TAPI_LOWEST_VERSION = 0x00010004;
constexpr DWORD TAPI_CURRENT_VERSION = 0x00020000;

struct LINEINITIALIZEEXPARAMS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwOptions;
  union {
    HANDLE hEvent;
    HANDLE hCompletionPort;
  } Handles;
  DWORD dwCompletionKey;
};
using LPLINEINITIALIZEEXPARAMS = LINEINITIALIZEEXPARAMS*;

struct LINEMESSAGE {
  DWORD hDevice;
  DWORD dwMessageID;
  DWORD_PTR dwCallbackInstance;
  DWORD_PTR dwParam1;
  DWORD_PTR dwParam2;
  DWORD_PTR dwParam3;
};
using LPLINEMESSAGE = LINEMESSAGE*;

struct LINEEXTENSIONID {
  DWORD dwExtensionID0;
  DWORD dwExtensionID1;
  DWORD dwExtensionID2;
  DWORD dwExtensionID3;
};
using LPLINEEXTENSIONID = LINEEXTENSIONID*;

struct LINEDIALPARAMS {
  DWORD dwDialPause;
  DWORD dwDialSpeed;
  DWORD dwDigitDuration;
  DWORD dwWaitForDialtone;
};
using LPLINEDIALPARAMS = LINEDIALPARAMS*;

// The call parameters: the fields this provider reads, in the home platform's
// order, padded to its 176 bytes.
struct LINECALLPARAMS {
  DWORD dwTotalSize;
  DWORD dwBearerMode;
  DWORD dwMinRate;
  DWORD dwMaxRate;
  DWORD dwMediaMode;
  DWORD dwCallParamFlags;
  DWORD dwAddressMode;
  DWORD dwAddressID;
  LINEDIALPARAMS DialParams;
  DWORD dwReserved[32];
};
static_assert(sizeof(LINECALLPARAMS) == 176, "LINECALLPARAMS has the home platform's size");
using LPLINECALLPARAMS = LINECALLPARAMS*;

// A variable-length string record: the fixed part, then dwStringSize bytes at
// dwStringOffset from the record's start.
struct VARSTRING {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwStringFormat;
  DWORD dwStringSize;
  DWORD dwStringOffset;
};
using LPVARSTRING = VARSTRING*;

// Line capabilities: the fixed part this provider fills (the leading fields of
// the home platform's record), then the variable part (the line name as
// ASCII text at dwLineNameOffset, NUL included in dwLineNameSize).
struct LINEDEVCAPS {
  DWORD dwTotalSize;
  DWORD dwNeededSize;
  DWORD dwUsedSize;
  DWORD dwProviderInfoSize;
  DWORD dwProviderInfoOffset;
  DWORD dwSwitchInfoSize;
  DWORD dwSwitchInfoOffset;
  DWORD dwPermanentLineID;
  DWORD dwLineNameSize;
  DWORD dwLineNameOffset;
  DWORD dwStringFormat;
  DWORD dwAddressModes;
  DWORD dwNumAddresses;
  DWORD dwBearerModes;
  DWORD dwMaxRate;
  DWORD dwMediaModes;
};
using LPLINEDEVCAPS = LINEDEVCAPS*;

extern "C" {
COM_API LONG lineInitializeExA(LPHLINEAPP lineApp, HINSTANCE instance, LINECALLBACK callback, LPCSTR appName,
                               LPDWORD numDevs, LPDWORD apiVersion, LPLINEINITIALIZEEXPARAMS params);
COM_API LONG lineShutdown(HLINEAPP lineApp);
COM_API LONG lineNegotiateAPIVersion(HLINEAPP lineApp, DWORD deviceID, DWORD lowVersion, DWORD highVersion,
                                     LPDWORD apiVersion, LPLINEEXTENSIONID extensionID);
COM_API LONG lineGetDevCaps(HLINEAPP lineApp, DWORD deviceID, DWORD apiVersion, DWORD extVersion,
                            LPLINEDEVCAPS caps);
COM_API LONG lineOpen(HLINEAPP lineApp, DWORD deviceID, LPHLINE line, DWORD apiVersion, DWORD extVersion,
                      DWORD_PTR callbackInstance, DWORD privileges, DWORD mediaModes,
                      const LINECALLPARAMS* callParams);
COM_API LONG lineClose(HLINE line);
COM_API LONG lineMakeCall(HLINE line, LPHCALL call, LPCSTR destAddress, DWORD countryCode,
                          const LINECALLPARAMS* callParams);
COM_API LONG lineAnswer(HCALL call, LPCSTR userUserInfo, DWORD size);
COM_API LONG lineDrop(HCALL call, LPCSTR userUserInfo, DWORD size);
COM_API LONG lineDeallocateCall(HCALL call);
COM_API LONG lineSetCallParams(HCALL call, DWORD bearerMode, DWORD minRate, DWORD maxRate,
                               const LINEDIALPARAMS* dialParams);
COM_API LONG lineGetID(HLINE line, DWORD addressID, HCALL call, DWORD select, LPVARSTRING deviceID,
                       LPCSTR deviceClass);
COM_API LONG lineGetMessage(HLINEAPP lineApp, LPLINEMESSAGE message, DWORD timeout);
}
