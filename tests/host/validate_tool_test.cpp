// talvo-host validate: passes a sound plug-in, ours or not, at the highest
// strictness, and each check fails on the fault it looks for, shown with the
// broken test plug-in's modes.
#include <gtest/gtest.h>

#include <string>

#include "host/tool_run.h"

namespace talvo::test {
namespace {

ToolRun validate(const std::string& bundle) {
  return runTool("validate " + bundle + " --strictness 10 --seed 7");
}

TEST(ValidateTool, OrielPassesEveryCheckAtTheHighestStrictness) {
  const ToolRun result = validate(TALVO_BUNDLE_PATH);
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("\n26 passed, 0 failed\n"), std::string::npos) << result.output;
}

TEST(ValidateTool, EachCheckFailsOnTheFaultItLooksFor) {
  const std::pair<const char*, const char*> cases[] = {
      // mode, the line that must appear; the honest modes pass everything.
      {"gain", "\n23 passed, 0 failed\n"},
      {"mono-gain", "\n17 passed, 0 failed\n"},
      {"entry-fails", "FAIL  factory and classes: ModuleEntry of "},
      {"bus-channels", "FAIL  bus scanning: the plug-in claims 1048576 channels on audio input bus 0"},
      {"param-ids", "FAIL  parameter scanning: two parameters have the id 10\n"},
      {"abort-on-suspend", "FAIL  suspend and resume: the plug-in crashed the host (Aborted)\n"},
      {"latency-0x80000000", "FAIL  process formats: the plug-in reports a latency of 2147483648 frames"},
      {"nan", "FAIL  variable and odd block sizes: the output holds a NaN or infinite sample"},
      {"silence-lie", "FAIL  silence flags: output bus 0 channel 0 is flagged silent but holds"},
      {"zero-frame",
       "FAIL  zero-frame parameter flush: the processor refuses a zero-frame block without buffers\n"},
      {"thread-bound", "FAIL  processing on another thread: the output on another thread differs"},
      {"state-forgets",
       "FAIL  state round trip: the state saved after restoring differs from the one restored"},
      {"state-half",
       "FAIL  garbage and truncated state: a refused state cut to 8 bytes changed the plug-in's state\n"},
      {"global-state", "FAIL  many instances at once: instance 0 of 32 differs from an instance alone"},
  };
  for (const auto& [mode, line] : cases) {
    const ToolRun result = validate(broken(mode));
    EXPECT_EQ(result.status, std::string(line).find("FAIL") == 0 ? 1 : 0) << mode << "\n" << result.output;
    EXPECT_NE(result.output.find(line), std::string::npos) << mode << "\n" << result.output;
  }
}

}  // namespace
}  // namespace talvo::test
