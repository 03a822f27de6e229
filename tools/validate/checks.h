#pragma once
// The checks, grouped by what they drive; the table in check_table.cpp
// names and orders them.
#include "validate/check.h"

namespace talvo::validate {

// Factory and buses (checks_buses.cpp).
Result checkFactory(Session& session);
Result checkBusScanning(Session& session);
Result checkBusConsistency(Session& session);
Result checkBusArrangements(Session& session);

// Parameters (checks_parameters.cpp).
Result checkParameterScanning(Session& session);
Result checkParameterFlags(Session& session);
Result checkParameterText(Session& session);

// Units, programs and MIDI mapping (checks_units.cpp).
Result checkUnitInfo(Session& session);
Result checkProgramLists(Session& session);
Result checkMidiMapping(Session& session);

// Life cycle and connection (checks_lifecycle.cpp).
Result checkSuspendResume(Session& session);
Result checkInitializeTerminate(Session& session);
Result checkConnection(Session& session);

// Processing (checks_processing.cpp).
Result checkProcessFormats(Session& session);
Result checkSampleSizes(Session& session);
Result checkBlockSizes(Session& session);
Result checkSilenceFlags(Session& session);
Result checkZeroFrameFlush(Session& session);
Result checkAutomationOffsets(Session& session);
Result checkOtherThread(Session& session);

// State (checks_state.cpp).
Result checkStateRoundTrip(Session& session);
Result checkInvalidState(Session& session);
Result checkGarbageState(Session& session);

// Stress, at higher strictness (checks_stress.cpp).
Result checkRandomBlocksAndRates(Session& session);
Result checkParameterFuzzing(Session& session);
Result checkManyInstances(Session& session);

}  // namespace talvo::validate
