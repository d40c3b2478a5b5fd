#include "corvatin/control/NVRAXPropertyToPageLinks.h"

namespace corvatin {

CLSID TNVRAXPropertyToPageLinks::FindPage(DISPID dispId) const {
  for (const TNVRAXPropertyToPageLink& link : links_)
    if (link.DispID == dispId) return link.PageCLSID;
  return GUID_NULL;
}

}  // namespace corvatin
