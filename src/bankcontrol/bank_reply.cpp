// The processor's answer to a load request: the outcome line, a detail line,
// then on success the instrument line, one line per instrument or kit and one
// per preset (0x01, id, name, instrument, then key=value pairs split by 0x1F).
#include <cmath>

#include "bankcontrol/bank_control.h"
#include "bridge/json_read.h"

namespace talvo {
namespace {

constexpr char kPresetMark = '\x01';
constexpr char kPairSeparator = '\x1F';

// The field at `index`, empty when the line has fewer.
const std::string& field(const std::vector<std::string>& fields, std::size_t index) {
  static const std::string none;
  return index < fields.size() ? fields[index] : none;
}

// The number at the start of `text` as strtod would read it, but in the C
// locale whatever the host's; false when nothing was read or it is not finite.
bool readValue(std::string_view text, double& value) {
  JsonReader reader{text.data(), text.data() + text.size()};
  return parseNumber(reader, &value) && std::isfinite(value);
}

// The text after the first line feed; empty when there is none.
std::string_view afterFirstLine(std::string_view text) {
  const std::size_t end = text.find('\n');
  return end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

BankControlPreset readPreset(std::string_view line) {
  const std::vector<std::string> fields = splitFields(line, '\t', 4);
  BankControlPreset preset{field(fields, 0), field(fields, 1), field(fields, 2), {}};
  for (const std::string& item : splitFields(field(fields, 3), kPairSeparator, std::string::npos)) {
    const std::size_t equals = item.find('=');
    double value = 0.0;
    if (equals != std::string::npos && readValue(std::string_view(item).substr(equals + 1), value)) {
      preset.params.emplace_back(item.substr(0, equals), value);
    }
  }
  return preset;
}

}  // namespace

std::vector<std::string> splitFields(std::string_view text, char separator, std::size_t maxFields) {
  std::vector<std::string> fields;
  while (fields.size() + 1 < maxFields) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) break;
    fields.emplace_back(text.substr(0, at));
    text.remove_prefix(at + 1);
  }
  fields.emplace_back(text);
  return fields;
}

std::string makeRuntimeBankRequest(const std::string& source, const std::string& directory,
                                   const std::string& sha256, const std::string& instrument) {
  return source + '\n' + directory + '\n' + sha256 + '\n' + instrument;
}

void BankControl::adoptRuntimeBankReply(std::string_view reply) {
  const std::string_view outcome = reply.substr(0, reply.find('\n'));
  if (outcome != "ok") {
    const std::string requestedId = instrument_.empty() ? locator_ : instrument_;
    clearRuntimeFacts();
    // A failure always names a code, even when the reply gave none.
    const std::string code = outcome.empty() ? "missing" : std::string(outcome);
    sendBankState("loadBank", code.c_str(), requestedId.c_str());
    return;
  }
  runtimeLoaded_ = true;
  instrumentId_.clear();
  instrumentName_.clear();
  instrumentList_.clear();
  positionings_.clear();
  presets_.clear();
  // The lines after the outcome and the detail; a final line feed ends the last line.
  bool instrumentSeen = false;
  for (std::string_view rest = afterFirstLine(afterFirstLine(reply)); !rest.empty();
       rest = afterFirstLine(rest)) {
    adoptReplyLine(rest.substr(0, rest.find('\n')), instrumentSeen);
  }
  sendBankState("loadBank");
}

void BankControl::adoptReplyLine(std::string_view line, bool& instrumentSeen) {
  if (!line.empty() && line.front() == kPresetMark) {
    BankControlPreset preset = readPreset(line.substr(1));
    if (!preset.id.empty() && !preset.params.empty()) presets_.push_back(std::move(preset));
  } else if (!instrumentSeen) {
    instrumentSeen = true;
    const std::vector<std::string> fields = splitFields(line, '\t', 3);
    instrumentId_ = field(fields, 0);
    instrumentName_ = field(fields, 1);
    instrumentList_ = field(fields, 2);
  } else {
    positionings_.emplace_back(line);
  }
}

}  // namespace talvo
