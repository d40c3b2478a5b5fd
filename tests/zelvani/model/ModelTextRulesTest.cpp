// The model's own text and date rules where they differ from the automation
// layer's coercions: booleans in frame, flow and field texts read "True" and
// "False", a date field splits its value to the millisecond, and wire digits
// that name no calendar day (day 00, a year below 100, 30 February) read as
// Null.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ansi.h"
#include "zelvani/model/QAVZLVFieldDef.h"
#include "zelvani/model/QAVZLVFlow.h"
#include "zelvani/model/QAVZLVFrame.h"

namespace zelvani {
namespace {

TEST(ModelTextRulesTest, BooleansAreWordsInFrameAndFlowTexts) {
  auto item = Create<IQAVZLVFrameItem>(CLSID_QAVZLVFrameItem);
  ASSERT_EQ(item->put_ItemType(qzlvpstConst), S_OK);
  ASSERT_EQ(item->put_Size(0), S_OK);  // the text as it is
  ComPtr<IQAVZLVValues> values;
  ASSERT_EQ(item->get_Values(values.Out()), S_OK);
  for (bool b : {true, false}) {
    auto value = Create<IQAVZLVValue>(CLSID_QAVZLVValue);
    ASSERT_EQ(value->put_Value(Variant::Bool(b)), S_OK);
    LONG pos = 0;
    ASSERT_EQ(values->Add(value.Get(), &pos), S_OK);
  }
  auto* frameItem = dynamic_cast<TQAVZLVFrameItem*>(item.Get());
  ASSERT_NE(frameItem, nullptr);
  EXPECT_EQ(frameItem->ValueText(0), "True");
  EXPECT_EQ(frameItem->ValueText(1), "False");

  auto flowItem = Create<IQAVZLVFlowItem>(CLSID_QAVZLVFlowItem);
  auto* flow = dynamic_cast<TQAVZLVFlowItem*>(flowItem.Get());
  ASSERT_NE(flow, nullptr);
  ASSERT_EQ(flowItem->put_Data(Variant::Bool(true)), S_OK);
  flow->AddDelimiter(Variant::Bool(false));
  EXPECT_EQ(flow->DataText(), "True");
  EXPECT_EQ(flow->DelimiterTexts(), std::vector<std::string>{"False"});
}

ComPtr<TQAVZLVFieldDef> DateField(LONG type, LONG conversions, LONG size) {
  auto f = com::MakeObject<TQAVZLVFieldDef>();
  f->SetDataType(type);
  f->SetConversions(conversions);
  f->SetSize(size);
  f->SetOffset(1);
  return f;
}

TEST(ModelTextRulesTest, DateFieldsSplitTheirValueToTheMillisecond) {
  const double day = 45358;  // 2024-03-07
  const struct {
    LONG type;
    LONG size;
    double serial;
    const char* wire;
  } rows[] = {
      {qzlvdaTime, 4, day + (13 * 3600 + 59 * 60 + 59.6) / 86400, "1359"},
      {qzlvdaTime, 4, day + 86399.7 / 86400, "2359"},
      {qzlvdaDate, 8, day + 86399.7 / 86400, "20240307"},
      {qzlvdaTime, 4, day + 86399.9999 / 86400, "0000"},  // a millisecond short of midnight rounds up
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.wire);
    std::string buffer(r.size, '#');
    ASSERT_TRUE(DateField(r.type, 0, r.size)->Paste(buffer, Variant::Date(r.serial)));
    EXPECT_EQ(buffer, r.wire);
  }
}

TEST(ModelTextRulesTest, WireDigitsThatNameNoDayReadAsNull) {
  const struct {
    LONG type;
    LONG conversions;
    const char* wire;
    bool isDate;
    double serial;
  } rows[] = {
      {qzlvdaDate, 0, "20240300", false, 0},   // day 00
      {qzlvdaDate, 0, "20240000", false, 0},   // month and day 00
      {qzlvdaDate, 0, "00500101", false, 0},   // year 50 written with four digits
      {qzlvdaDate, 0, "20230229", false, 0},   // no leap year
      {qzlvdaDate, 0, "20240431", false, 0},   // April has 30 days
      {qzlvdaDate, qzlvdcShortDate, "240300", false, 0},
      {qzlvdaDate, 0, "20240229", true, 45351},
      {qzlvdaDate, qzlvdcShortDate, "000101", true, 36526},
      {qzlvdaTime, 0, "0000", true, 0},
      {qzlvdaTime, 0, "2359", true, 86340.0 / 86400},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.wire);
    Variant value = Variant::I4(99);
    const std::string wire(r.wire);
    const bool read = DateField(r.type, r.conversions, static_cast<LONG>(wire.size()))->Extract(wire, value);
    EXPECT_EQ(read, r.isDate);  // the result is "read" unless the value is Null
    if (r.isDate) {
      ASSERT_EQ(value.vt, VT_DATE);
      EXPECT_DOUBLE_EQ(value.date, r.serial);
    } else {
      EXPECT_TRUE(value.IsNull());
    }
  }
}

}  // namespace
}  // namespace zelvani
