#include "hosting/parameter_directory.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#if defined(__APPLE__)
#include <xlocale.h>
#else
#include <locale.h>
#endif

#include "hosting/utf16_text.h"
#include "pluginterfaces/vst/ivstparameterfunctionname.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace talvo::host {

namespace {

using Steinberg::kResultOk;
using Steinberg::Vst::ParamID;

// Shortest text that reads back as the same number, whatever the locale.
std::string shortest(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool parseId(const std::string& text, ParamID& out) {
  if (text.empty() || text.size() > 10 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (value > 0xFFFFFFFFull) return false;
  out = static_cast<ParamID>(value);
  return true;
}

std::string nameOf(const ParameterEntry& entry) {
  return entry.title.empty() ? "parameter " + std::to_string(entry.id) : entry.title;
}

}  // namespace

bool parseReal(const std::string& text, double& out) {
  if (text.empty()) return false;
  // A plug-in in this process may have set a comma-decimal locale; a command
  // line means the same whatever it did.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  errno = 0;
  char* end = nullptr;
  const double value = strtod_l(text.c_str(), &end, cLocale);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return false;
  out = value;
  return true;
}

ParameterDirectory::ParameterDirectory(Steinberg::Vst::IEditController* controller)
    : controller_(controller) {
  if (controller_ == nullptr) return;
  const std::int32_t count = std::clamp(controller_->getParameterCount(), 0, kMaxParameters);
  for (std::int32_t i = 0; i < count; ++i) {
    Steinberg::Vst::ParameterInfo info{};
    if (controller_->getParameterInfo(i, info) != kResultOk) continue;
    const double atZero = controller_->normalizedParamToPlain(info.id, 0.0);
    const double atOne = controller_->normalizedParamToPlain(info.id, 1.0);
    entries_.push_back({info.id, utf8FromUtf16(info.title, 128), utf8FromUtf16(info.units, 128),
                        std::min(atZero, atOne), std::max(atZero, atOne), info.defaultNormalizedValue,
                        info.stepCount, info.flags});
  }
}

const ParameterEntry* ParameterDirectory::byId(ParamID id) const {
  for (const ParameterEntry& entry : entries_)
    if (entry.id == id) return &entry;
  return nullptr;
}

std::string ParameterDirectory::describeNames() const {
  if (entries_.empty()) return "the plug-in publishes no parameters";
  constexpr std::size_t kListed = 16;
  std::string text = "the plug-in's parameters are";
  for (std::size_t i = 0; i < entries_.size() && i < kListed; ++i) {
    text += (i == 0 ? " \"" : ", \"") + entries_[i].title + "\" (" + std::to_string(entries_[i].id) + ")";
  }
  if (entries_.size() > kListed) {
    text += " and " + std::to_string(entries_.size() - kListed) + " more (talvo-host info lists them)";
  }
  return text;
}

bool ParameterDirectory::find(const std::string& name, ParameterEntry& out, std::string& error) const {
  ParamID id = 0;
  if (controller_ == nullptr) {
    if (!parseId(name, id)) {
      error = "the plug-in has no controller, so its parameters have no names: \"" + name +
              "\" is not a numeric parameter id";
      return false;
    }
    out = ParameterEntry{};
    out.id = id;
    return true;
  }
  const ParameterEntry* found = nullptr;
  if (parseId(name, id)) {
    found = byId(id);
  } else if (Steinberg::FUnknownPtr<Steinberg::Vst::IParameterFunctionName> names{controller_};
             names && names->getParameterIDFromFunctionName(Steinberg::Vst::kRootUnitId, name.c_str(), id) ==
                          kResultOk) {
    found = byId(id);
  }
  if (found == nullptr) {
    std::string ids;
    for (const ParameterEntry& entry : entries_) {
      if (lowered(entry.title) != lowered(name)) continue;
      ids += (found == nullptr ? "" : ", ") + std::to_string(entry.id);
      if (found != nullptr) {
        error = "\"" + name + "\" is the title of several parameters (ids " + ids + "); name one by its id";
        return false;
      }
      found = &entry;
    }
  }
  if (found == nullptr) {
    error = "unknown parameter \"" + name + "\"; " + describeNames();
    return false;
  }
  out = *found;
  return true;
}

bool ParameterDirectory::normalize(const ParameterEntry& entry, double plain, double& out,
                                   std::string& error) const {
  // Ends computed through the controller may be off by a rounding step.
  const double slack = (entry.maximum - entry.minimum) * 1e-12;
  if (!(plain >= entry.minimum - slack && plain <= entry.maximum + slack)) {
    error = nameOf(entry) + " takes " + (controller_ == nullptr ? "normalized values " : "") +
            shortest(entry.minimum) + " .. " + shortest(entry.maximum) +
            (entry.units.empty() ? "" : " " + entry.units) + "; " + shortest(plain) + " is outside";
    return false;
  }
  const double normalized =
      controller_ != nullptr ? controller_->plainParamToNormalized(entry.id, plain) : plain;
  if (!std::isfinite(normalized)) {
    error = "the plug-in turns " + shortest(plain) + " for " + nameOf(entry) + " into no normalized value";
    return false;
  }
  out = std::clamp(normalized, 0.0, 1.0);
  return true;
}

bool ParameterDirectory::normalizeText(const ParameterEntry& entry, const std::string& text, double& out,
                                       std::string& error) const {
  double plain = 0.0;
  if (parseReal(text, plain)) return normalize(entry, plain, out, error);
  Steinberg::Vst::String128 wide{};
  utf16FromUtf8(text, wide);
  Steinberg::Vst::ParamValue normalized = 0.0;
  if (controller_ == nullptr || controller_->getParamValueByString(entry.id, wide, normalized) != kResultOk ||
      !(normalized >= 0.0 && normalized <= 1.0)) {
    error = "not a value of " + nameOf(entry) + ": \"" + text + "\"";
    return false;
  }
  out = normalized;
  return true;
}

double ParameterDirectory::toNormalized(ParamID id, double plain) const {
  const double normalized = controller_ != nullptr ? controller_->plainParamToNormalized(id, plain) : plain;
  return normalized >= 0.0 ? std::min(normalized, 1.0) : 0.0;
}

}  // namespace talvo::host
