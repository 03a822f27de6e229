#pragma once
// Runs a test body once per instruction set the vector code was built for and
// this processor supports, so a machine with the widest units still checks
// the narrower paths other machines take.
#include <hwy/highway.h>
#include <hwy/targets.h>

namespace talvo::test {

/// Calls `body(name)` with each instruction set forced in turn, then restores
/// the normal choice.
template <class Body>
void forEachVectorTarget(Body&& body) {
  for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
    body(hwy::TargetName(target));
  }
  hwy::SetSupportedTargetsForTest(0);
  hwy::GetChosenTarget().Update(hwy::SupportedTargets());
}

}  // namespace talvo::test
