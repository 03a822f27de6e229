#include "diagnostics/host_facts.h"

#include <cstring>

#include "diagnostics/text_field.h"

namespace talvo {

void HostFacts::addBus(const char* id, bool isInput, std::uint32_t channels, bool active,
                       const char* layout) {
  if (busCount >= kMaxBuses) return;
  HostBusFact& bus = buses[busCount++];
  bus = HostBusFact{};
  copyTextField(bus.id, id);
  bus.isInput = isInput ? 1 : 0;
  bus.channels = channels;
  bus.active = active ? 1 : 0;
  copyTextField(bus.layout, layout);
}

bool readHostFacts(const void* bytes, std::size_t size, HostFacts& out) {
  if (bytes == nullptr || size != sizeof(HostFacts)) return false;
  HostFacts facts;
  std::memcpy(&facts, bytes, sizeof facts);
  facts.hostName[sizeof facts.hostName - 1] = '\0';
  facts.hostVersion[sizeof facts.hostVersion - 1] = '\0';
  facts.hostPath[sizeof facts.hostPath - 1] = '\0';
  if (facts.busCount > HostFacts::kMaxBuses) facts.busCount = HostFacts::kMaxBuses;
  for (HostBusFact& bus : facts.buses) {
    bus.id[sizeof bus.id - 1] = '\0';
    bus.layout[sizeof bus.layout - 1] = '\0';
  }
  out = facts;
  return true;
}

}  // namespace talvo
