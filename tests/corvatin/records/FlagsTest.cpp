// The Flags object: nine values starting at 0, each stored as given and
// reachable from C++ by the same property names the flag word uses.
#include <gtest/gtest.h>

#include "corvatin/records/QAVECRFlags.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;
using F = IQAVECRFlags;

struct FlagRow {
  const char* name;
  std::size_t property;
  HRESULT (F::*get)(LONG*);
  HRESULT (F::*put)(LONG);
  LONG sample;  // a value to store: the set's highest flag, or any number
};

const FlagRow kFlagRows[] = {
    {"Sale", FlagsProperty::Sale, &F::get_Sale, &F::put_Sale, ecrsfDepartment42WithoutDiscount},
    {"Print", FlagsProperty::Print, &F::get_Print, &F::put_Print, ecrpfEconomyPrint},
    {"Keyboard", FlagsProperty::Keyboard, &F::get_Keyboard, &F::put_Keyboard, ecrkfPLUChangesLocked},
    {"Scales", FlagsProperty::Scales, &F::get_Scales, &F::put_Scales, ecrsfScales2Connected},
    {"Power", FlagsProperty::Power, &F::get_Power, &F::put_Power, ecrpfBatteryIllumination},
    {"Misc", FlagsProperty::Misc, &F::get_Misc, &F::put_Misc, ecrftNoDiscountsFromCard},
    {"ScalesCodeType", FlagsProperty::ScalesCodeType, &F::get_ScalesCodeType, &F::put_ScalesCodeType, 3},
    {"ScalesType", FlagsProperty::ScalesType, &F::get_ScalesType, &F::put_ScalesType, -2},
    {"PLUStaling", FlagsProperty::PLUStaling, &F::get_PLUStaling, &F::put_PLUStaling, 0x7FFFFFFF},
};

TEST(FlagsTest, NewObjectHoldsZeros) {
  auto flags = Create<F>(CLSID_QAVECRFlags);
  for (const auto& r : kFlagRows) EXPECT_EQ(LongOf(flags.Get(), r.get), 0) << r.name;
}

TEST(FlagsTest, EachPropertyStoresItsOwnValue) {
  // One property set at a time: every other one stays 0.
  for (const auto& set : kFlagRows) {
    SCOPED_TRACE(set.name);
    auto flags = Create<F>(CLSID_QAVECRFlags);
    ASSERT_EQ((flags.Get()->*set.put)(set.sample), S_OK);
    for (const auto& r : kFlagRows) EXPECT_EQ(LongOf(flags.Get(), r.get), &r == &set ? set.sample : 0) << r.name;
  }
  // Values outside the enumerations are kept as given.
  auto flags = Create<F>(CLSID_QAVECRFlags);
  ASSERT_EQ(flags->put_Print(-1), S_OK);
  EXPECT_EQ(LongOf(flags.Get(), &F::get_Print), -1);
}

TEST(FlagsTest, CppAccessNamesTheSamePropertiesAsTheInterface) {
  for (const auto& r : kFlagRows) {
    SCOPED_TRACE(r.name);
    auto flags = com::MakeObject<TQAVECRFlags>();
    flags->SetValue(r.property, r.sample);
    EXPECT_EQ(LongOf(static_cast<F*>(flags.Get()), r.get), r.sample);
    ASSERT_EQ((flags.Get()->*r.put)(r.sample ^ 0x100), S_OK);
    EXPECT_EQ(flags->Value(r.property), r.sample ^ 0x100);
    EXPECT_STREQ(flags->Values().Row(r.property).name, r.name);
  }
}

}  // namespace
}  // namespace corvatin
