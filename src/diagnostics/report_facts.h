#pragma once
// Records the hello reports describe: the sample bank in use and the preset
// situation. Fixed-size, NUL-terminated texts; filled by the controller.
#include <cstdint>

namespace talvo {

/// One sample bank. The default is the cleared record: absent, index and every
/// count -1 (unknown), texts empty.
struct BankFacts {
  std::uint8_t present = 0;
  std::int32_t index = -1;
  char id[128] = {};
  char name[128] = {};
  char kind[16] = {};
  char version[32] = {};
  char sha256[65] = {};
  char source[24] = {};
  char entryId[99] = {};
  std::int32_t zoneCount = -1;
  std::int32_t roundRobinGroups = -1;
  std::int32_t chokeGroups = -1;
  std::int32_t velocityLayers = -1;
  std::int32_t padCount = -1;
};

struct PresetStateFacts {
  std::uint32_t factoryCount = 0;
  char currentId[96] = {};  // empty: no current preset
  char currentName[96] = {};
  std::uint8_t dirty = 0;
  std::uint8_t userPresetsSupported = 0;
  std::int64_t lastStateBytes = -1;  // -1: not known
  BankFacts bank;
};

/// Banks compiled into the plug-in: this build has none.
[[nodiscard]] std::uint32_t compiledBankCount();
/// Clears `out` and reports whether compiled bank `index` exists (never, here).
bool describeCompiledBank(std::uint32_t index, BankFacts& out);

}  // namespace talvo
