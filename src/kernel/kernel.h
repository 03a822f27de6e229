#pragma once
// Flat entry points of the modulation-delay kernel. Plain C so the engine (or
// any other caller) can bind to them without C++ types crossing the boundary.
//
// Each caller owns one library state (`talvo_kernel_library`) and passes it to
// every entry point. Within one state: at most TALVO_KERNEL_MAX_INSTANCES live
// instances, numeric handles with generations, per-instance 128-sample input and
// output areas and a per-block event queue. Two states share nothing, so
// engines on different audio threads never race and never exhaust each other's
// instance slots.
//
// Thread rule: one library state is used by one thread at a time (the engine
// calls it from the main thread during setup and from the audio thread while
// rendering, never both at once). Different states may be used concurrently.
//
// Results are doubles holding small integers, as the engine expects.
//
// Traps: an internal failure (range error, out of memory, internal error,
// uncaught exception, re-entry from the panic sink) poisons the library state,
// builds a trap message and hands it to the panic sink. The process keeps
// running: every later entry into that state fails with its failure result
// (0 from `create` and `abi_version`, 1 from `push_event`, `process`, `reset`
// and `destroy`, the empty view from the view getters) until the state is
// destroyed. `runtime_init` does not revive a poisoned state; create a new one.
//
// Trap message bytes: the trap text with every byte 1 and byte 31 replaced by a
// space, then byte 31, the trap code ("RV4013"...), byte 31 and the full entry
// name (for example "talvo_kernel_process"), cut to at most
// TALVO_KERNEL_TRAP_MESSAGE_MAX bytes. A text whose first byte is 1 is passed on
// unchanged (cut to the same limit).
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  TALVO_KERNEL_ABI_VERSION = 2,
  TALVO_KERNEL_MAX_INSTANCES = 32,
  TALVO_KERNEL_MAX_FRAMES = 128,
  TALVO_KERNEL_IN_CHANNELS = 1,
  TALVO_KERNEL_OUT_CHANNELS = 1,
  TALVO_KERNEL_MAX_EVENTS = 64,
  TALVO_KERNEL_PARAMETER_COUNT = 3,
  TALVO_KERNEL_EVENT_PARAMETER = 1,
  TALVO_KERNEL_SAMPLE_RATE = 48000,
};

/// Parameter slots of `push_event` (same numbering as the plug-in's parameters).
enum {
  TALVO_KERNEL_PARAM_RATE = 0,   // Hz, 0.1 to 20, default 5
  TALVO_KERNEL_PARAM_DEPTH = 1,  // 0 to 1, default 0.1
  TALVO_KERNEL_PARAM_WET = 2,    // 0 to 1, default 1
};

/// Result codes (returned as doubles). 0 is success for every operation.
enum {
  TALVO_KERNEL_OK = 0,
  /// push_event: invalid handle, or frame >= the instance's maximum block.
  TALVO_KERNEL_PUSH_INVALID = 1,
  /// push_event: kind != TALVO_KERNEL_EVENT_PARAMETER, or parameter >= count.
  TALVO_KERNEL_PUSH_BAD_EVENT = 2,
  /// push_event: value not finite, or the queue already holds MAX_EVENTS.
  TALVO_KERNEL_PUSH_REFUSED = 3,
  /// push_event: frame lower than the frame of the last queued event.
  TALVO_KERNEL_PUSH_OUT_OF_ORDER = 4,
  /// process: invalid handle, or frames > the instance's maximum block.
  TALVO_KERNEL_PROCESS_INVALID = 1,
  /// process: the kernel refused a sub-block or a parameter; queue kept.
  TALVO_KERNEL_PROCESS_REFUSED = 2,
  /// reset: invalid handle.
  TALVO_KERNEL_RESET_INVALID = 1,
  /// reset: a default parameter value was refused.
  TALVO_KERNEL_RESET_REFUSED = 2,
  /// destroy: invalid handle.
  TALVO_KERNEL_DESTROY_INVALID = 1,
};

/// Trap message layout.
enum {
  TALVO_KERNEL_TRAP_MESSAGE_MAX = 2047,
  TALVO_KERNEL_TRAP_SEPARATOR = 31,
};

/// One queued parameter change: applied at `frame` of the next process call.
typedef struct talvo_kernel_event {
  uint32_t frame;
  uint32_t parameter;
  float value;  // rounded to single precision when queued
} talvo_kernel_event;

/// Opaque library state: instance table, audio areas, event queues, trap state.
typedef struct talvo_kernel_library talvo_kernel_library;

/// Receives the trap message (not NUL-terminated; `length` bytes) and the
/// address of the entry point that was running. Runs on the calling thread,
/// so on the audio thread when a render call traps: it must not block.
typedef void (*talvo_kernel_panic_sink)(void* context, const char* message, size_t length,
                                        const void* code_address);

// ---- Library state lifetime (setup thread; allocate) ----

/// A new, uninitialised library state, or null when memory is short.
/// Call `talvo_kernel_set_panic_sink` and `talvo_kernel_runtime_init` next.
talvo_kernel_library* talvo_kernel_library_create(void);
/// Drops the state and every instance in it. Null is ignored.
void talvo_kernel_library_destroy(talvo_kernel_library* library);
/// Nonzero once a trap has poisoned the state (or for a null state).
int talvo_kernel_poisoned(const talvo_kernel_library* library);
/// The message of the last trap (empty before any): points into the state and
/// stays valid until the state is destroyed.
void talvo_kernel_last_trap(const talvo_kernel_library* library, const char** message, size_t* length);

// ---- Entry points (setup thread) ----

/// Installs the trap sink; null removes it. Ignored while the sink runs.
void talvo_kernel_set_panic_sink(talvo_kernel_library* library, talvo_kernel_panic_sink sink, void* context);
/// (Re)initialises the state: drops every instance and clears every table.
/// Audio areas keep their addresses for the life of the state.
void talvo_kernel_runtime_init(talvo_kernel_library* library);
/// TALVO_KERNEL_ABI_VERSION, or 0 when the state is poisoned or uninitialised.
double talvo_kernel_abi_version(talvo_kernel_library* library);
/// A new instance's handle (never 0), or 0 when refused: only 48000 Hz with a
/// maximum block of exactly 128 frames, one input and one output channel.
double talvo_kernel_create(talvo_kernel_library* library, uint32_t maximum_frames, uint32_t input_channels,
                           uint32_t output_channels, double sample_rate);
/// Address and length (128) of the instance's input area; null and 0 for an
/// invalid handle. The caller writes input samples there before `process`.
void talvo_kernel_input_view(talvo_kernel_library* library, uint32_t handle, float** data, size_t* length);
/// Address and length of the instance's output area, as `input_view`.
void talvo_kernel_output_view(talvo_kernel_library* library, uint32_t handle, float** data, size_t* length);
/// Frees the instance's slot; its handle is invalid at once.
double talvo_kernel_destroy(talvo_kernel_library* library, uint32_t handle);
/// Releases temporaries; nothing is kept between calls, so it only validates.
void talvo_kernel_collect(talvo_kernel_library* library);
/// Nonzero: every instance renders with the scalar reference loop (one
/// library sine per sample) instead of the vector loop, which matches it up to
/// the last bits of the sine. For comparisons in tests and benchmarks.
void talvo_kernel_use_reference_loop(talvo_kernel_library* library, int on);

// ---- Entry points (audio thread; no allocation, no lock, no system call) ----

/// Queues one parameter change for the next `process` (result codes above).
/// Frames must not decrease; equal frames keep their order.
double talvo_kernel_push_event(talvo_kernel_library* library, uint32_t handle, uint32_t kind, uint32_t frame,
                               uint32_t parameter, double value);
/// Renders frames 0..frames-1 of the input area into the output area, applying
/// queued events at their frames. Events at or after `frames` are discarded.
double talvo_kernel_process(talvo_kernel_library* library, uint32_t handle, uint32_t frames);
/// Clears signal memory, restores default parameters, empties the queue and
/// zeroes both audio areas.
double talvo_kernel_reset(talvo_kernel_library* library, uint32_t handle);

#ifdef __cplusplus
}  // extern "C"
#endif
