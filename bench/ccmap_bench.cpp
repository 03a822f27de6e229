// Costs of the CC library's audio-thread paths: one control change through
// the resolver in each kind of mode, one feed record, one store reader cycle;
// and the main thread's drain and publish for comparison.
#include <benchmark/benchmark.h>

#include "ccmap/cc_feed.h"
#include "ccmap/cc_resolve.h"
#include "ccmap/cc_store.h"

namespace {

using namespace talvo;

CcMap mapWith(std::uint8_t mode, std::uint8_t takeover, std::uint8_t curve) {
  CcMap map;
  map.count = 1;
  map.bindings[0].param = kParamRate;
  map.bindings[0].cc = 7;
  map.bindings[0].valueMode = mode;
  map.bindings[0].takeover = takeover;
  map.bindings[0].curve = curve;
  return map;
}

double readParam(void* context, unsigned) {
  return *static_cast<double*>(context);
}

void resolveLoop(benchmark::State& st, const CcMap& map) {
  CcRouterState state;
  CcResolution out[4];
  double current = 0.5;
  int v = 0;
  for (auto _ : st) {
    v = (v + 37) & 127;
    const unsigned n = ccResolve(map, 7, 1, v, &state, &readParam, &current, out, 4);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(out[0].value);
  }
}

void BM_ResolveJump(benchmark::State& st) {
  resolveLoop(st, mapWith(kCcValueAbsolute, kCcTakeoverJump, kCcCurveSCurve));
}
void BM_ResolveScaled(benchmark::State& st) {
  resolveLoop(st, mapWith(kCcValueAbsolute, kCcTakeoverScaled, kCcCurveSCurve));
}
void BM_ResolveRelative(benchmark::State& st) {
  resolveLoop(st, mapWith(kCcValueRelativeTwosComplement, kCcTakeoverJump, kCcCurveLog));
}
void BM_ResolveFullMapNoMatch(benchmark::State& st) {
  CcMap map;
  map.count = kCcMapCapacity;
  for (auto& b : map.bindings)
    b.cc = 1;
  resolveLoop(st, map);
}
BENCHMARK(BM_ResolveJump);
BENCHMARK(BM_ResolveScaled);
BENCHMARK(BM_ResolveRelative);
BENCHMARK(BM_ResolveFullMapNoMatch);

void BM_FeedRecord(benchmark::State& st) {
  CcActivityFeed feed;
  int i = 0;
  for (auto _ : st) {
    feed.record(i & 127, 1, i);
    ++i;
  }
}
BENCHMARK(BM_FeedRecord);

void BM_FeedDrainAllControllers(benchmark::State& st) {
  CcActivityFeed feed;
  CcActivityRecord out[128];
  std::int64_t now = 0;
  for (auto _ : st) {
    st.PauseTiming();
    for (int cc = 0; cc < 128; ++cc)
      feed.record(cc, 1, cc);
    now += 40;
    st.ResumeTiming();
    benchmark::DoNotOptimize(feed.drain(now, out, 128));
  }
}
BENCHMARK(BM_FeedDrainAllControllers);

void BM_StoreReaderCycle(benchmark::State& st) {
  CcMapStore store;
  (void)store.publish(mapWith(kCcValueAbsolute, kCcTakeoverJump, kCcCurveLinear));
  for (auto _ : st) {
    const CcMap* map = store.acquire();
    benchmark::DoNotOptimize(map->count);
    store.advanceEpoch();
  }
}
BENCHMARK(BM_StoreReaderCycle);

void BM_StorePublish(benchmark::State& st) {
  CcMapStore store;
  const CcMap map = mapWith(kCcValueAbsolute, kCcTakeoverJump, kCcCurveLinear);
  for (auto _ : st) {
    benchmark::DoNotOptimize(store.publish(map));
    store.advanceEpoch();  // a reader keeping pace, so retired snapshots are freed
  }
}
BENCHMARK(BM_StorePublish);

}  // namespace
