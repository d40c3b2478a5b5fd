// The line functions: argument checks, the tables of applications and open
// lines, and the records handed back to the caller.
#include <cstring>
#include <map>
#include <mutex>

#include "platform/com/registry.h"
#include "platform/tapi/lines.h"
#include "platform/tapi/provider.h"
#include "platform/tapi/tapi.h"

namespace tapi {

std::shared_ptr<HayesLine> FindCallLine(HCALL call);

namespace {

struct Tables {
  std::mutex mu;
  std::map<HLINEAPP, std::shared_ptr<LineApp>> apps;
  std::map<HLINE, std::shared_ptr<HayesLine>> lines;
};

Tables& T() {
  static auto* t = new Tables;
  return *t;
}

std::shared_ptr<LineApp> FindApp(HLINEAPP app) {
  std::lock_guard lock(T().mu);
  auto it = T().apps.find(app);
  return it == T().apps.end() ? nullptr : it->second;
}

std::shared_ptr<HayesLine> FindLine(HLINE line) {
  std::lock_guard lock(T().mu);
  auto it = T().lines.find(line);
  return it == T().lines.end() ? nullptr : it->second;
}

bool Negotiable(DWORD low, DWORD high) {
  return low <= high && high >= TAPI_LOWEST_VERSION && low <= TAPI_CURRENT_VERSION;
}

// Characters a Hayes dial string may hold: digits, the tone keys, pauses and
// dial modifiers, and blanks, dashes and brackets that people write in numbers.
bool DialableNumber(const char* number) {
  std::size_t n = 0;
  for (const char* p = number; *p; ++p, ++n) {
    const char c = *p;
    if (n > 64) return false;
    if ((c >= '0' && c <= '9') || std::strchr("*#,WwPpTt!@ -()ABCDabcd", c)) continue;
    return false;
  }
  return true;
}

}  // namespace

}  // namespace tapi

using namespace tapi;

LONG lineInitializeExA(LPHLINEAPP lineApp, HINSTANCE, LINECALLBACK, LPCSTR, LPDWORD numDevs, LPDWORD apiVersion,
                       LPLINEINITIALIZEEXPARAMS params) {
  if (!lineApp || !numDevs || !params) return LINEERR_INVALPOINTER;
  if (params->dwTotalSize < sizeof(LINEINITIALIZEEXPARAMS)) return LINEERR_STRUCTURETOOSMALL;
  if (params->dwOptions != LINEINITIALIZEEXOPTION_USEEVENT) return LINEERR_INVALPARAM;
  if (apiVersion && *apiVersion < TAPI_LOWEST_VERSION) return LINEERR_INCOMPATIBLEAPIVERSION;
  // The line devices are the modems the registry lists: a registry that
  // cannot be read fails the registration, as a damaged telephony
  // configuration does, rather than offering no lines.
  const std::size_t devices = ListModemLines().size();
  if (devices == 0 && !registry::LastLoadError().empty()) return LINEERR_INIFILECORRUPT;
  auto app = std::make_shared<LineApp>();
  if (!app->Event()) return LINEERR_NOMEM;
  const HLINEAPP h = NewId();
  {
    std::lock_guard lock(T().mu);
    T().apps[h] = app;
  }
  *lineApp = h;
  *numDevs = static_cast<DWORD>(devices);
  if (apiVersion) *apiVersion = std::min<DWORD>(*apiVersion, TAPI_CURRENT_VERSION);
  params->dwNeededSize = params->dwUsedSize = sizeof(LINEINITIALIZEEXPARAMS);
  params->Handles.hEvent = app->Event();
  return 0;
}

LONG lineShutdown(HLINEAPP lineApp) {
  std::shared_ptr<LineApp> app;
  std::vector<std::shared_ptr<HayesLine>> lines;
  {
    std::lock_guard lock(T().mu);
    auto it = T().apps.find(lineApp);
    if (it == T().apps.end()) return LINEERR_INVALAPPHANDLE;
    app = it->second;
    T().apps.erase(it);
    for (auto l = T().lines.begin(); l != T().lines.end();) {
      if (l->second->App() == app) {
        lines.push_back(l->second);
        l = T().lines.erase(l);
      } else {
        ++l;
      }
    }
  }
  for (auto& l : lines) l->Close();
  app->Shutdown();
  return 0;
}

LONG lineNegotiateAPIVersion(HLINEAPP lineApp, DWORD deviceID, DWORD lowVersion, DWORD highVersion,
                             LPDWORD apiVersion, LPLINEEXTENSIONID extensionID) {
  if (!FindApp(lineApp)) return LINEERR_INVALAPPHANDLE;
  if (!apiVersion || !extensionID) return LINEERR_INVALPOINTER;
  if (deviceID >= ListModemLines().size()) return LINEERR_BADDEVICEID;
  if (!Negotiable(lowVersion, highVersion)) return LINEERR_INCOMPATIBLEAPIVERSION;
  *apiVersion = std::min(highVersion, TAPI_CURRENT_VERSION);
  *extensionID = LINEEXTENSIONID{};
  return 0;
}

LONG lineGetDevCaps(HLINEAPP lineApp, DWORD deviceID, DWORD apiVersion, DWORD extVersion, LPLINEDEVCAPS caps) {
  if (!FindApp(lineApp)) return LINEERR_INVALAPPHANDLE;
  if (!caps) return LINEERR_INVALPOINTER;
  const auto lines = ListModemLines();
  if (deviceID >= lines.size()) return LINEERR_BADDEVICEID;
  if (apiVersion < TAPI_LOWEST_VERSION || apiVersion > TAPI_CURRENT_VERSION) return LINEERR_INCOMPATIBLEAPIVERSION;
  if (extVersion != 0) return LINEERR_INCOMPATIBLEEXTVERSION;
  if (caps->dwTotalSize < sizeof(LINEDEVCAPS)) return LINEERR_STRUCTURETOOSMALL;
  const DWORD total = caps->dwTotalSize;
  std::memset(caps, 0, sizeof(LINEDEVCAPS));
  caps->dwTotalSize = total;
  const std::string& name = lines[deviceID].name;
  const DWORD nameSize = static_cast<DWORD>(name.size() + 1);
  caps->dwNeededSize = static_cast<DWORD>(sizeof(LINEDEVCAPS)) + nameSize;
  caps->dwUsedSize = sizeof(LINEDEVCAPS);
  caps->dwPermanentLineID = deviceID;
  caps->dwStringFormat = STRINGFORMAT_ASCII;
  caps->dwNumAddresses = 1;
  caps->dwBearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_DATA | LINEBEARERMODE_PASSTHROUGH;
  caps->dwMediaModes = LINEMEDIAMODE_DATAMODEM;
  caps->dwMaxRate = 115200;
  // The name goes in when it fits whole; dwNeededSize tells what it takes.
  if (caps->dwNeededSize <= total) {
    char* base = reinterpret_cast<char*>(caps);
    std::memcpy(base + sizeof(LINEDEVCAPS), name.c_str(), nameSize);
    caps->dwLineNameOffset = sizeof(LINEDEVCAPS);
    caps->dwLineNameSize = nameSize;
    caps->dwUsedSize = caps->dwNeededSize;
  }
  return 0;
}

LONG lineOpen(HLINEAPP lineApp, DWORD deviceID, LPHLINE line, DWORD apiVersion, DWORD extVersion,
              DWORD_PTR callbackInstance, DWORD privileges, DWORD mediaModes, const LINECALLPARAMS*) {
  auto app = FindApp(lineApp);
  if (!app) return LINEERR_INVALAPPHANDLE;
  if (!line) return LINEERR_INVALPOINTER;
  const auto lines = ListModemLines();
  if (deviceID >= lines.size()) return LINEERR_BADDEVICEID;
  if (apiVersion < TAPI_LOWEST_VERSION || apiVersion > TAPI_CURRENT_VERSION) return LINEERR_INCOMPATIBLEAPIVERSION;
  if (extVersion != 0) return LINEERR_INCOMPATIBLEEXTVERSION;
  if (privileges & ~(LINECALLPRIVILEGE_NONE | LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER))
    return LINEERR_INVALPRIVSELECT;
  if ((privileges & LINECALLPRIVILEGE_OWNER) && mediaModes != LINEMEDIAMODE_DATAMODEM) return LINEERR_INVALMEDIAMODE;
  LineSettings settings;
  if (!ReadLineSettings(lines[deviceID], settings)) return LINEERR_INVALPARAM;
  const HLINE h = NewId();
  auto modem = std::make_shared<HayesLine>(app, h, callbackInstance, lines[deviceID].port, settings);
  if (LONG r = modem->Open(); r < 0) return r;
  {
    std::lock_guard lock(T().mu);
    T().lines[h] = modem;
  }
  *line = h;
  return 0;
}

LONG lineClose(HLINE line) {
  std::shared_ptr<HayesLine> modem;
  {
    std::lock_guard lock(T().mu);
    auto it = T().lines.find(line);
    if (it == T().lines.end()) return LINEERR_INVALLINEHANDLE;
    modem = it->second;
    T().lines.erase(it);
  }
  modem->Close();
  return 0;
}

LONG lineMakeCall(HLINE line, LPHCALL call, LPCSTR destAddress, DWORD countryCode, const LINECALLPARAMS* params) {
  auto modem = FindLine(line);
  if (!modem) return LINEERR_INVALLINEHANDLE;
  if (!call) return LINEERR_INVALPOINTER;
  if (countryCode != 0) return LINEERR_INVALCOUNTRYCODE;
  const bool passthrough = params && params->dwBearerMode == LINEBEARERMODE_PASSTHROUGH;
  if (params && params->dwTotalSize < sizeof(LINECALLPARAMS)) return LINEERR_STRUCTURETOOSMALL;
  if (params && params->dwMediaMode != 0 && params->dwMediaMode != LINEMEDIAMODE_DATAMODEM)
    return LINEERR_INVALMEDIAMODE;
  if (!passthrough) {
    if (!destAddress || !*destAddress || !DialableNumber(destAddress)) return LINEERR_INVALADDRESS;
  }
  HCALL h = 0;
  const LONG r = modem->MakeCall(h, passthrough ? std::string() : std::string(destAddress), passthrough);
  if (r > 0) *call = h;
  return r;
}

LONG lineAnswer(HCALL call, LPCSTR, DWORD) {
  auto modem = FindCallLine(call);
  return modem ? modem->Answer(call) : LINEERR_INVALCALLHANDLE;
}

LONG lineDrop(HCALL call, LPCSTR, DWORD) {
  auto modem = FindCallLine(call);
  return modem ? modem->Drop(call) : LINEERR_INVALCALLHANDLE;
}

LONG lineDeallocateCall(HCALL call) {
  auto modem = FindCallLine(call);
  return modem ? modem->Deallocate(call) : LINEERR_INVALCALLHANDLE;
}

LONG lineSetCallParams(HCALL call, DWORD bearerMode, DWORD minRate, DWORD maxRate, const LINEDIALPARAMS*) {
  auto modem = FindCallLine(call);
  if (!modem) return LINEERR_INVALCALLHANDLE;
  if (bearerMode != LINEBEARERMODE_VOICE && bearerMode != LINEBEARERMODE_DATA &&
      bearerMode != LINEBEARERMODE_PASSTHROUGH)
    return LINEERR_INVALBEARERMODE;
  if (minRate > maxRate) return LINEERR_INVALRATE;
  return modem->SetCallParams(call);
}

LONG lineGetID(HLINE line, DWORD addressID, HCALL call, DWORD select, LPVARSTRING deviceID, LPCSTR deviceClass) {
  if (!deviceID || !deviceClass) return LINEERR_INVALPOINTER;
  if (deviceID->dwTotalSize < sizeof(VARSTRING)) return LINEERR_STRUCTURETOOSMALL;
  if (select != LINECALLSELECT_CALL) return LINEERR_INVALCALLSELECT;
  (void)line;
  (void)addressID;
  std::string cls(deviceClass);
  for (char& c : cls)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (cls != "comm/datamodem") return LINEERR_INVALDEVICECLASS;
  auto modem = FindCallLine(call);
  if (!modem) return LINEERR_INVALCALLHANDLE;
  const DWORD total = deviceID->dwTotalSize;
  // What the record needs: the handle (4 bytes) and the port's name.
  HANDLE h = nullptr;
  std::string port;
  if (LONG r = modem->DataHandle(call, h, port); r < 0) return r;
  const DWORD size = static_cast<DWORD>(4 + port.size() + 1);
  std::memset(deviceID, 0, sizeof(VARSTRING));
  deviceID->dwTotalSize = total;
  deviceID->dwNeededSize = static_cast<DWORD>(sizeof(VARSTRING)) + size;
  deviceID->dwUsedSize = sizeof(VARSTRING);
  deviceID->dwStringFormat = STRINGFORMAT_BINARY;
  if (deviceID->dwNeededSize > total) {
    CloseHandle(h);  // the caller asks again with a larger record
    return 0;
  }
  char* base = reinterpret_cast<char*>(deviceID);
  const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
  std::memcpy(base + sizeof(VARSTRING), &value, 4);
  std::memcpy(base + sizeof(VARSTRING) + 4, port.c_str(), port.size() + 1);
  deviceID->dwStringOffset = sizeof(VARSTRING);
  deviceID->dwStringSize = size;
  deviceID->dwUsedSize = deviceID->dwNeededSize;
  return 0;
}

LONG lineGetMessage(HLINEAPP lineApp, LPLINEMESSAGE message, DWORD timeout) {
  if (!message) return LINEERR_INVALPOINTER;
  auto app = FindApp(lineApp);
  if (!app) return LINEERR_INVALAPPHANDLE;
  return app->Get(*message, timeout) ? 0 : LINEERR_OPERATIONFAILED;
}
