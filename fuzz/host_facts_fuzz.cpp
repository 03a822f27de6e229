// Host and transport records arrive as raw message bytes; whatever they hold,
// reading them and writing every report from them must stay inside the record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "diagnostics/host_facts.h"
#include "diagnostics/transport_fact.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Stretch short inputs over two records so every byte position gets exercised.
  unsigned char bytes[2 * sizeof(talvo::HostFacts)] = {};
  for (std::size_t i = 0; size > 0 && i < sizeof bytes; ++i)
    bytes[i] = data[i % size];

  talvo::HostFacts previous;
  talvo::HostFacts next;
  if (!talvo::readHostFacts(bytes, sizeof(talvo::HostFacts), previous)) return 0;
  if (!talvo::readHostFacts(bytes + sizeof(talvo::HostFacts), sizeof(talvo::HostFacts), next)) return 0;
  std::string out;
  talvo::writeDiagnosticHostJson(out, previous);
  talvo::writeDiagnosticHostDeltaJson(out, previous, next);
  talvo::writeDiagnosticHostChangedJson(out, previous, next, 1, 2.0);
  (void)talvo::diagnosticHostChangeKind(previous, next);

  talvo::TransportFact fact;
  if (talvo::readTransportFact(bytes, sizeof fact, fact)) talvo::writeDiagnosticTransportJson(out, fact);
  return 0;
}
