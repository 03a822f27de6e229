#pragma once
/* C entry points of the CC library, exported from the plug-in binary for a
 * host or a page runtime that drives the resolver, the map store and the
 * activity feed itself. Handles are opaque; records are fixed-width; text goes
 * into caller-owned buffers. Every function accepts null handles and answers
 * 0 (or does nothing). Threads: maps, routers, stores and feeds are created,
 * destroyed and written as JSON on the main thread; talvoCcResolve, the store's
 * reader functions and talvoCcFeedRecord are for the audio thread and neither
 * allocate nor lock. */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct talvo_cc_map talvo_cc_map;
typedef struct talvo_cc_router talvo_cc_router;
typedef struct talvo_cc_map_store talvo_cc_map_store;
typedef struct talvo_cc_feed talvo_cc_feed;

/* One resolver output: a parameter index and its new normalized value. */
typedef struct talvo_cc_resolution {
  uint32_t param;
  uint32_t reserved; /* always 0 */
  double value;
} talvo_cc_resolution;

/* One observed controller change. */
typedef struct talvo_cc_activity {
  uint8_t cc;
  uint8_t channel;
  uint8_t value;
} talvo_cc_activity;

typedef double (*talvo_cc_read_param)(void* context, unsigned param);

/* Version of this interface; changes whenever a signature or record does. */
uint32_t talvoCcAbiVersion(void);

/* Maps (main thread). Create returns null for text that is not a CC map or
 * when memory ran out; a null text gives an empty map. */
talvo_cc_map* talvoCcMapCreate(const char* json, size_t length);
void talvoCcMapDestroy(talvo_cc_map* map);
uint32_t talvoCcMapCount(const talvo_cc_map* map);
/* Writes the map's JSON and a NUL when it fits; returns the JSON's length, so a
 * result >= capacity means the buffer was too small (like snprintf). */
size_t talvoCcMapWriteJson(const talvo_cc_map* map, char* buffer, size_t capacity);
/* The normalized value the binding in `slot` assigns to `raw`; 0 when the
 * slot is not in use or names no parameter. */
int talvoCcApplyNormalized(const talvo_cc_map* map, uint32_t slot, int raw, double* out);

/* Resolver state (create and destroy on the main thread). */
talvo_cc_router* talvoCcRouterCreate(void);
void talvoCcRouterDestroy(talvo_cc_router* router);
void talvoCcRouterReset(talvo_cc_router* router, const talvo_cc_map* map);
/* One control change; `router` and `read_param` may be null. Returns the
 * number of outputs written. */
uint32_t talvoCcResolve(const talvo_cc_map* map, int cc, int channel, int value, talvo_cc_router* router,
                        talvo_cc_read_param read_param, void* context, talvo_cc_resolution* out,
                        uint32_t max_out);

/* Map store: one writer (publish, collect, destroy), one reader (acquire at
 * the start of a cycle, advance the epoch at its end). Publish copies the map
 * and returns 0 only when memory ran out. Acquired maps stay valid until the
 * reader's next talvoCcMapStoreAdvanceEpoch. */
talvo_cc_map_store* talvoCcMapStoreCreate(void);
void talvoCcMapStoreDestroy(talvo_cc_map_store* store);
int talvoCcMapStorePublish(talvo_cc_map_store* store, const talvo_cc_map* map);
void talvoCcMapStoreCollect(talvo_cc_map_store* store);
const talvo_cc_map* talvoCcMapStoreAcquire(talvo_cc_map_store* store);
void talvoCcMapStoreAdvanceEpoch(talvo_cc_map_store* store);
int talvoCcMapStoreTakeChanged(talvo_cc_map_store* store);

/* Activity feed: record on the audio thread, drain on the main thread. */
talvo_cc_feed* talvoCcFeedCreate(void);
void talvoCcFeedDestroy(talvo_cc_feed* feed);
void talvoCcFeedRecord(talvo_cc_feed* feed, int cc, int channel, int value);
uint32_t talvoCcFeedDrain(talvo_cc_feed* feed, int64_t now_ms, talvo_cc_activity* out, uint32_t max_out);
int64_t talvoCcFeedNowMs(void);
/* The page message for one record, written like talvoCcMapWriteJson. */
size_t talvoCcWriteMidiCcJson(const talvo_cc_activity* record, char* buffer, size_t capacity);

#ifdef __cplusplus
}
#endif
