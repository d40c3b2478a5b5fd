// The 64-bit flag word: its bit map onto the five flag groups, the words built
// from a flags object and the flags stored from a word.
#include <gtest/gtest.h>

#include <set>

#include "corvatin/control/CorvatinServer.h"
#include "corvatin/control/FlagWord.h"

namespace corvatin {
namespace {

using G = FlagGroup;

struct Groups {
  LONG keyboard = 0, print = 0, scales = 0, misc = 0, sale = 0;
};

ComPtr<IQAVECRFlags> NewFlags(const Groups& g) {
  ComPtr<IQAVECRFlags> f = Create<IQAVECRFlags>(CLSID_QAVECRFlags);
  EXPECT_EQ(f->put_Keyboard(g.keyboard), S_OK);
  EXPECT_EQ(f->put_Print(g.print), S_OK);
  EXPECT_EQ(f->put_Scales(g.scales), S_OK);
  EXPECT_EQ(f->put_Misc(g.misc), S_OK);
  EXPECT_EQ(f->put_Sale(g.sale), S_OK);
  return f;
}

LONG Read(IQAVECRFlags* f, HRESULT (IQAVECRFlags::*getter)(LONG*)) {
  LONG v = -1;
  EXPECT_EQ((f->*getter)(&v), S_OK);
  return v;
}

std::uint64_t Bit(int n) { return std::uint64_t{1} << n; }

TEST(FlagWordTest, BitMap) {
  struct Row {
    int bit;
    G group;
    LONG flag;
  } rows[] = {
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
      {19, G::Scales, ecrsfScales2Connected},
      {20, G::Misc, ecrftOnline},
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
  };
  auto map = FlagWordMap();
  ASSERT_EQ(map.size(), std::size(rows));
  for (std::size_t i = 0; i < map.size(); ++i) {
    EXPECT_EQ(map[i].bit, rows[i].bit) << i;
    EXPECT_EQ(map[i].group, rows[i].group) << rows[i].bit;
    EXPECT_EQ(map[i].flag, rows[i].flag) << rows[i].bit;
  }

  // Each flag alone builds a word of its bit alone, and that word stores the
  // flag alone.
  for (const Row& row : rows) {
    Groups g;
    LONG* slot = row.group == G::Keyboard ? &g.keyboard
                 : row.group == G::Print  ? &g.print
                 : row.group == G::Scales ? &g.scales
                 : row.group == G::Misc   ? &g.misc
                                          : &g.sale;
    *slot = row.flag;
    ComPtr<IQAVECRFlags> f = NewFlags(g);
    EXPECT_EQ(GetFlagsWord(f.Get()), Bit(row.bit)) << row.bit;

    ComPtr<IQAVECRFlags> back = NewFlags({});
    SetFlagsWord(back.Get(), Bit(row.bit));
    EXPECT_EQ(Read(back.Get(), &IQAVECRFlags::get_Keyboard), g.keyboard) << row.bit;
    EXPECT_EQ(Read(back.Get(), &IQAVECRFlags::get_Print), g.print) << row.bit;
    EXPECT_EQ(Read(back.Get(), &IQAVECRFlags::get_Scales), g.scales) << row.bit;
    EXPECT_EQ(Read(back.Get(), &IQAVECRFlags::get_Misc), g.misc) << row.bit;
    EXPECT_EQ(Read(back.Get(), &IQAVECRFlags::get_Sale), g.sale) << row.bit;
  }
}

TEST(FlagWordTest, FlagsOutsideTheWordAndEmptyFlags) {
  EXPECT_EQ(GetFlagsWord(NewFlags({}).Get()), 0u);
  // Economy print, the power flag and the plain numbers do not travel in the word.
  ComPtr<IQAVECRFlags> f = NewFlags({.print = ecrpfEconomyPrint});
  ASSERT_EQ(f->put_Power(ecrpfBatteryIllumination), S_OK);
  ASSERT_EQ(f->put_ScalesType(3), S_OK);
  EXPECT_EQ(GetFlagsWord(f.Get()), 0u);
}

TEST(FlagWordTest, StoringAWordReplacesTheFiveGroups) {
  ComPtr<IQAVECRFlags> f = NewFlags({.keyboard = 15, .print = ecrpfEconomyPrint | ecrpfPrintTOTAL, .scales = 3,
                                     .misc = 511, .sale = ecrsfDepartment42WithoutDiscount});
  ASSERT_EQ(f->put_Power(ecrpfBatteryIllumination), S_OK);
  ASSERT_EQ(f->put_ScalesCodeType(2), S_OK);
  ASSERT_EQ(f->put_ScalesType(5), S_OK);
  ASSERT_EQ(f->put_PLUStaling(7), S_OK);
  SetFlagsWord(f.Get(), Bit(30));
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Sale), ecrsfPriceInPennies);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Print), 0) << "economy print is cleared";
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Keyboard), 0);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Scales), 0);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Misc), 0);
  // The groups outside the word keep their values.
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Power), ecrpfBatteryIllumination);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_ScalesCodeType), 2);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_ScalesType), 5);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_PLUStaling), 7);
}

TEST(FlagWordTest, EveryFlagRoundTripsAndBitsWithoutAFlagAreDropped) {
  std::uint64_t all = 0;
  for (const FlagBit& b : FlagWordMap()) all |= Bit(b.bit);
  ComPtr<IQAVECRFlags> f = NewFlags({});
  SetFlagsWord(f.Get(), ~std::uint64_t{0});
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Keyboard), 15);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Print), 4095);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Scales), 3);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Misc), 511);
  EXPECT_EQ(Read(f.Get(), &IQAVECRFlags::get_Sale), 7);
  EXPECT_EQ(GetFlagsWord(f.Get()), all);
  for (int bit : {18, 21, 22, 23, 34, 40, 63}) EXPECT_EQ(all & Bit(bit), 0u) << bit;
}

TEST(FlagWordTest, SetAndTestBits) {
  std::uint64_t word = 0;
  SetFlagBit(word, 33);
  EXPECT_EQ(word, Bit(33));
  EXPECT_TRUE(TestFlagBit(33, word));
  EXPECT_FALSE(TestFlagBit(1, word));
  SetFlagBit(word, 63);
  EXPECT_TRUE(TestFlagBit(63, word));
  // A bit outside the word changes nothing and is never set.
  const std::uint64_t before = word;
  for (int bit : {-1, 64, 100}) {
    SetFlagBit(word, bit);
    EXPECT_EQ(word, before) << bit;
    EXPECT_FALSE(TestFlagBit(bit, ~std::uint64_t{0})) << bit;
  }
}

TEST(FlagWordTest, MissingFlagsObjectFails) {
  EXPECT_THROW(GetFlagsWord(nullptr), ComError);
  EXPECT_THROW(SetFlagsWord(nullptr, 1), ComError);
}

}  // namespace
}  // namespace corvatin
