#include "hosting/factory_info.h"

#include <cstring>

#include "hosting/plugin_limits.h"

namespace talvo::host {

namespace {

// Factory strings are fixed-size arrays that need not be NUL-terminated.
template <std::size_t N>
std::string fixedString(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

void copyId(const Steinberg::TUID cid, std::array<std::uint8_t, 16>& out) {
  std::memcpy(out.data(), cid, 16);
}

}  // namespace

bool readFactory(Steinberg::IPluginFactory& factory, FactoryRecord& out, std::string& error) {
  out = FactoryRecord{};
  Steinberg::PFactoryInfo info{};
  if (factory.getFactoryInfo(&info) != Steinberg::kResultOk) {
    error = "the factory gives no factory information";
    return false;
  }
  out.vendor = fixedString(info.vendor);
  out.url = fixedString(info.url);
  out.email = fixedString(info.email);
  out.flags = info.flags;

  Steinberg::IPluginFactory2* factory2 = nullptr;
  if (factory.queryInterface(Steinberg::IPluginFactory2::iid.toTUID(), reinterpret_cast<void**>(&factory2)) !=
      Steinberg::kResultOk) {
    factory2 = nullptr;
  }
  const Steinberg::int32 count = factory.countClasses();
  if (count < 0 || count > kMaxFactoryClasses) {
    error = "the factory claims " + std::to_string(count) + " classes; this host believes at most " +
            std::to_string(kMaxFactoryClasses);
    if (factory2 != nullptr) factory2->release();
    return false;
  }
  for (Steinberg::int32 i = 0; i < count; ++i) {
    ClassRecord record;
    Steinberg::PClassInfo2 info2{};
    if (factory2 != nullptr && factory2->getClassInfo2(i, &info2) == Steinberg::kResultOk) {
      copyId(info2.cid, record.cid);
      record.cardinality = info2.cardinality;
      record.category = fixedString(info2.category);
      record.name = fixedString(info2.name);
      record.hasExtendedInfo = true;
      record.classFlags = info2.classFlags;
      record.subCategories = fixedString(info2.subCategories);
      record.vendor = fixedString(info2.vendor);
      record.version = fixedString(info2.version);
      record.sdkVersion = fixedString(info2.sdkVersion);
    } else {
      Steinberg::PClassInfo basic{};
      if (factory.getClassInfo(i, &basic) != Steinberg::kResultOk) {
        error = "the factory gives no information for class " + std::to_string(i);
        if (factory2 != nullptr) factory2->release();
        return false;
      }
      copyId(basic.cid, record.cid);
      record.cardinality = basic.cardinality;
      record.category = fixedString(basic.category);
      record.name = fixedString(basic.name);
    }
    out.classes.push_back(std::move(record));
  }
  if (factory2 != nullptr) factory2->release();
  return true;
}

std::string classIdHex(const std::array<std::uint8_t, 16>& cid) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t byte : cid) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 15]);
  }
  return text;
}

const ClassRecord* findClass(const FactoryRecord& factory, const char* category) {
  for (const ClassRecord& record : factory.classes) {
    if (record.category == category) return &record;
  }
  return nullptr;
}

}  // namespace talvo::host
