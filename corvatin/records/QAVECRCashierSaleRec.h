// A record of the cashiers' sales report: the cashier (of whom the reader
// stores the code) with the money by kind and the counters of that cashier's
// sales. The record owns the cashier and both lists.
#pragma once

#include "corvatin/control/CorvatinServer.h"

namespace corvatin {

class TQAVECRCashierSaleRec final : public CorvatinObject<IQAVECRCashierSaleRec> {
 public:
  // Creates the amounts list, the cashier and the counters list, in this
  // order, by class identifier; when any fails, the record is not made.
  TQAVECRCashierSaleRec();

  HRESULT get_Cashier(IQAVECRCashier** r) override;
  HRESULT get_Amounts(IQAVECRAmounts** r) override;
  HRESULT get_Counters(IQAVECRCounters** r) override;

  IQAVECRCashier* Cashier() const { return cashier_.Get(); }
  IQAVECRAmounts* Amounts() const { return amounts_.Get(); }
  IQAVECRCounters* Counters() const { return counters_.Get(); }

 private:
  // Declared in the order of creation, so they are released in reverse.
  const ComPtr<IQAVECRAmounts> amounts_;
  const ComPtr<IQAVECRCashier> cashier_;
  const ComPtr<IQAVECRCounters> counters_;
};

}  // namespace corvatin
