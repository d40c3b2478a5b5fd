#include "platform/tapi/lines.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/com/registry.h"
#include "platform/tapi/text.h"

namespace tapi {

bool ReadLineSettings(const ModemLine& line, LineSettings& settings) {
  LineSettings s;
  const std::string init = TrimBlanks(line.init);
  if (!init.empty()) {
    if (init.find_first_of("\r\n") != std::string::npos) return false;
    s.init = init;
  }
  const std::string rate = TrimBlanks(line.baudRate);
  if (!rate.empty()) {
    if (rate.find_first_not_of("0123456789") != std::string::npos || rate.size() > 9) return false;
    s.baudRate = static_cast<DWORD>(std::strtoul(rate.c_str(), nullptr, 10));
    if (s.baudRate == 0) return false;
  }
  const std::string flow = Upper(TrimBlanks(line.flowControl));
  if (flow == "RTS/CTS")
    s.flow = Flow::RtsCts;
  else if (flow == "XON/XOFF")
    s.flow = Flow::XonXoff;
  else if (!flow.empty() && flow != "NONE")
    return false;
  settings = s;
  return true;
}

std::vector<ModemLine> ListModemLines() {
  std::vector<ModemLine> lines;
  for (const std::string& sub : registry::SubKeys(kModemsKey)) {
    const std::string key = std::string(kModemsKey) + "\\" + sub;
    auto value = [&](const char* name) { return registry::GetValue(key, name).value_or(""); };
    lines.push_back({value("Name"), value("Port"), value("Init"), value("BaudRate"), value("FlowControl")});
  }
  return lines;
}

DWORD AddModemLine(const ModemLine& line) {
  const auto existing = registry::SubKeys(kModemsKey);
  // A subkey name not yet taken, so that the new modem comes last.
  std::size_t n = existing.size();
  auto taken = [&](const std::string& s) {
    for (const auto& e : existing)
      if (e == s) return true;
    return false;
  };
  while (taken("Modem" + std::to_string(n))) ++n;
  const std::string key = std::string(kModemsKey) + "\\Modem" + std::to_string(n);
  registry::Transaction t;
  t.SetValue(key, "Name", line.name);
  t.SetValue(key, "Port", line.port);
  if (!line.init.empty()) t.SetValue(key, "Init", line.init);
  if (!line.baudRate.empty()) t.SetValue(key, "BaudRate", line.baudRate);
  if (!line.flowControl.empty()) t.SetValue(key, "FlowControl", line.flowControl);
  std::string error;
  if (FAILED(t.Commit(&error))) throw std::runtime_error("cannot list the modem: " + error);
  return static_cast<DWORD>(existing.size());
}

DWORD AddModemLine(const std::string& name, const std::string& port) { return AddModemLine(ModemLine{name, port, {}, {}, {}}); }

void RemoveModemLines() {
  registry::Transaction t;
  t.DeleteTree(kModemsKey);
  t.Commit();
}

}  // namespace tapi
