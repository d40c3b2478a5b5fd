#include "zelvani/model/DispatchCollection.h"

namespace zelvani {

void ThrowListIndexError(LONG index) {
  throw ComError(DISP_E_BADINDEX, "List index out of bounds (" + std::to_string(index) + ")");
}

ZELVANI_CLASS(TDispatchCollection, CLSID_DispatchCollection);

}  // namespace zelvani
