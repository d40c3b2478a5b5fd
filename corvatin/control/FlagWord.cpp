// The 64-bit flag word in which the register keeps its configuration flags, and
// its map onto the flag groups of an IQAVECRFlags object: the definitions of
// what FlagWord.h declares.
#include "corvatin/control/FlagWord.h"

#include <string>

#include "corvatin/control/CalleeCalls.h"
#include "platform/com/ansi.h"
#include "platform/com/error.h"

namespace corvatin {

namespace {

using G = FlagGroup;

constexpr FlagBit kFlagBits[] = {
    {0, G::Keyboard, ecrkfCodeKeysOnly},
    {1, G::Keyboard, ecrkfDepartmentKeysOnly},
    {2, G::Keyboard, ecrkfNeedsKeyTOTAL},
    {3, G::Print, ecrpfPrintTOTAL},
    {4, G::Misc, ecrftCheckDrawer},
    {5, G::Print, ecrpfReportNeedsPassword},
    {6, G::Print, ecrpfPrintDepartmentShare},
    {7, G::Print, ecrpfPrintPLUShare},
    {8, G::Print, ecrpfPrintPLUCode},
    {9, G::Print, ecrpfPrintPLUDepartment},
    {10, G::Print, ecrpfPrintPLUAveragePrice},
    {11, G::Print, ecrpfPrintCashierIndex},
    {12, G::Print, ecrpfPrintUnusedCode},
    {13, G::Print, ecrpfPrintUnusedDepartment},
    {14, G::Scales, ecrsfScalesConnected},
    {15, G::Print, ecrpfPrintInaccessibleDirectly},
    {16, G::Print, ecrpfPLUSaleReportPermitted},
    {17, G::Misc, ecrftTestEANCodes},
    // bit 18 carries nothing
    {19, G::Scales, ecrsfScales2Connected},
    {20, G::Misc, ecrftOnline},
    // bits 21-23 carry nothing
    {24, G::Keyboard, ecrkfPLUChangesLocked},
    {25, G::Misc, ecrftEFTService},
    {26, G::Misc, ecrftPCBeforeDailyReport},
    {27, G::Misc, ecrftNoPLUTurnoverControl},
    {28, G::Misc, ecrftOnlineBufferOverwrite},
    {29, G::Misc, ecrftNoTurnoverOverflowControl},
    {30, G::Sale, ecrsfPriceInPennies},
    {31, G::Sale, ecrsfDepartment41WithoutDiscount},
    {32, G::Sale, ecrsfDepartment42WithoutDiscount},
    {33, G::Misc, ecrftNoDiscountsFromCard},
    // bits 34-63 carry nothing
};

struct GroupAccess {
  HRESULT (IQAVECRFlags::*get)(LONG*);
  HRESULT (IQAVECRFlags::*put)(LONG);
  const char* name;
};

GroupAccess Access(FlagGroup g) {
  switch (g) {
    case G::Keyboard:
      return {&IQAVECRFlags::get_Keyboard, &IQAVECRFlags::put_Keyboard, "Keyboard"};
    case G::Print:
      return {&IQAVECRFlags::get_Print, &IQAVECRFlags::put_Print, "Print"};
    case G::Scales:
      return {&IQAVECRFlags::get_Scales, &IQAVECRFlags::put_Scales, "Scales"};
    case G::Misc:
      return {&IQAVECRFlags::get_Misc, &IQAVECRFlags::put_Misc, "Misc"};
    case G::Sale:
      break;
  }
  return {&IQAVECRFlags::get_Sale, &IQAVECRFlags::put_Sale, "Sale"};
}

// A failing call on the flags object fails the caller with its description.
void CheckFlags(HRESULT hr, const char* group) {
  if (FAILED(hr)) Check(hr, std::string("Cannot access the flags' ") + group);
}

LONG ReadGroup(IQAVECRFlags* flags, FlagGroup g) {
  GroupAccess a = Access(g);
  LONG v = 0;
  CheckFlags((flags->*a.get)(&v), a.name);
  return v;
}

void WriteGroup(IQAVECRFlags* flags, FlagGroup g, LONG v) {
  GroupAccess a = Access(g);
  CheckFlags((flags->*a.put)(v), a.name);
}

}  // namespace

std::span<const FlagBit> FlagWordMap() { return kFlagBits; }

void SetFlagBit(std::uint64_t& word, int bit) {
  if (bit >= 0 && bit < 64) word |= std::uint64_t{1} << bit;
}

bool TestFlagBit(int bit, std::uint64_t word) { return bit >= 0 && bit < 64 && ((word >> bit) & 1) != 0; }

std::uint64_t GetFlagsWord(IQAVECRFlags* flags) {
  if (!flags) throw ComError(E_POINTER, "No flags object");
  std::uint64_t word = 0;
  for (const FlagBit& row : kFlagBits)
    if ((ReadGroup(flags, row.group) & row.flag) != 0) SetFlagBit(word, row.bit);
  return word;
}

void SetFlagsWord(IQAVECRFlags* flags, std::uint64_t word) {
  if (!flags) throw ComError(E_POINTER, "No flags object");
  for (FlagGroup g : {G::Keyboard, G::Print, G::Scales, G::Misc, G::Sale}) WriteGroup(flags, g, 0);
  for (const FlagBit& row : kFlagBits)
    if (TestFlagBit(row.bit, word)) WriteGroup(flags, row.group, ReadGroup(flags, row.group) | row.flag);
}

}  // namespace corvatin
