// Audio-thread costs of the diagnostic hand-offs, and the main-thread cost of
// a full health report.
#include <benchmark/benchmark.h>

#include "diagnostics/realtime_diagnostic_queue.h"
#include "diagnostics/runtime_health_json.h"
#include "diagnostics/transport_ring.h"

namespace {

// 32 entries fill the queue; the drain that empties it again runs on the
// main thread in practice and is shown separately below.
void BM_RealtimePush32(benchmark::State& state) {
  talvo::RealtimeDiagnosticQueue queue;
  talvo_runtime_diagnostic_ring ring;
  for (auto _ : state) {
    for (int i = 0; i < 32; ++i)
      queue.push(TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
    state.PauseTiming();
    ring.count = 0;
    queue.drainInto(ring);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 32);
}
BENCHMARK(BM_RealtimePush32);

void BM_Drain32(benchmark::State& state) {
  talvo::RealtimeDiagnosticQueue queue;
  talvo_runtime_diagnostic_ring ring;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 32; ++i)
      queue.push(TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
    ring.count = 0;
    state.ResumeTiming();
    queue.drainInto(ring);
  }
}
BENCHMARK(BM_Drain32);

void BM_RealtimePushWhenFull(benchmark::State& state) {
  talvo::RealtimeDiagnosticQueue queue;
  for (int i = 0; i < 32; ++i)
    queue.push(TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
  for (auto _ : state)
    queue.push(TALVO_DIAG_PROCESS_FAILED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS);
}
BENCHMARK(BM_RealtimePushWhenFull);

void BM_TransportPush(benchmark::State& state) {
  talvo::DiagnosticTransportRing ring;
  talvo::TransportFact fact;
  for (auto _ : state) {
    ++fact.atFrame;
    ring.push(fact);
  }
}
BENCHMARK(BM_TransportPush);

void BM_HealthDocumentOf32Records(benchmark::State& state) {
  talvo_runtime_diagnostic_ring ring;
  for (int i = 0; i < 32; ++i) {
    talvo::recordRuntimeDiagnostic(ring, TALVO_DIAG_EVENT_REJECTED, TALVO_SEVERITY_ERROR, TALVO_PHASE_PROCESS,
                                   "kernel refused a note event", "audio callback");
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        talvo::writeRuntimeHealthJson(ring, "music.talvo.oriel", "0.1.0", 48000, 128, false));
  }
}
BENCHMARK(BM_HealthDocumentOf32Records);

}  // namespace
