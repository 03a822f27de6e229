#pragma once
// The runtime health document ("talvo-runtime-health/v1") and the diagnostic
// objects it embeds ("talvo-plugin-runtime-diagnostic/v1"). Written on the main
// thread from a copy of the ring, so writing never races with recording.
#include <string>

#include "diagnostics/runtime_diagnostic.h"

namespace talvo {

/// Null identity texts are written as "unknown"; a non-finite rate as null.
[[nodiscard]] std::string writeRuntimeHealthJson(const talvo_runtime_diagnostic_ring& ring,
                                                 const char* moduleId, const char* version, double sampleRate,
                                                 int maxBlockFrames, bool failed);
/// Appends one diagnostic object for `record`.
void appendRuntimeDiagnosticJson(std::string& out, const talvo_runtime_diagnostic& record,
                                 const char* moduleId, const char* version, double sampleRate,
                                 int maxBlockFrames);

}  // namespace talvo
