#include "editor/page_bridge.h"

#include <cstdint>
#include <utility>

namespace talvo {

const char kPageScript[] =
    "(function () {  if (window.talvoHost) { return; }  var handlers = [];"
    "  window.talvoHost = {    postMessage: function (message) {"
    "      window.webkit.messageHandlers.talvo.postMessage(JSON.stringify(message));    }"
    ",    onMessage: function (handler) { handlers.push(handler); }"
    ",    _deliver: function (message) {      for (var i = 0; i < handlers.length; i += 1) {"
    "        try { handlers[i](message); } catch (error) { console.error(error); }      }    }"
    "  };})();";

bool isValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const std::uint8_t lead = *p++;
    if (lead < 0x80) continue;
    int extra = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      return false;  // a continuation byte without a lead, or 0xF8..0xFF
    }
    if (end - p < extra) return false;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      code = (code << 6) | (*p & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  }
  return true;
}

bool makeDeliverScript(std::string_view json, std::string& script) {
  if (!isValidUtf8(json)) return false;
  // The JSON object is inserted as it stands: a JSON text is a script expression.
  static constexpr std::string_view kHead = "window.talvoHost && window.talvoHost._deliver(";
  script.clear();
  script.reserve(kHead.size() + json.size() + 2);
  script.append(kHead).append(json).append(");");
  return true;
}

std::function<void(const std::string&)> makeBridgeSink(
    std::function<void(const std::string& script)> evaluate) {
  return [evaluate = std::move(evaluate)](const std::string& json) {
    std::string script;
    if (makeDeliverScript(json, script)) evaluate(script);
  };
}

}  // namespace talvo
