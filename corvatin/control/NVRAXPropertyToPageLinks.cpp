// Links from a control's properties to property pages: the definitions of what
// NVRAXPropertyToPageLinks.h declares.
#include "corvatin/control/NVRAXPropertyToPageLinks.h"

namespace corvatin {

CLSID TNVRAXPropertyToPageLinks::FindPage(DISPID dispId) const {
  for (const TNVRAXPropertyToPageLink& link : links_)
    if (link.DispID == dispId) return link.PageCLSID;
  return GUID_NULL;
}

}  // namespace corvatin
