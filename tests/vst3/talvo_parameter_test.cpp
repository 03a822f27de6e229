// The VST3 parameter built from a table row: its info, and values and UTF-16
// text handed through to the table's conversions.
#include "params/talvo_parameter.h"

#include <gtest/gtest.h>

#include <string>

namespace talvo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::u16string text(const String128 s) {
  std::u16string out;
  for (int i = 0; i < 128 && s[i] != 0; ++i)
    out += static_cast<char16_t>(s[i]);
  return out;
}

TEST(TalvoParameter, InfoComesFromTheTableRow) {
  TalvoParameter rate(TALVO_PARAMS[kParamRate]);
  const ParameterInfo& info = rate.getInfo();
  EXPECT_EQ(info.id, kParamRate);
  EXPECT_EQ(text(info.title), u"Rate");
  EXPECT_EQ(text(info.shortTitle), u"Rate");
  EXPECT_EQ(text(info.units), u"Hz");
  EXPECT_EQ(info.defaultNormalizedValue, TALVO_PARAMS[kParamRate].default_normalized);
  EXPECT_EQ(info.unitId, kRootUnitId);
  EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
  EXPECT_EQ(rate.getNormalized(), info.defaultNormalizedValue);
  EXPECT_EQ(text(TalvoParameter(TALVO_PARAMS[kParamWet]).getInfo().title), u"Mix");

  talvo_param_desc d = TALVO_PARAMS[kParamDepth];
  d.title = nullptr;
  EXPECT_EQ(text(TalvoParameter(d).getInfo().title), u"") << "a null title gives an empty string";
  const struct {
    std::uint32_t kind;
    std::int32_t listCount, stepCount;
  } steps[] = {{TALVO_PARAM_KIND_CONTINUOUS, 0, 0},
               {TALVO_PARAM_KIND_LIST, 3, 2},
               {TALVO_PARAM_KIND_LIST, 1, 1},
               {TALVO_PARAM_KIND_TOGGLE, 0, 1}};
  for (const auto& s : steps) {
    d.kind = s.kind;
    d.list_count = s.listCount;
    EXPECT_EQ(TalvoParameter(d).getInfo().stepCount, s.stepCount) << s.kind << " " << s.listCount;
  }
}

TEST(TalvoParameter, ValuesAndUtf16TextPassThroughToTheTableConversions) {
  static const char* const labels[] = {"Low", "Mid", "High"};
  talvo_param_desc list = TALVO_PARAMS[kParamRate];
  list.kind = TALVO_PARAM_KIND_LIST;
  list.list_count = 3;
  list.list_labels = labels;
  TalvoParameter listParam(list);
  String128 shown{};
  listParam.toString(0.5, shown);
  EXPECT_EQ(text(shown), u"Mid");
  TalvoParameter rate(TALVO_PARAMS[kParamRate]);
  EXPECT_EQ(rate.toPlain(rate.toNormalized(5.0)), 5.0);

  const struct {
    const TalvoParameter& parameter;
    const char16_t* text;
    double normalized;  // -1: refused, the value left alone
  } read[] = {{listParam, u"High", 1.0},
              {rate, u"5 Hz", rate.toNormalized(5.0)},
              {rate, u"\u0135", -1.0},  // non-ASCII text is no number, even where its low byte is a digit
              {rate, nullptr, -1.0}};
  for (const auto& r : read) {
    double n = -1.0;
    EXPECT_EQ(r.parameter.fromString(reinterpret_cast<const TChar*>(r.text), n), r.normalized >= 0.0);
    EXPECT_EQ(n, r.normalized);
  }
}

}  // namespace
}  // namespace talvo
