#include "ccmap/cc_exports.h"

#include <cstring>
#include <new>
#include <string>

#include "ccmap/cc_feed.h"
#include "ccmap/cc_map.h"
#include "ccmap/cc_resolve.h"
#include "ccmap/cc_store.h"

// A talvo_cc_map handle is a CcMap pointer under another name, so a store's
// snapshot can be handed out without copying; the other handles wrap objects.
struct talvo_cc_router {
  talvo::CcRouterState state;
};
struct talvo_cc_map_store {
  talvo::CcMapStore store;
};
struct talvo_cc_feed {
  talvo::CcActivityFeed feed;
};

static_assert(sizeof(talvo_cc_resolution) == 16 && offsetof(talvo_cc_resolution, value) == 8);
static_assert(sizeof(talvo_cc_activity) == 3);

namespace {

const talvo::CcMap* asMap(const talvo_cc_map* map) {
  return reinterpret_cast<const talvo::CcMap*>(map);
}

const talvo_cc_map* asHandle(const talvo::CcMap* map) {
  return reinterpret_cast<const talvo_cc_map*>(map);
}

size_t copyOut(const std::string& text, char* buffer, size_t capacity) {
  if (buffer && capacity > 0) {
    const size_t n = text.size() < capacity ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return text.size();
}

// Writes a text and copies it out. No exception may reach a C caller: when
// memory runs out the answer is an empty text.
template <typename Writer>
size_t writeOut(const Writer& write, char* buffer, size_t capacity) {
  try {
    std::string text;
    write(text);
    return copyOut(text, buffer, capacity);
  } catch (...) {
    return copyOut(std::string(), buffer, capacity);
  }
}

}  // namespace

extern "C" {

uint32_t talvoCcAbiVersion(void) {
  return 1;
}

talvo_cc_map* talvoCcMapCreate(const char* json, size_t length) {
  auto* map = new (std::nothrow) talvo::CcMap();
  if (!map) return nullptr;
  if (json && !talvo::parseCcMapJson(json, length, *map)) {
    delete map;
    return nullptr;
  }
  return reinterpret_cast<talvo_cc_map*>(map);
}

void talvoCcMapDestroy(talvo_cc_map* map) {
  delete reinterpret_cast<talvo::CcMap*>(map);
}

uint32_t talvoCcMapCount(const talvo_cc_map* map) {
  return map ? asMap(map)->count : 0;
}

size_t talvoCcMapWriteJson(const talvo_cc_map* map, char* buffer, size_t capacity) {
  if (!map) return 0;
  return writeOut([map](std::string& text) { talvo::writeCcMapJson(text, *asMap(map)); }, buffer, capacity);
}

int talvoCcApplyNormalized(const talvo_cc_map* map, uint32_t slot, int raw, double* out) {
  if (!map || !out || slot >= asMap(map)->count || slot >= talvo::kCcMapCapacity) return 0;
  const talvo::CcBinding& binding = asMap(map)->bindings[slot];
  const talvo_param_desc* desc = talvo::paramById(binding.param);
  if (!desc) return 0;
  *out = talvo::ccApplyNormalized(binding, *desc, raw);
  return 1;
}

talvo_cc_router* talvoCcRouterCreate(void) {
  return new (std::nothrow) talvo_cc_router();
}

void talvoCcRouterDestroy(talvo_cc_router* router) {
  delete router;
}

void talvoCcRouterReset(talvo_cc_router* router, const talvo_cc_map* map) {
  if (router) router->state.reset(asMap(map));
}

uint32_t talvoCcResolve(const talvo_cc_map* map, int cc, int channel, int value, talvo_cc_router* router,
                        talvo_cc_read_param read_param, void* context, talvo_cc_resolution* out,
                        uint32_t max_out) {
  if (!map || !out || max_out == 0) return 0;
  // Outputs never exceed the bindings in use, so one map's worth on the stack
  // holds every answer.
  talvo::CcResolution results[talvo::kCcMapCapacity];
  const unsigned limit = max_out < talvo::kCcMapCapacity ? max_out : talvo::kCcMapCapacity;
  const unsigned n = talvo::ccResolve(*asMap(map), cc, channel, value, router ? &router->state : nullptr,
                                      read_param, context, results, limit);
  for (unsigned i = 0; i < n; ++i)
    out[i] = talvo_cc_resolution{results[i].param, 0, results[i].value};
  return n;
}

talvo_cc_map_store* talvoCcMapStoreCreate(void) {
  return new (std::nothrow) talvo_cc_map_store();
}

void talvoCcMapStoreDestroy(talvo_cc_map_store* store) {
  delete store;
}

int talvoCcMapStorePublish(talvo_cc_map_store* store, const talvo_cc_map* map) {
  return store && map && store->store.publish(*asMap(map)) ? 1 : 0;
}

void talvoCcMapStoreCollect(talvo_cc_map_store* store) {
  if (store) store->store.collect();
}

const talvo_cc_map* talvoCcMapStoreAcquire(talvo_cc_map_store* store) {
  return store ? asHandle(store->store.acquire()) : nullptr;
}

void talvoCcMapStoreAdvanceEpoch(talvo_cc_map_store* store) {
  if (store) store->store.advanceEpoch();
}

int talvoCcMapStoreTakeChanged(talvo_cc_map_store* store) {
  return store && store->store.takeChanged() ? 1 : 0;
}

talvo_cc_feed* talvoCcFeedCreate(void) {
  return new (std::nothrow) talvo_cc_feed();
}

void talvoCcFeedDestroy(talvo_cc_feed* feed) {
  delete feed;
}

void talvoCcFeedRecord(talvo_cc_feed* feed, int cc, int channel, int value) {
  if (feed) feed->feed.record(cc, channel, value);
}

uint32_t talvoCcFeedDrain(talvo_cc_feed* feed, int64_t now_ms, talvo_cc_activity* out, uint32_t max_out) {
  if (!feed || !out || max_out == 0) return 0;
  // One record per controller number at most, so 128 on the stack hold any drain.
  talvo::CcActivityRecord records[talvo::CcActivityFeed::kControllers];
  const unsigned limit =
      max_out < talvo::CcActivityFeed::kControllers ? max_out : talvo::CcActivityFeed::kControllers;
  const unsigned n = feed->feed.drain(now_ms, records, limit);
  for (unsigned i = 0; i < n; ++i)
    out[i] = talvo_cc_activity{records[i].cc, records[i].channel, records[i].value};
  return n;
}

int64_t talvoCcFeedNowMs(void) {
  return talvo::CcActivityFeed::nowMs();
}

size_t talvoCcWriteMidiCcJson(const talvo_cc_activity* record, char* buffer, size_t capacity) {
  if (!record) return 0;
  const talvo::CcActivityRecord copy{record->cc, record->channel, record->value};
  return writeOut([&copy](std::string& text) { talvo::writeMidiCcJson(text, copy); }, buffer, capacity);
}

}  // extern "C"
