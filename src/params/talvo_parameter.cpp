#include "params/talvo_parameter.h"

#include <string>

namespace talvo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// ASCII into a 128-unit UTF-16 field, always terminated; null gives "".
void asciiToString128(const char* text, String128 out) {
  int i = 0;
  if (text != nullptr)
    for (; i < 127 && text[i] != '\0'; ++i)
      out[i] = static_cast<TChar>(static_cast<unsigned char>(text[i]));
  out[i] = 0;
}

int32 stepCountOf(const talvo_param_desc& desc) {
  switch (desc.kind) {
    case TALVO_PARAM_KIND_LIST:
      return desc.list_count > 1 ? desc.list_count - 1 : 1;
    case TALVO_PARAM_KIND_TOGGLE:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

TalvoParameter::TalvoParameter(const talvo_param_desc& desc) : desc_(&desc) {
  info.id = desc.id;
  asciiToString128(desc.title, info.title);
  asciiToString128(desc.title, info.shortTitle);
  asciiToString128(desc.units, info.units);
  info.stepCount = stepCountOf(desc);
  info.defaultNormalizedValue = desc.default_normalized;
  info.unitId = kRootUnitId;
  info.flags = ParameterInfo::kCanAutomate;
  setNormalized(desc.default_normalized);
}

void TalvoParameter::toString(ParamValue valueNormalized, String128 string) const {
  const std::string text = paramToText(*desc_, valueNormalized);
  asciiToString128(text.c_str(), string);
}

bool TalvoParameter::fromString(const TChar* string, ParamValue& valueNormalized) const {
  // No number or label of ours holds a non-ASCII unit; it becomes "?" so it never matches.
  char ascii[256];
  int n = 0;
  if (string != nullptr)
    for (; n < 255 && string[n] != 0; ++n)
      ascii[n] = string[n] < 0x80 ? static_cast<char>(string[n]) : '?';
  ascii[n] = '\0';
  return paramFromText(*desc_, ascii, valueNormalized);
}

ParamValue TalvoParameter::toPlain(ParamValue valueNormalized) const {
  return paramToPlain(*desc_, valueNormalized);
}

ParamValue TalvoParameter::toNormalized(ParamValue plainValue) const {
  return paramToNormalized(*desc_, plainValue);
}

}  // namespace talvo
