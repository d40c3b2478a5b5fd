// The status record with its inner version record, and the register's state
// text split into the status flags, including texts the register sends short.
#include <gtest/gtest.h>

#include "corvatin/records/QAVECRStatus.h"
#include "tests/corvatin/records/RecordReading.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;

TEST(StatusTest, VersionIsOneInnerRecordFilledInPlace) {
  auto status = Create<IQAVECRStatus>(CLSID_QAVECRStatus);
  ComPtr<IQAVECRVersion> first, second;
  ASSERT_EQ(status->get_Version(first.Out()), S_OK);
  ASSERT_EQ(status->get_Version(second.Out()), S_OK);
  ASSERT_TRUE(first);
  EXPECT_EQ(first, second);
  ASSERT_EQ(PutText(first.Get(), &IQAVECRVersion::put_FiscalModule, u"MF 2.01"), S_OK);
  EXPECT_EQ(Describe(Through<&IQAVECRStatus::get_Version, &IQAVECRVersion::get_FiscalModule>(status.Get())),
            "BSTR MF 2.01");

  // The inner record lives as long as someone holds it.
  status = nullptr;
  EXPECT_EQ(TextOf(first.Get(), &IQAVECRVersion::get_FiscalModule), u"MF 2.01");
}

TEST(StatusTest, FlagsStoreAnyTrueAsTrue) {
  auto status = Create<IQAVECRStatus>(CLSID_QAVECRStatus);
  ASSERT_EQ(status->put_PaperOut(1), S_OK);  // a host's non-canonical True
  EXPECT_EQ(Describe(Read<&IQAVECRStatus::get_PaperOut>(status.Get())), "BOOL True");
  VARIANT_BOOL v = 0;
  ASSERT_EQ(status->get_PaperOut(&v), S_OK);
  EXPECT_EQ(v, VARIANT_TRUE);
}

TEST(StatusStateTextTest, SplitIntoFlags) {
  struct Row {
    const char16_t* text;
    bool clientDisplay;
    bool paperOut;
    bool printingDeviceError;
  };
  const Row rows[] = {
      {u"010", true, true, false},  // a display is there when its character is "0"
      {u"000", true, false, false},
      {u"111", false, true, true},
      {u"1x0", false, true, false},  // any character but "0" sets the two others
      {u"0011", true, false, true},  // characters past the third are ignored
      // Texts the register sent short: a missing character sets nothing.
      {u"", false, false, false},
      {u"0", true, false, false},
      {u"01", true, true, false},
      {u"1", false, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(WideToAnsi(r.text));
    StatusStateFlags f = ParseStatusStateText(r.text);
    EXPECT_EQ(f.ClientDisplay, r.clientDisplay);
    EXPECT_EQ(f.PaperOut, r.paperOut);
    EXPECT_EQ(f.PrintingDeviceError, r.printingDeviceError);
  }
}

}  // namespace
}  // namespace corvatin
