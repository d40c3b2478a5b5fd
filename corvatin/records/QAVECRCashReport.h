// A record of the register's cash report: the money by kind (cash, cheques,
// cards, ...) and the report's counters, in two lists the record owns. The
// reader clears and refills both for every record.
#pragma once

#include "corvatin/control/CorvatinServer.h"

namespace corvatin {

class TQAVECRCashReport final : public CorvatinObject<IQAVECRCashReport> {
 public:
  // Creates the amounts list, then the counters list, by class identifier;
  // when either fails, the record is not made.
  TQAVECRCashReport();

  HRESULT get_Amounts(IQAVECRAmounts** r) override;
  HRESULT get_Counters(IQAVECRCounters** r) override;

  IQAVECRAmounts* Amounts() const { return amounts_.Get(); }
  IQAVECRCounters* Counters() const { return counters_.Get(); }

 private:
  // Declared in the order of creation, so they are released in reverse.
  const ComPtr<IQAVECRAmounts> amounts_;
  const ComPtr<IQAVECRCounters> counters_;
};

}  // namespace corvatin
