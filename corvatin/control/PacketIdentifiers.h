// Which packet of the packet library starts the transfer of each data type:
// one-character packet identifiers, with a second identifier for the reports
// that a range of dates selects.
#pragma once

#include <string>

#include "corvatin/Corvatin.h"

namespace corvatin {

// The packet identifier of DATATYPE (a QAVECRDataType) for a read of
// RANGETYPE (a QAVECRRangeType); writes pass ecrrtNumbers. Empty for a data
// type outside the table.
std::string PacketIdOf(LONG dataType, LONG rangeType);

}  // namespace corvatin
