#include "validate/checks.h"

namespace talvo::validate {

std::span<const Check> allChecks() {
  // The factory comes first: when it fails, nothing else can run.
  static constexpr Check kChecks[] = {
      {"factory and classes", 1, checkFactory},
      {"bus scanning", 1, checkBusScanning},
      {"bus consistency", 1, checkBusConsistency},
      {"bus arrangements", 1, checkBusArrangements},
      {"parameter scanning", 1, checkParameterScanning},
      {"parameter flags", 1, checkParameterFlags},
      {"parameter text", 1, checkParameterText},
      {"unit info", 1, checkUnitInfo},
      {"program lists", 1, checkProgramLists},
      {"MIDI mapping", 1, checkMidiMapping},
      {"initialize and terminate", 1, checkInitializeTerminate},
      {"suspend and resume", 1, checkSuspendResume},
      {"connection", 1, checkConnection},
      {"process formats", 1, checkProcessFormats},
      {"32- and 64-bit samples", 1, checkSampleSizes},
      {"variable and odd block sizes", 1, checkBlockSizes},
      {"silence flags", 1, checkSilenceFlags},
      {"zero-frame parameter flush", 1, checkZeroFrameFlush},
      {"automation at random offsets", 1, checkAutomationOffsets},
      {"processing on another thread", 1, checkOtherThread},
      {"state round trip", 1, checkStateRoundTrip},
      {"invalid state", 1, checkInvalidState},
      {"random block sizes and rates", 4, checkRandomBlocksAndRates},
      {"parameter fuzzing", 5, checkParameterFuzzing},
      {"garbage and truncated state", 5, checkGarbageState},
      {"many instances at once", 6, checkManyInstances},
  };
  return kChecks;
}

}  // namespace talvo::validate
