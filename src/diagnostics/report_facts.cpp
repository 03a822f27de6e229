#include "diagnostics/report_facts.h"

namespace talvo {

std::uint32_t compiledBankCount() {
  return 0;
}

bool describeCompiledBank(std::uint32_t /*index*/, BankFacts& out) {
  out = BankFacts{};
  return false;
}

}  // namespace talvo
