// The two interfaces of the communication hub service, a separate program that
// shares one line to the register among several clients: IQAVTandrel, the
// service object, hands out channel links; IQAVCommLink, one channel link,
// reads, writes and resets. The hub device reaches the service through the
// running-object table by its program identifier.
//
// The device calls only the five operations named below, and it calls them by
// their place in the vtable (slot 7 is the first after IDispatch's). The other
// slots belong to the service; they are declared here only to keep the used
// operations at their places, and the device never calls them.
#pragma once

#include "platform/com/interfaces.h"

namespace zelvani {

// The program identifier under which the hub service runs.
inline constexpr const char16_t* kTandrelProgId = u"QAVTandrelSrv.QAVTandrel";

struct IQAVCommLink;

struct IQAVTandrel : IDispatch {
  static constexpr IID Iid = MakeGuid("{3B88BC4E-324D-4E14-BCE2-5445583E4E98}");
  // Slot 7: a link to channel CHANNEL of the line; MASTER tells whether this
  // client leads the exchange.
  virtual HRESULT OpenChannel(LONG channel, BSTR name, VARIANT_BOOL master, BSTR description,
                              IQAVCommLink** link) = 0;
  // Slot 8: gives the channel of LINK back.
  virtual HRESULT ReleaseChannel(IQAVCommLink* link) = 0;

 protected:
  ~IQAVTandrel() = default;
};

struct IQAVCommLink : IDispatch {
  static constexpr IID Iid = MakeGuid("{A6FB3545-C0AE-4B79-A4BB-BA028392EBCF}");
  // Slots 7 to 16: the service's own operations.
  virtual HRESULT Reserved7() = 0;
  virtual HRESULT Reserved8() = 0;
  virtual HRESULT Reserved9() = 0;
  virtual HRESULT Reserved10() = 0;
  virtual HRESULT Reserved11() = 0;
  virtual HRESULT Reserved12() = 0;
  virtual HRESULT Reserved13() = 0;
  virtual HRESULT Reserved14() = 0;
  virtual HRESULT Reserved15() = 0;
  virtual HRESULT Reserved16() = 0;
  // Slot 17: COUNT characters into DATA; OK true when they were available.
  virtual HRESULT LinkRead(BSTR* data, LONG count, VARIANT_BOOL* ok) = 0;
  // Slot 18: sends DATA; OK true when it went out.
  virtual HRESULT LinkWrite(BSTR data, VARIANT_BOOL* ok) = 0;
  // Slots 19 and 20: the service's own operations.
  virtual HRESULT Reserved19() = 0;
  virtual HRESULT Reserved20() = 0;
  // Slot 21: resets the channel.
  virtual HRESULT LinkReset() = 0;

 protected:
  ~IQAVCommLink() = default;
};

}  // namespace zelvani
