// Communication options: defaults, plain storage, and the multiplexer rules
// with the control string's channel character, on both the local and the
// remote multiplexer.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "corvatin/records/ControlStringFormat.h"
#include "corvatin/records/QAVECRCommOptions.h"
#include "corvatin/records/RecordErrors.h"
#include "tests/corvatin/records/RecordTestSupport.h"

namespace corvatin {
namespace {

using namespace test;
using I = IQAVECRCommOptions;

ComPtr<I> NewOptions() { return Create<I>(CLSID_QAVECRCommOptions); }

struct LongOption {
  const char* name;
  HRESULT (I::*get)(LONG*);
  HRESULT (I::*put)(LONG);
  LONG initial;
};

const LongOption kLongOptions[] = {
    {"Speed", &I::get_Speed, &I::put_Speed, 9600},
    {"DataBits", &I::get_DataBits, &I::put_DataBits, 8},
    {"StopBits", &I::get_StopBits, &I::put_StopBits, 1},
    {"Parity", &I::get_Parity, &I::put_Parity, ecrptNone},
    {"TimeOut", &I::get_TimeOut, &I::put_TimeOut, 20000},
    {"WaitTimeOut", &I::get_WaitTimeOut, &I::put_WaitTimeOut, 300000},
    {"ConnectionTimeOut", &I::get_ConnectionTimeOut, &I::put_ConnectionTimeOut, 40000},
    {"FlowControl", &I::get_FlowControl, &I::put_FlowControl, ecrfcRTS_CTS},
    {"MultiplexerChannel", &I::get_MultiplexerChannel, &I::put_MultiplexerChannel, 1},
    {"DeviceID", &I::get_DeviceID, &I::put_DeviceID, -1},
    {"RemoteMultiplexerChannel", &I::get_RemoteMultiplexerChannel, &I::put_RemoteMultiplexerChannel, 1},
};

struct TextOption {
  const char* name;
  HRESULT (I::*get)(BSTR*);
  HRESULT (I::*put)(BSTR);
  const char16_t* initial;
};

const TextOption kTextOptions[] = {
    {"Port", &I::get_Port, &I::put_Port, u"COM1"},
    {"MultiplexerName", &I::get_MultiplexerName, &I::put_MultiplexerName, u""},
    {"MultiplexerControlString", &I::get_MultiplexerControlString, &I::put_MultiplexerControlString, u""},
    {"DeviceAddress", &I::get_DeviceAddress, &I::put_DeviceAddress, u""},
    {"RemoteMultiplexerName", &I::get_RemoteMultiplexerName, &I::put_RemoteMultiplexerName, u""},
    {"RemoteMultiplexerControlString", &I::get_RemoteMultiplexerControlString,
     &I::put_RemoteMultiplexerControlString, u""},
};

TEST(CommOptionsTest, NewObjectHasTheDefaults) {
  auto options = NewOptions();
  for (const auto& o : kLongOptions) EXPECT_EQ(LongOf(options.Get(), o.get), o.initial) << o.name;
  for (const auto& o : kTextOptions) EXPECT_EQ(TextOf(options.Get(), o.get), o.initial) << o.name;
}

// A distinct text for the K-th text option.
std::u16string Sample(int k) { return u"text " + std::u16string(1, static_cast<char16_t>(u'a' + k)); }

TEST(CommOptionsTest, EachPutStoresItsOwnValueUnchecked) {
  auto options = NewOptions();
  // Distinct values, some outside any sensible range: nothing is validated.
  LONG next = -7;
  for (const auto& o : kLongOptions) ASSERT_EQ((options.Get()->*o.put)(next++ * 1000), S_OK) << o.name;
  int k = 0;
  for (const auto& o : kTextOptions) ASSERT_EQ(PutText(options.Get(), o.put, Sample(k++)), S_OK) << o.name;
  next = -7;
  for (const auto& o : kLongOptions) EXPECT_EQ(LongOf(options.Get(), o.get), next++ * 1000) << o.name;
  k = 0;
  for (const auto& o : kTextOptions) EXPECT_EQ(TextOf(options.Get(), o.get), Sample(k++)) << o.name;
}

// The name, channel and control-string members of one multiplexer.
struct Side {
  const char* name;
  HRESULT (I::*getName)(BSTR*);
  HRESULT (I::*putName)(BSTR);
  HRESULT (I::*putChannel)(LONG);
  HRESULT (I::*getControl)(BSTR*);
  HRESULT (I::*putControl)(BSTR);
};

const Side kLocal{"local", &I::get_MultiplexerName, &I::put_MultiplexerName, &I::put_MultiplexerChannel,
                  &I::get_MultiplexerControlString, &I::put_MultiplexerControlString};
const Side kRemote{"remote", &I::get_RemoteMultiplexerName, &I::put_RemoteMultiplexerName,
                   &I::put_RemoteMultiplexerChannel, &I::get_RemoteMultiplexerControlString,
                   &I::put_RemoteMultiplexerControlString};

// One step of a script: set the name, the channel or the control string.
struct Step {
  enum Kind { Name, Channel, Control } kind;
  std::u16string text;
  LONG channel = 0;
};
Step SetName(std::u16string s) { return {Step::Name, std::move(s)}; }
Step SetChannel(LONG c) { return {Step::Channel, u"", c}; }
Step SetControl(std::u16string s) { return {Step::Control, std::move(s)}; }

struct MultiplexerRow {
  const char* what;
  std::vector<Step> steps;
  std::optional<std::u16string> expected;  // none: the read fails with the conversion error
};

const std::u16string kSpaces19(19, u' ');

const MultiplexerRow kMultiplexerRows[] = {
    {"ASTER brings its pattern", {SetName(u"ASTER"), SetChannel(2)}, std::u16string(u"$$$\x02")},
    {"channel 3", {SetName(u"ASTER"), SetChannel(3)}, std::u16string(u"$$$\x03")},
    {"the channel is read at each get", {SetChannel(5), SetName(u"ASTER"), SetChannel(65)}, u"$$$A"},
    {"only the low 8 bits of the channel", {SetName(u"ASTER"), SetChannel(0x141)}, u"$$$A"},
    // A NUL channel byte is part of the text, not its end.
    {"channel 0", {SetName(u"ASTER"), SetChannel(0)}, std::u16string(u"$$$\0", 4)},
    {"channel 256 is NUL too", {SetName(u"ASTER"), SetChannel(256)}, std::u16string(u"$$$\0", 4)},
    // The channel byte is a Windows-1250 code: 0x8A is S with caron.
    {"channel byte in the ANSI code page", {SetName(u"ASTER"), SetChannel(0x8A)}, u"$$$\u0160"},
    {"the name compares case-sensitively", {SetName(u"ASTER"), SetChannel(2), SetName(u"aster")}, u"$$$%s"},
    {"a pattern without placeholder", {SetName(u"ASTER"), SetControl(u"ABC")}, u"ABC"},
    {"ASTER again keeps the host's pattern",
     {SetName(u"ASTER"), SetControl(u"#%s#"), SetName(u"ASTER"), SetChannel(66)}, u"#B#"},
    {"another name, then ASTER, restores the pattern",
     {SetName(u"ASTER"), SetControl(u"#%s#"), SetName(u"X"), SetName(u"ASTER"), SetChannel(66)}, u"$$$B"},
    {"another name keeps the control string", {SetControl(u"ctl"), SetName(u"X")}, u"ctl"},
    {"without ASTER any text reads back raw", {SetControl(u"%d%n%x"), SetName(u"X")}, u"%d%n%x"},
    {"%% is one percent sign", {SetName(u"ASTER"), SetControl(u"100%%"), SetChannel(65)}, u"100%"},
    {"%% next to the placeholder", {SetName(u"ASTER"), SetControl(u"%%%s%%"), SetChannel(65)}, u"%A%"},
    {"width and precision, left-justified", {SetName(u"ASTER"), SetControl(u"%-20.5s"), SetChannel(65)},
     u"A" + kSpaces19},
    {"width, right-justified", {SetName(u"ASTER"), SetControl(u"[%5s]"), SetChannel(65)}, u"[    A]"},
    {"precision 0 drops the character", {SetName(u"ASTER"), SetControl(u"[%.0s]"), SetChannel(65)}, u"[]"},
    {"an upper-case S", {SetName(u"ASTER"), SetControl(u"%S"), SetChannel(65)}, u"A"},
    {"%n writes nothing anywhere", {SetName(u"ASTER"), SetControl(u"$$$%n")}, std::nullopt},
    {"%d", {SetName(u"ASTER"), SetControl(u"%d")}, std::nullopt},
    {"%x", {SetName(u"ASTER"), SetControl(u"%x")}, std::nullopt},
    {"%p", {SetName(u"ASTER"), SetControl(u"%p")}, std::nullopt},
    {"two placeholders for one character", {SetName(u"ASTER"), SetControl(u"%s%s")}, std::nullopt},
    {"a width taken from an argument", {SetName(u"ASTER"), SetControl(u"%*s")}, std::nullopt},
    {"an argument index", {SetName(u"ASTER"), SetControl(u"%0:s")}, std::nullopt},
    {"a percent sign at the end", {SetName(u"ASTER"), SetControl(u"$$$%")}, std::nullopt},
    {"a specifier without type", {SetName(u"ASTER"), SetControl(u"%-5")}, std::nullopt},
    {"a huge width", {SetName(u"ASTER"), SetControl(u"%999999999999s")}, std::nullopt},
    {"a huge precision", {SetName(u"ASTER"), SetControl(u"%.99999s")}, std::nullopt},
};

void RunSteps(I* options, const Side& side, const std::vector<Step>& steps) {
  for (const Step& s : steps) {
    switch (s.kind) {
      case Step::Name:
        ASSERT_EQ(PutText(options, side.putName, s.text), S_OK);
        break;
      case Step::Channel:
        ASSERT_EQ((options->*side.putChannel)(s.channel), S_OK);
        break;
      case Step::Control:
        ASSERT_EQ(PutText(options, side.putControl, s.text), S_OK);
        break;
    }
  }
}

TEST(CommOptionsTest, MultiplexerRulesOnEachSide) {
  for (const Side* side : {&kLocal, &kRemote}) {
    const Side* other = side == &kLocal ? &kRemote : &kLocal;
    for (const auto& row : kMultiplexerRows) {
      SCOPED_TRACE(std::string(side->name) + ": " + row.what);
      auto options = NewOptions();
      RunSteps(options.Get(), *side, row.steps);
      BSTR b = nullptr;
      HRESULT hr = (options.Get()->*side->getControl)(&b);
      if (row.expected) {
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(std::u16string(BstrView(b)), *row.expected);
      } else {
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(b, nullptr);
        EXPECT_NE(LastError().find("invalid or incompatible with argument"), std::string::npos);
        // The failed read changes nothing: under another name the stored text reads back raw.
        EXPECT_EQ(TextOf(options.Get(), side->getName), u"ASTER");
        ASSERT_EQ(PutText(options.Get(), side->putName, u"other"), S_OK);
        EXPECT_EQ(TextOf(options.Get(), side->getControl), row.steps.back().text);
      }
      SysFreeString(b);
      // The two multiplexers never touch each other.
      EXPECT_EQ(TextOf(options.Get(), other->getName), u"");
      EXPECT_EQ(TextOf(options.Get(), other->getControl), u"");
    }
  }
}

TEST(CommOptionsTest, ConversionErrorNamesThePatternAndKeepsNulBytes) {
  EXPECT_EQ(FormatControlString(std::u16string(u"a\0b%s", 5), u'\0'), std::u16string(u"a\0b\0", 4));
  try {
    FormatControlString(u"x%d", u'A');
    FAIL() << "no conversion error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Format 'x%d' invalid or incompatible with argument");
  }
  // The widest allowed width still formats; one more is refused.
  EXPECT_EQ(FormatControlString(u"%4096s", u'A').size(), 4096u);
  EXPECT_THROW(FormatControlString(u"%4097s", u'A'), EConvertError);
}

TEST(CommOptionsTest, EngineReadsTheEffectiveControlStringInCpp) {
  auto options = com::MakeObject<TQAVECRCommOptions>();
  options->SetMultiplexerName(CommOption::RemoteMultiplexerName, u"ASTER");
  options->Values().SetLong(CommOption::RemoteMultiplexerChannel, 7);
  EXPECT_EQ(options->EffectiveControlString(CommOption::RemoteMultiplexerName), u"$$$\x07");
  EXPECT_EQ(options->EffectiveControlString(CommOption::MultiplexerName), u"");
}

}  // namespace
}  // namespace corvatin
