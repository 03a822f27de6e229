#pragma once
// Reads what a class factory says about itself and its classes into plain
// records, with the extended class information when the factory has it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

namespace talvo::host {

struct ClassRecord {
  std::array<std::uint8_t, 16> cid{};
  std::int32_t cardinality = 0;
  std::string category;
  std::string name;
  bool hasExtendedInfo = false;  // the fields below come from PClassInfo2
  std::uint32_t classFlags = 0;
  std::string subCategories;
  std::string vendor;
  std::string version;
  std::string sdkVersion;
};

struct FactoryRecord {
  std::string vendor;
  std::string url;
  std::string email;
  std::int32_t flags = 0;
  std::vector<ClassRecord> classes;
};

/// False (with a reason) when the factory refuses to describe itself.
[[nodiscard]] bool readFactory(Steinberg::IPluginFactory& factory, FactoryRecord& out, std::string& error);

/// The 16 identifier bytes as 32 upper-case hexadecimal digits, in byte order.
[[nodiscard]] std::string classIdHex(const std::array<std::uint8_t, 16>& cid);

/// The first class of `category`, or null.
[[nodiscard]] const ClassRecord* findClass(const FactoryRecord& factory, const char* category);

}  // namespace talvo::host
