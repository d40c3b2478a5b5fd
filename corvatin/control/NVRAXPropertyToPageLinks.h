// Links from a control's properties to property pages: each link names a
// property by its dispatch identifier and the page that edits it by class
// identifier. Property browsing asks the links which page belongs to a property;
// the cash-register control adds none, so every property answers "no page".
#pragma once

#include <vector>

#include "platform/com/types.h"

namespace corvatin {

struct TNVRAXPropertyToPageLink {
  DISPID DispID = 0;
  CLSID PageCLSID{};
};

class TNVRAXPropertyToPageLinks {
 public:
  void Add(DISPID dispId, REFCLSID page) { links_.push_back({dispId, page}); }
  int Count() const { return static_cast<int>(links_.size()); }

  // The page of the first link of `dispId`; GUID_NULL when no link has it.
  CLSID FindPage(DISPID dispId) const;

 private:
  std::vector<TNVRAXPropertyToPageLink> links_;
};

}  // namespace corvatin
