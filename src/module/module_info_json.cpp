// The module information document ("moduleinfo.json" in the bundle's
// resources): the factory's information and its classes, as the factory
// itself reports them, so the document can never disagree with the binary.
#include <cstdio>
#include <cstring>
#include <string>

#include "bridge/json_write.h"
#include "module/module_factory.h"

namespace talvo {

using namespace Steinberg;

namespace {

// Fixed-size SDK text fields are not always NUL-terminated when full.
std::string fieldText(const char8* field, std::size_t capacity) {
  return std::string(field, strnlen(field, capacity));
}

void appendMember(std::string& out, const char* key, const std::string& value) {
  jsonAppendQuoted(out, key);
  out += ':';
  jsonAppendQuoted(out, value.c_str());
}

void appendCid(std::string& out, const TUID cid) {
  char hex[33];
  for (int i = 0; i < 16; ++i)
    std::snprintf(hex + 2 * i, 3, "%02X", static_cast<unsigned char>(cid[i]));
  out += "\"CID\":\"";
  out.append(hex, 32);
  out += '"';
}

// "Fx|Delay" becomes ["Fx","Delay"]; an empty text gives [].
void appendSubCategories(std::string& out, const std::string& text) {
  out += "\"Sub Categories\":[";
  std::size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    std::size_t end = text.find('|', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      if (!first) out += ',';
      jsonAppendQuoted(out, text.substr(start, end - start).c_str());
      first = false;
    }
    start = end + 1;
  }
  out += ']';
}

void appendClass(std::string& out, const PClassInfo2& info, const std::string& factoryVendor) {
  const std::string vendor = fieldText(info.vendor, PClassInfo2::kVendorSize);
  out += '{';
  appendCid(out, info.cid);
  out += ',';
  appendMember(out, "Category", fieldText(info.category, PClassInfo::kCategorySize));
  out += ',';
  appendMember(out, "Name", fieldText(info.name, PClassInfo::kNameSize));
  out += ',';
  appendMember(out, "Vendor", vendor.empty() ? factoryVendor : vendor);
  out += ',';
  appendMember(out, "Version", fieldText(info.version, PClassInfo2::kVersionSize));
  out += ',';
  appendMember(out, "SDKVersion", fieldText(info.sdkVersion, PClassInfo2::kVersionSize));
  out += ',';
  appendSubCategories(out, fieldText(info.subCategories, PClassInfo2::kSubCategoriesSize));
  out += ",\"Class Flags\":" + std::to_string(info.classFlags);
  out += ",\"Cardinality\":" + std::to_string(info.cardinality);
  out += ",\"Snapshots\":[]}";
}

}  // namespace

std::string writeModuleInfoJson(IPluginFactory2& factory, const char* moduleName, const char* moduleVersion) {
  PFactoryInfo info;
  factory.getFactoryInfo(&info);
  const std::string vendor = fieldText(info.vendor, PFactoryInfo::kNameSize);
  auto flag = [&](int32 bit) { return (info.flags & bit) != 0 ? "true" : "false"; };

  std::string out = "{";
  appendMember(out, "Name", moduleName);
  out += ',';
  appendMember(out, "Version", moduleVersion);
  out += ",\"Factory Info\":{";
  appendMember(out, "Vendor", vendor);
  out += ',';
  appendMember(out, "URL", fieldText(info.url, PFactoryInfo::kURLSize));
  out += ',';
  appendMember(out, "E-Mail", fieldText(info.email, PFactoryInfo::kEmailSize));
  out += ",\"Flags\":{\"Unicode\":";
  out += flag(PFactoryInfo::kUnicode);
  out += ",\"Classes Discardable\":";
  out += flag(PFactoryInfo::kClassesDiscardable);
  out += ",\"Component Non Discardable\":";
  out += flag(PFactoryInfo::kComponentNonDiscardable);
  out += "}},\"Compatibility\":[],\"Classes\":[";
  const int32 count = factory.countClasses();
  for (int32 i = 0; i < count; ++i) {
    PClassInfo2 classInfo;
    if (factory.getClassInfo2(i, &classInfo) != kResultOk) continue;
    if (out.back() == '}') out += ',';
    appendClass(out, classInfo, vendor);
  }
  out += "]}";
  return out;
}

}  // namespace talvo
