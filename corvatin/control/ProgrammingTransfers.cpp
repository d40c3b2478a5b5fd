// The engine's readers and writers of programming data: articles and
// departments, cashiers, linked codes, key shortcuts, tax rates, HALO limits,
// discounts, discount cards, configuration flags, date and time, identifiers,
// and the register's version and status.
//
// Each moves one record between a record object and the current packet,
// whose fields are addressed by a 1-based number. A reader fetches its own
// packet (ReadPacket) and stores field by field into the record; a writer
// makes a write packet for the current data type (CreateWritePacket), fills
// it from the record and sends it (WritePacket). The records are reached only
// through their interfaces, so any object that implements one can be passed.
//
// Where a field carries one property as it is, the layout is a table of rows
// (field number, property and its accessors) read by one small interpreter;
// the fields that need a rule of their own (attribute texts, delete flags,
// lists, the flag word's bytes) are handled beside it.
//
// A failing call on a record or a field value that does not convert fails the
// member with a description; the record keeps what was stored so far and a
// write packet is not sent. A value that its field on the register cannot take
// (ValueRefused) answers False with qzlvpeInvalidPacket instead, as the
// register's own refusals do, and nothing of the record is sent or stored.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <variant>

#include "corvatin/control/CalleeCalls.h"
#include "corvatin/control/QAVECRObj.h"
#include "corvatin/records/QAVECRPLU.h"
#include "corvatin/records/QAVECRStatus.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"
#include "platform/com/object.h"

namespace corvatin {

namespace {

// ---------------------------------------------------------------------------
// Fields of the current packet and the records they fill

// Field N of the current packet converted to TYPE; a value that does not
// convert fails with the field's number and what it was to carry.
Variant Field(TQAVECRObj& engine, LONG n, VARTYPE type, const char* carries) {
  Variant value = engine.FieldValue(n);
  Variant converted;
  const HRESULT hr = value.TryAs(type, converted, VARIANT_ALPHABOOL);
  if (FAILED(hr)) {
    std::string message = "Field " + std::to_string(n) + " of the received record (";
    message += carries;
    message += ") holds ";
    Variant text;
    if (value.IsNull()) {
      message += "Null";
    } else if (SUCCEEDED(value.TryAs(VT_BSTR, text, VARIANT_ALPHABOOL))) {
      message += '"';
      message += BstrToAnsi(text.bstrVal);
      message += '"';
    } else {
      message += "a value of another type";
    }
    message += ", which does not convert";
    throw ComError(hr, message);
  }
  return converted;
}

LONG FieldLong(TQAVECRObj& engine, LONG n, const char* carries) {
  return Field(engine, n, VT_I4, carries).lVal;
}
CY FieldMoney(TQAVECRObj& engine, LONG n, const char* carries) {
  return Field(engine, n, VT_CY, carries).cyVal;
}
std::u16string FieldText(TQAVECRObj& engine, LONG n, const char* carries) {
  return std::u16string(BstrView(Field(engine, n, VT_BSTR, carries).bstrVal));
}

// ---------------------------------------------------------------------------
// Layouts: rows of field number and property, read by one interpreter

// The get and put accessors of one property of type T on interface ITF.
template <class Itf, class T>
struct Accessors {
  HRESULT (Itf::*get)(T*);
  HRESULT (Itf::*put)(T);
};
template <class Itf>
using Accessor = std::variant<Accessors<Itf, LONG>, Accessors<Itf, BSTR>, Accessors<Itf, CY>>;

template <class Itf, class T>
constexpr Accessor<Itf> Property(HRESULT (Itf::*get)(T*), HRESULT (Itf::*put)(T)) {
  return Accessors<Itf, T>{get, put};
}

// One field of a layout that carries one property as it is.
template <class Itf>
struct FieldRow {
  LONG field;
  const char* name;  // the property's name on the interface
  Accessor<Itf> access;
};

// The name and both accessors of property NAME of interface ITF.
#define PROPERTY(Itf, Name) #Name, Property(&Itf::get_##Name, &Itf::put_##Name)

// The variant type a property of type T travels in.
template <class T>
constexpr VARTYPE kTypeOf = VT_EMPTY;
template <>
constexpr VARTYPE kTypeOf<LONG> = VT_I4;
template <>
constexpr VARTYPE kTypeOf<BSTR> = VT_BSTR;
template <>
constexpr VARTYPE kTypeOf<CY> = VT_CY;

// Stores each row's field (its number moved by OFFSET) into the record.
template <class Itf>
void ReadFields(TQAVECRObj& engine, Itf* record, std::span<const FieldRow<Itf>> rows, LONG offset = 0) {
  for (const FieldRow<Itf>& row : rows) {
    std::visit(
        [&]<class T>(const Accessors<Itf, T>& a) {
          Variant v = Field(engine, row.field + offset, kTypeOf<T>, row.name);
          const std::string what = std::string("Cannot set ") + row.name + " of the record";
          if constexpr (std::is_same_v<T, LONG>) Check((record->*a.put)(v.lVal), what);
          if constexpr (std::is_same_v<T, BSTR>) Check((record->*a.put)(v.bstrVal), what);
          if constexpr (std::is_same_v<T, CY>) Check((record->*a.put)(v.cyVal), what);
        },
        row.access);
  }
}

// Puts each row's property into its field (its number moved by OFFSET).
template <class Itf>
void WriteFields(TQAVECRObj& engine, Itf* record, std::span<const FieldRow<Itf>> rows, LONG offset = 0) {
  for (const FieldRow<Itf>& row : rows) {
    std::visit(
        [&]<class T>(const Accessors<Itf, T>& a) {
          const std::string what = std::string("Cannot read ") + row.name + " of the record";
          if constexpr (std::is_same_v<T, BSTR>) {
            Bstr text;
            Check((record->*a.get)(text.Out()), what);
            engine.SetFieldValue(row.field + offset, Variant::AttachBstr(text.Detach()));
          } else {
            T value{};
            Check((record->*a.get)(&value), what);
            if constexpr (std::is_same_v<T, LONG>) engine.SetFieldValue(row.field + offset, Variant::I4(value));
            if constexpr (std::is_same_v<T, CY>) engine.SetFieldValue(row.field + offset, Variant::Cy(value));
          }
        },
        row.access);
  }
}

const FieldRow<IQAVECRCashier> kCashierLayout[] = {
    {1, PROPERTY(IQAVECRCashier, Code)},
    {2, PROPERTY(IQAVECRCashier, Name)},
    {3, PROPERTY(IQAVECRCashier, Password)},
};

const FieldRow<IQAVECRLinkedCodeRec> kLinkedCodeLayout[] = {
    {1, PROPERTY(IQAVECRLinkedCodeRec, Code)},
    {2, PROPERTY(IQAVECRLinkedCodeRec, LinkedCode)},
};

const FieldRow<IQAVECRPLUShortcutRec> kShortcutLayout[] = {
    {1, PROPERTY(IQAVECRPLUShortcutRec, KeyIndex)},
    {2, PROPERTY(IQAVECRPLUShortcutRec, Code)},
};

const FieldRow<IQAVECRVersion> kVersionLayout[] = {
    {1, PROPERTY(IQAVECRVersion, ApplicationModule)},
    {2, PROPERTY(IQAVECRVersion, FiscalModule)},
    {3, PROPERTY(IQAVECRVersion, PrintingDevice)},
};

// The status record: field 1 (the state number) and field 8 (the state text)
// have rules of their own; fields 5-7 go into its inner version record.
constexpr LONG kStatusStateField = 1;
const FieldRow<IQAVECRStatus> kStatusLayout[] = {
    {2, PROPERTY(IQAVECRStatus, ReceiptBufferFreeMemory)},
    {3, PROPERTY(IQAVECRStatus, FirstReceiptInBuffer)},
    {4, PROPERTY(IQAVECRStatus, LastReceiptInBuffer)},
};
constexpr LONG kStatusVersionOffset = 4;  // the version's fields 1-3 stand in 5-7
constexpr LONG kStatusTextField = 8;
constexpr LONG kStateFiscal = 1;
constexpr LONG kStateReadOnly = 2;

// The discount card as the register reads it: the ten discounts in fields
// 1-10, then these; a written card has its delete flag in field 1 and every
// other field one further on.
constexpr LONG kCardDiscounts = 10;
const FieldRow<IQAVECRDiscountCard> kDiscountCardLayout[] = {
    {11, PROPERTY(IQAVECRDiscountCard, IdentifierPosition)},
    {12, PROPERTY(IQAVECRDiscountCard, IdentifierLength)},
    {13, PROPERTY(IQAVECRDiscountCard, IdentifierTemplate)},
    {14, PROPERTY(IQAVECRDiscountCard, DatePosition)},
    {15, PROPERTY(IQAVECRDiscountCard, DateLength)},
    {16, PROPERTY(IQAVECRDiscountCard, DiscountIdentifierPosition)},
};
constexpr LONG kCardWriteOffset = 1;

const FieldRow<IQAVECRFlags> kFlagsLayout[] = {
    {1, PROPERTY(IQAVECRFlags, ScalesCodeType)},
    {2, PROPERTY(IQAVECRFlags, ScalesType)},
    {3, PROPERTY(IQAVECRFlags, PLUStaling)},
};

// Departments, articles and article changes: the plain fields, the attribute
// text's field and layout, and whether field 1 is the delete flag.
const FieldRow<IQAVECRPLU> kDepartmentFields[] = {
    {2, PROPERTY(IQAVECRPLU, Code)},     {3, PROPERTY(IQAVECRPLU, Name)},
    {4, PROPERTY(IQAVECRPLU, Price)},    {5, PROPERTY(IQAVECRPLU, TaxRateName)},
    {7, PROPERTY(IQAVECRPLU, HALOIndex)},
};
const FieldRow<IQAVECRPLU> kArticleFields[] = {
    {2, PROPERTY(IQAVECRPLU, Code)},        {3, PROPERTY(IQAVECRPLU, Name)},
    {4, PROPERTY(IQAVECRPLU, Price)},       {5, PROPERTY(IQAVECRPLU, TaxRateName)},
    {6, PROPERTY(IQAVECRPLU, Precision)},   {8, PROPERTY(IQAVECRPLU, DepartmentIndex)},
    {9, PROPERTY(IQAVECRPLU, HALOIndex)},   {10, PROPERTY(IQAVECRPLU, LinkedCode)},
};
const FieldRow<IQAVECRPLU> kArticleChangeFields[] = {
    {1, PROPERTY(IQAVECRPLU, Code)},      {2, PROPERTY(IQAVECRPLU, Price)},
    {3, PROPERTY(IQAVECRPLU, Precision)}, {5, PROPERTY(IQAVECRPLU, DepartmentIndex)},
    {6, PROPERTY(IQAVECRPLU, HALOIndex)}, {7, PROPERTY(IQAVECRPLU, LinkedCode)},
};

#undef PROPERTY

struct PLULayout {
  LONG dataType;
  bool deleteFlag;  // field 1: 1, or 0 when the record is deleted
  LONG attributeField;
  AttributeLayout attributes;
  bool readable;
  std::span<const FieldRow<IQAVECRPLU>> fields;
};

constexpr LONG kDeleteFlagField = 1;

const PLULayout kPLULayouts[] = {
    {ecrdtDepartment, true, 6, AttributeLayout::Department, true, kDepartmentFields},
    {ecrdtPLU, true, 7, AttributeLayout::Article, true, kArticleFields},
    {ecrdtPLUChange, false, 4, AttributeLayout::Department, false, kArticleChangeFields},
};

const PLULayout* PLULayoutOf(LONG dataType) {
  for (const PLULayout& layout : kPLULayouts) {
    if (layout.dataType == dataType) return &layout;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Numbers on the wire

constexpr LONGLONG kCyScale = 10000;  // a currency value counts ten-thousandths

// N / D rounded to the nearest integer, halves to even (D > 0).
LONGLONG DivideRoundingToEven(LONGLONG n, LONGLONG d) {
  LONGLONG q = n / d;
  LONGLONG r = n % d;
  if (r < 0) {
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

constexpr LONGLONG kUnusedTaxRate = 98 * kCyScale + 99 * kCyScale / 100;  // 98.99: a rate not in use
constexpr LONG kUnusedTaxRateField = -1;
constexpr std::size_t kTaxRateTextLength = 4;
constexpr LONG kTaxRates = 6;
constexpr LONG kTaxRatesEx = 7;

// The text of rate I (0-based) of the list: the rate in hundredths of a
// percent, at least four digits; "FFFF" for a rate not in use (98.99), "0000"
// for a rate past the end of the list. A negative rate has no such text: it
// is refused rather than going out as a corrupt field.
std::string TaxRateField(IQAVECRTaxRates* taxRates, LONG i) {
  LONG count = 0;
  Check(taxRates->get_Count(&count), "Cannot read the number of tax rates");
  std::string text = "0";
  if (i < count) {
    CY v{};
    Check(taxRates->get_Values(i, &v), "Cannot read tax rate " + std::to_string(i));
    if (v.int64 == kUnusedTaxRate) return "FFFF";
    if (v.int64 < 0)
      throw ValueRefused("Tax rate " + std::to_string(i) + " is negative; the register takes rates from 0");
    text = std::to_string(DivideRoundingToEven(v.int64, kCyScale / 100));
  }
  if (text.size() < kTaxRateTextLength) text.insert(0, kTaxRateTextLength - text.size(), '0');
  return text;
}

// Discount I (0-based) of the card in tenths of a percent, or 0 past the end
// of its list. A discount whose tenths do not fit the field's integer is
// refused.
LONG CardDiscountField(IQAVECRDiscountCard* card, LONG i) {
  LONG count = 0;
  Check(card->get_DiscountsCount(&count), "Cannot read the number of the card's discounts");
  if (i >= count) return 0;
  CY v{};
  Check(card->get_Discounts(i, &v), "Cannot read discount " + std::to_string(i) + " of the card");
  const LONGLONG tenths = DivideRoundingToEven(v.int64, kCyScale / 10);
  if (tenths < INT32_MIN || tenths > INT32_MAX)
    throw ValueRefused("Discount " + std::to_string(i) + " of the card is out of the register's range");
  return static_cast<LONG>(tenths);
}

// The value of the first discount of TYPE in the list, or 0 without one.
CY DiscountOfType(IQAVECRDiscounts* discounts, LONG type) {
  ComPtr<IQAVECRDiscount> found;
  Check(discounts->FindFirst(type, found.Out()), "Cannot search the discounts");
  CY value{};
  if (found) Check(found->get_Value(&value), "Cannot read a discount's value");
  return value;
}

// The flag word's bytes: with the short data type three from field 5, with
// the extended one five from field 6.
struct FlagBytes {
  LONG firstField;
  int count;
};
FlagBytes FlagBytesOf(LONG dataType) { return dataType == ecrdtFlagsEx ? FlagBytes{6, 5} : FlagBytes{5, 3}; }

constexpr LONG kSpeedField = 4;
struct SpeedCode {
  LONG speed;
  LONG code;
};
constexpr SpeedCode kSpeedCodes[] = {{2400, 0}, {4800, 1}, {9600, 2}, {19200, 3}};

constexpr LONG kHALOFields = 15;
constexpr LONG kDiscountFields = 8;  // one per discount type 0-7

// Fields that carry a number written as text by the writer itself (the tax
// rates' texts), FIRST to LAST; empty by default.
struct NumberTexts {
  LONG first = 1;
  LONG last = 0;
  bool Holds(LONG n) const { return n >= first && n <= last; }
};

// Whether the packet's field N holds a number: a value of a numeric type, or
// a text that the writer made from a number. The integer -1 is no number
// here: records hold it for an index or a code that is not set, and it goes
// out as its field packs it, as it always has.
bool HoldsNumber(const VARIANT& value, LONG n, NumberTexts texts) {
  switch (value.vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: {
      Variant wide;
      return FAILED(VariantChangeType(&wide, &value, 0, VT_I8)) || wide.llVal != -1;
    }
    case VT_CY: case VT_R4: case VT_R8:
      return true;
    case VT_BSTR:
      return texts.Holds(n);
    default:
      return false;
  }
}

constexpr LONG kDateField = 1;
constexpr LONG kTimeField = 2;

// The sum of the date field and the time field, as two variants add: two
// texts are joined, anything else is added as numbers.
DATE DateTimeOf(TQAVECRObj& engine) {
  const Variant date = engine.FieldValue(kDateField);
  const Variant time = engine.FieldValue(kTimeField);
  Variant sum;
  if (date.vt == VT_BSTR && time.vt == VT_BSTR) {
    sum = Variant::Str(std::u16string(BstrView(date.bstrVal)) + std::u16string(BstrView(time.bstrVal)));
  } else if (date.IsNull() || time.IsNull()) {
    sum = Variant::Null();
  } else {
    sum = Variant::R8(Field(engine, kDateField, VT_R8, "the date").dblVal +
                      Field(engine, kTimeField, VT_R8, "the time of day").dblVal);
  }
  Variant result;
  const HRESULT hr = sum.TryAs(VT_DATE, result);
  if (FAILED(hr)) throw ComError(hr, "The date and time fields of the received record do not make a date");
  return result.date;
}

}  // namespace

bool TQAVECRObj::SendWritePacket(LONG firstNumberText, LONG lastNumberText) {
  const NumberTexts numberTexts{firstNumberText, lastNumberText};
  IQAVZLVPacket* packet = Packet();
  ComPtr<IQAVZLVPacketDef> definition;
  Check(packet->get_PacketDef(definition.Out()), "Cannot read the packet's definition");
  ComPtr<IQAVZLVFieldDefs> fields;
  if (definition) Check(definition->get_FieldDefs(fields.Out()), "Cannot read the packet's fields");
  LONG count = 0;
  Check(packet->get_FieldsCount(&count), "Cannot count the packet's fields");
  for (LONG n = 1; fields && n <= count; ++n) {
    const Variant stored = FieldValue(n);
    Variant value;
    Check(VariantCopyInd(&value, &stored), "Cannot read a field's value");
    if (!HoldsNumber(value, n, numberTexts)) continue;
    ComPtr<IQAVZLVFieldDef> field;
    Check(fields->get_Items(n - 1, field.Out()), "Cannot read a field's definition");
    if (!field) continue;
    LONG size = 0;
    Check(field->get_Size(&size), "Cannot read a field's size");
    Bstr buffer(std::u16string(static_cast<std::size_t>(std::max<LONG>(size, 1)), u' '));
    BSTR raw = buffer.Detach();
    VARIANT_BOOL fits = VARIANT_FALSE;
    const HRESULT hr = field->PasteValue(&raw, value, 1, &fits);
    buffer = Bstr::Attach(raw);
    Check(hr, "Cannot write a number into its field");
    if (!fits) {
      Variant text;
      const std::string shown = SUCCEEDED(value.TryAs(VT_BSTR, text)) ? BstrToAnsi(text.bstrVal) : "?";
      throw ValueRefused("The number " + shown + " of field " + std::to_string(n) +
                         " does not fit the register's field of " + std::to_string(size) + " characters");
    }
  }
  return WritePacket();
}

// ---------------------------------------------------------------------------
// Configuration flags

HRESULT TQAVECRObj::ReadFlags(VARIANT_BOOL* result) {
  return RecordMember(result, this, [&] {
    if (!ReadPacket()) return false;
    if (DataType() != ecrdtFlags && DataType() != ecrdtFlagsEx) {
      SetEngineError(ecrecUnknownDataType);
      return false;
    }
    ReadFields<IQAVECRFlags>(*this, Flags(), kFlagsLayout);
    const FlagBytes bytes = FlagBytesOf(DataType());
    std::uint64_t word = 0;
    for (int k = 0; k < bytes.count; ++k) {
      const LONG field = bytes.firstField + k;
      const LONG byte = FieldLong(*this, field, "a byte of the flag word");
      // A value outside a byte would land in the bits of its neighbours: the
      // record is refused and the word is not stored.
      if (byte < 0 || byte > 0xFF)
        throw ValueRefused("Field " + std::to_string(field) + " of the received record holds " + std::to_string(byte) +
                           ", not a byte of the flag word (0-255)");
      word |= static_cast<std::uint64_t>(byte) << (8 * k);
    }
    SetFlagsWord(word);
    return true;
  });
}

HRESULT TQAVECRObj::WriteFlags(VARIANT_BOOL* result) {
  return RecordMember(result, this, [&] {
    if (CreateWritePacket()) return false;
    if (DataType() != ecrdtFlags && DataType() != ecrdtFlagsEx) {
      SetEngineError(ecrecUnknownDataType);
      return false;
    }
    const std::uint64_t word = GetFlagsWord();
    WriteFields<IQAVECRFlags>(*this, Flags(), kFlagsLayout);
    LONG speed = 0;
    Check(CommOptions()->get_Speed(&speed), "Cannot read the speed");
    for (const SpeedCode& s : kSpeedCodes) {
      if (s.speed == speed) SetFieldValue(kSpeedField, Variant::I4(s.code));
    }
    const FlagBytes bytes = FlagBytesOf(DataType());
    for (int k = 0; k < bytes.count; ++k)
      SetFieldValue(bytes.firstField + k, Variant::I4(static_cast<LONG>((word >> (8 * k)) & 0xFF)));
    return SendWritePacket();
  });
}

// ---------------------------------------------------------------------------
// Identifier, date and time

HRESULT TQAVECRObj::WriteIdentifier(VARIANT identifier, VARIANT_BOOL* result) {
  return RecordMember(result, this, [&] {
    if (CreateWritePacket()) return false;
    SetFieldValue(1, identifier);
    return SendWritePacket();
  });
}

HRESULT TQAVECRObj::ReadDateTime(DATE* dateTime, VARIANT_BOOL* result) {
  return RecordMember(result, dateTime, [&] {
    if (!ReadPacket()) return false;
    *dateTime = DateTimeOf(*this);
    return true;
  });
}

HRESULT TQAVECRObj::WriteDateTime(DATE dateTime, VARIANT_BOOL* result) {
  return RecordMember(result, this, [&] {
    if (CreateWritePacket()) return false;
    SetFieldValue(kDateField, Variant::Date(dateTime));
    SetFieldValue(kTimeField, Variant::Date(dateTime));
    return SendWritePacket();
  });
}

// ---------------------------------------------------------------------------
// Cashiers, linked codes, key shortcuts

HRESULT TQAVECRObj::ReadCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) {
  return RecordMember(result, cashier, [&] {
    if (!ReadPacket()) return false;
    ReadFields<IQAVECRCashier>(*this, cashier, kCashierLayout);
    return true;
  });
}

HRESULT TQAVECRObj::WriteCashier(IQAVECRCashier* cashier, VARIANT_BOOL* result) {
  return RecordMember(result, cashier, [&] {
    if (CreateWritePacket()) return false;
    WriteFields<IQAVECRCashier>(*this, cashier, kCashierLayout);
    return SendWritePacket();
  });
}

HRESULT TQAVECRObj::ReadLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) {
  return RecordMember(result, linkedCodeRec, [&] {
    if (!ReadPacket()) return false;
    ReadFields<IQAVECRLinkedCodeRec>(*this, linkedCodeRec, kLinkedCodeLayout);
    return true;
  });
}

HRESULT TQAVECRObj::WriteLinkedCodeRec(IQAVECRLinkedCodeRec* linkedCodeRec, VARIANT_BOOL* result) {
  return RecordMember(result, linkedCodeRec, [&] {
    if (CreateWritePacket()) return false;
    WriteFields<IQAVECRLinkedCodeRec>(*this, linkedCodeRec, kLinkedCodeLayout);
    return SendWritePacket();
  });
}

HRESULT TQAVECRObj::ReadPLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) {
  return RecordMember(result, pluShortcut, [&] {
    if (!ReadPacket()) return false;
    ReadFields<IQAVECRPLUShortcutRec>(*this, pluShortcut, kShortcutLayout);
    return true;
  });
}

HRESULT TQAVECRObj::WritePLUShortcutRec(IQAVECRPLUShortcutRec* pluShortcut, VARIANT_BOOL* result) {
  return RecordMember(result, pluShortcut, [&] {
    if (CreateWritePacket()) return false;
    WriteFields<IQAVECRPLUShortcutRec>(*this, pluShortcut, kShortcutLayout);
    return SendWritePacket();
  });
}

// ---------------------------------------------------------------------------
// Articles and departments

HRESULT TQAVECRObj::ReadPLU(IQAVECRPLU* plu, VARIANT_BOOL* result) {
  return RecordMember(result, plu, [&] {
    if (!ReadPacket()) return false;
    const PLULayout* layout = PLULayoutOf(DataType());
    if (!layout || !layout->readable) {
      SetEngineError(ecrecUnknownDataType);
      return false;
    }
    // The fields before the attribute text, the text, then the rest.
    const auto split = std::find_if(layout->fields.begin(), layout->fields.end(),
                                    [&](const FieldRow<IQAVECRPLU>& row) { return row.field > layout->attributeField; });
    ReadFields<IQAVECRPLU>(*this, plu, {layout->fields.begin(), split});
    const PLUAttributeValues values =
        ParsePLUAttributeText(layout->attributes, FieldText(*this, layout->attributeField, "the attribute text"));
    Check(plu->put_PLUAttributes(values.attributes), "Cannot set PLUAttributes of the record");
    if (layout->attributes == AttributeLayout::Article)
      Check(plu->put_PLUType(values.pluType), "Cannot set PLUType of the record");
    ReadFields<IQAVECRPLU>(*this, plu, {split, layout->fields.end()});
    // A department is always a department, whatever the record held.
    if (layout->attributes == AttributeLayout::Department)
      Check(plu->put_PLUType(ecrptDepartment), "Cannot set PLUType of the record");
    return true;
  });
}

HRESULT TQAVECRObj::WritePLU(IQAVECRPLU* plu, LONG writeMode, VARIANT_BOOL* result) {
  return RecordMember(result, plu, [&] {
    if (CreateWritePacket()) return false;
    const PLULayout* layout = PLULayoutOf(DataType());
    if (!layout) {
      SetEngineError(ecrecUnknownDataType);
      return false;
    }
    if (layout->deleteFlag) SetFieldValue(kDeleteFlagField, Variant::I4(writeMode == ecrwmDelete ? 0 : 1));
    WriteFields<IQAVECRPLU>(*this, plu, layout->fields);
    LONG attributes = 0;
    LONG pluType = 0;
    Check(plu->get_PLUAttributes(&attributes), "Cannot read PLUAttributes of the record");
    Check(plu->get_PLUType(&pluType), "Cannot read PLUType of the record");
    SetFieldValue(layout->attributeField,
                  Variant::Str(PLUAttributeText(layout->attributes, attributes, pluType)));
    return SendWritePacket();
  });
}

// ---------------------------------------------------------------------------
// Tax rates, HALO limits, discounts, discount cards

HRESULT TQAVECRObj::ReadTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) {
  return RecordMember(result, taxRates, [&] {
    if (!ReadPacket()) return false;
    VARIANT_BOOL done = VARIANT_FALSE;
    Check(taxRates->Clear(&done), "Cannot clear the tax rates");
    const LONG n = DataType() == ecrdtTaxRatesEx ? kTaxRatesEx : kTaxRates;
    for (LONG i = 1; i <= n; ++i) {
      // A rate not in use arrives as -1.
      CY rate = FieldMoney(*this, i, "a tax rate");
      if (rate.int64 == kUnusedTaxRateField * kCyScale) rate.int64 = kUnusedTaxRate;
      const Bstr name(std::u16string(1, static_cast<char16_t>(u'A' + i - 1)));
      Check(taxRates->Add(rate, name.Get(), &done), "Cannot add a tax rate");
    }
    return true;
  });
}

HRESULT TQAVECRObj::WriteTaxRates(IQAVECRTaxRates* taxRates, VARIANT_BOOL* result) {
  return RecordMember(result, taxRates, [&] {
    if (CreateWritePacket()) return false;
    const LONG n = DataType() == ecrdtTaxRatesEx ? kTaxRatesEx : kTaxRates;
    for (LONG i = 1; i <= n; ++i) SetFieldValue(i, Variant::Ansi(TaxRateField(taxRates, i - 1)));
    return SendWritePacket(1, n);
  });
}

HRESULT TQAVECRObj::ReadHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) {
  return RecordMember(result, halo, [&] {
    if (!ReadPacket()) return false;
    VARIANT_BOOL done = VARIANT_FALSE;
    Check(halo->Clear(&done), "Cannot clear the HALO limits");
    // A zero field is an empty slot: skipped, not the end of the list.
    for (LONG i = 1; i <= kHALOFields; ++i) {
      const CY limit = FieldMoney(*this, i, "a HALO limit");
      if (limit.int64 != 0) Check(halo->Add(limit, &done), "Cannot add a HALO limit");
    }
    return true;
  });
}

HRESULT TQAVECRObj::WriteHALO(IQAVECRHALO* halo, VARIANT_BOOL* result) {
  return RecordMember(result, halo, [&] {
    if (CreateWritePacket()) return false;
    LONG count = 0;
    Check(halo->get_Count(&count), "Cannot read the number of HALO limits");
    // Limits past the packet's last field have no field and are dropped.
    for (LONG i = 1; i <= count; ++i) {
      CY limit{};
      Check(halo->get_Values(i - 1, &limit), "Cannot read a HALO limit");
      SetFieldValue(i, Variant::Cy(limit));
    }
    return SendWritePacket();
  });
}

HRESULT TQAVECRObj::ReadDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) {
  return RecordMember(result, discounts, [&] {
    if (!ReadPacket()) return false;
    VARIANT_BOOL done = VARIANT_FALSE;
    Check(discounts->Clear(&done), "Cannot clear the discounts");
    for (LONG n = 1; n <= kDiscountFields; ++n) {
      const CY value = FieldMoney(*this, n, "a discount");
      Check(discounts->Add(n - 1, value, nullptr, &done), "Cannot add a discount");
    }
    return true;
  });
}

HRESULT TQAVECRObj::WriteDiscounts(IQAVECRDiscounts* discounts, VARIANT_BOOL* result) {
  return RecordMember(result, discounts, [&] {
    if (CreateWritePacket()) return false;
    for (LONG n = 1; n <= kDiscountFields; ++n) SetFieldValue(n, Variant::Cy(DiscountOfType(discounts, n - 1)));
    return SendWritePacket();
  });
}

HRESULT TQAVECRObj::ReadDiscountCard(IQAVECRDiscountCard* discountCard, VARIANT_BOOL* result) {
  return RecordMember(result, discountCard, [&] {
    if (!ReadPacket()) return false;
    VARIANT_BOOL done = VARIANT_FALSE;
    Check(discountCard->ClearDiscounts(&done), "Cannot clear the card's discounts");
    // The register counts in tenths: 125 is 12.5.
    for (LONG i = 1; i <= kCardDiscounts; ++i) {
      const CY tenths = FieldMoney(*this, i, "a discount of the card");
      Check(discountCard->AddDiscount(CY{DivideRoundingToEven(tenths.int64, 10)}, &done), "Cannot add a discount to the card");
    }
    ReadFields<IQAVECRDiscountCard>(*this, discountCard, kDiscountCardLayout);
    return true;
  });
}

HRESULT TQAVECRObj::WriteDiscountCard(IQAVECRDiscountCard* discountCard, LONG writeMode, VARIANT_BOOL* result) {
  return RecordMember(result, discountCard, [&] {
    if (CreateWritePacket()) return false;
    SetFieldValue(kDeleteFlagField, Variant::I4(writeMode == ecrwmDelete ? 1 : 0));
    for (LONG i = 0; i < kCardDiscounts; ++i)
      SetFieldValue(kCardWriteOffset + 1 + i, Variant::I4(CardDiscountField(discountCard, i)));
    WriteFields<IQAVECRDiscountCard>(*this, discountCard, kDiscountCardLayout, kCardWriteOffset);
    return SendWritePacket();
  });
}

// ---------------------------------------------------------------------------
// Version and status

HRESULT TQAVECRObj::ReadVersion(IQAVECRVersion* version, VARIANT_BOOL* result) {
  return RecordMember(result, version, [&] {
    if (!ReadPacket()) return false;
    ReadFields<IQAVECRVersion>(*this, version, kVersionLayout);
    return true;
  });
}

HRESULT TQAVECRObj::ReadStatus(IQAVECRStatus* status, VARIANT_BOOL* result) {
  return RecordMember(result, status, [&] {
    if (!ReadPacket()) return false;
    const LONG state = FieldLong(*this, kStatusStateField, "the state number");
    Check(status->put_Fiscal(state == kStateFiscal ? VARIANT_TRUE : VARIANT_FALSE), "Cannot set Fiscal");
    Check(status->put_ReadOnly(state == kStateReadOnly ? VARIANT_TRUE : VARIANT_FALSE), "Cannot set ReadOnly");
    ReadFields<IQAVECRStatus>(*this, status, kStatusLayout);
    ComPtr<IQAVECRVersion> version;
    Check(status->get_Version(version.Out()), "Cannot read the status record's version");
    if (!version) throw ComError(E_POINTER, "The status record has no version record");
    ReadFields<IQAVECRVersion>(*this, version.Get(), kVersionLayout, kStatusVersionOffset);
    const StatusStateFlags flags = ParseStatusStateText(FieldText(*this, kStatusTextField, "the state text"));
    auto b = [](bool v) { return v ? VARIANT_TRUE : VARIANT_FALSE; };
    Check(status->put_ClientDisplay(b(flags.ClientDisplay)), "Cannot set ClientDisplay");
    Check(status->put_PaperOut(b(flags.PaperOut)), "Cannot set PaperOut");
    Check(status->put_PrintingDeviceError(b(flags.PrintingDeviceError)), "Cannot set PrintingDeviceError");
    return true;
  });
}

}  // namespace corvatin
