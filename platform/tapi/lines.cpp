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
  // The name is chosen from the list as the registry holds it when the line
  // is written, in the same transaction, so that a line another process adds
  // at the same time keeps its own key; a name is taken in any letter case,
  // as the registry finds keys.
  DWORD id = 0;
  registry::Transaction t;
  t.Decide([&](const registry::Snapshot& now, registry::Transaction& add) {
    const std::size_t count = now.SubKeys(kModemsKey).size();
    std::size_t n = count;  // a name not yet taken, so that the new modem comes last
    while (now.HasKey(std::string(kModemsKey) + "\\Modem" + std::to_string(n))) ++n;
    const std::string key = std::string(kModemsKey) + "\\Modem" + std::to_string(n);
    add.SetValue(key, "Name", line.name);
    add.SetValue(key, "Port", line.port);
    if (!line.init.empty()) add.SetValue(key, "Init", line.init);
    if (!line.baudRate.empty()) add.SetValue(key, "BaudRate", line.baudRate);
    if (!line.flowControl.empty()) add.SetValue(key, "FlowControl", line.flowControl);
    id = static_cast<DWORD>(count);
  });
  std::string error;
  if (FAILED(t.Commit(&error))) throw std::runtime_error("cannot list the modem: " + error);
  return id;
}

DWORD AddModemLine(const std::string& name, const std::string& port) { return AddModemLine(ModemLine{name, port, {}, {}, {}}); }

void RemoveModemLines() {
  registry::Transaction t;
  t.DeleteTree(kModemsKey);
  t.Commit();
}

}  // namespace tapi
