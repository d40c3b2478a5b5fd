#include "platform/tapi/lines.h"

#include <stdexcept>

#include "platform/com/registry.h"

namespace tapi {

std::vector<ModemLine> ListModemLines() {
  std::vector<ModemLine> lines;
  for (const std::string& sub : registry::SubKeys(kModemsKey)) {
    const std::string key = std::string(kModemsKey) + "\\" + sub;
    lines.push_back({registry::GetValue(key, "Name").value_or(""), registry::GetValue(key, "Port").value_or("")});
  }
  return lines;
}

DWORD AddModemLine(const std::string& name, const std::string& port) {
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
  t.SetValue(key, "Name", name);
  t.SetValue(key, "Port", port);
  std::string error;
  if (FAILED(t.Commit(&error))) throw std::runtime_error("cannot list the modem: " + error);
  return static_cast<DWORD>(existing.size());
}

void RemoveModemLines() {
  registry::Transaction t;
  t.DeleteTree(kModemsKey);
  t.Commit();
}

}  // namespace tapi
