// The exported C entry points: each one runs its body through the library
// state's entry guard, so a poisoned or re-entered state never runs kernel code
// and no exception leaves through the C boundary.
#include <cstdint>
#include <new>

#include "kernel/kernel.h"
#include "kernel/library.h"

struct talvo_kernel_library {
  talvo::kernel::KernelLibrary impl;
};

using talvo::kernel::KernelLibrary;

namespace {

// The entry's own address travels to the sink as the trap's code address.
template <class Fn>
const void* addressOf(Fn* fn) {
  return reinterpret_cast<const void*>(fn);
}

// Both view getters: the empty view unless the entry runs and the handle is live.
void viewEntry(talvo_kernel_library* library, uint32_t handle, bool output, float** data, size_t* length,
               const char* entryName, const void* entryAddress) {
  if (data != nullptr) *data = nullptr;
  if (length != nullptr) *length = 0;
  if (library == nullptr) return;
  KernelLibrary& lib = library->impl;
  lib.guarded(entryName, entryAddress, 0, [&] {
    lib.view(handle, output, data, length);
    return 0;
  });
}

}  // namespace

extern "C" {

talvo_kernel_library* talvo_kernel_library_create(void) {
  return new (std::nothrow) talvo_kernel_library();
}

void talvo_kernel_library_destroy(talvo_kernel_library* library) {
  delete library;
}

int talvo_kernel_poisoned(const talvo_kernel_library* library) {
  return library == nullptr || library->impl.poisoned() ? 1 : 0;
}

void talvo_kernel_last_trap(const talvo_kernel_library* library, const char** message, size_t* length) {
  if (message != nullptr) *message = library != nullptr ? library->impl.lastTrap() : "";
  if (length != nullptr) *length = library != nullptr ? library->impl.lastTrapLength() : 0;
}

void talvo_kernel_set_panic_sink(talvo_kernel_library* library, talvo_kernel_panic_sink sink, void* context) {
  if (library != nullptr) library->impl.setPanicSink(sink, context);
}

void talvo_kernel_runtime_init(talvo_kernel_library* library) {
  if (library == nullptr) return;
  KernelLibrary& lib = library->impl;
  lib.guarded(
      "talvo_kernel_runtime_init", addressOf(&talvo_kernel_runtime_init), 0,
      [&] {
        lib.runtimeInit();
        return 0;
      },
      false);
}

double talvo_kernel_abi_version(talvo_kernel_library* library) {
  if (library == nullptr) return 0.0;
  return library->impl.guarded("talvo_kernel_abi_version", addressOf(&talvo_kernel_abi_version), 0.0,
                               [] { return static_cast<double>(TALVO_KERNEL_ABI_VERSION); });
}

double talvo_kernel_create(talvo_kernel_library* library, uint32_t maximum_frames, uint32_t input_channels,
                           uint32_t output_channels, double sample_rate) {
  if (library == nullptr) return 0.0;
  KernelLibrary& lib = library->impl;
  return lib.guarded("talvo_kernel_create", addressOf(&talvo_kernel_create), 0.0, [&] {
    return static_cast<double>(lib.create(maximum_frames, input_channels, output_channels, sample_rate));
  });
}

void talvo_kernel_input_view(talvo_kernel_library* library, uint32_t handle, float** data, size_t* length) {
  viewEntry(library, handle, false, data, length, "talvo_kernel_input_view",
            addressOf(&talvo_kernel_input_view));
}

void talvo_kernel_output_view(talvo_kernel_library* library, uint32_t handle, float** data, size_t* length) {
  viewEntry(library, handle, true, data, length, "talvo_kernel_output_view",
            addressOf(&talvo_kernel_output_view));
}

double talvo_kernel_destroy(talvo_kernel_library* library, uint32_t handle) {
  if (library == nullptr) return TALVO_KERNEL_DESTROY_INVALID;
  KernelLibrary& lib = library->impl;
  return lib.guarded("talvo_kernel_destroy", addressOf(&talvo_kernel_destroy),
                     static_cast<double>(TALVO_KERNEL_DESTROY_INVALID),
                     [&] { return static_cast<double>(lib.destroy(handle)); });
}

void talvo_kernel_collect(talvo_kernel_library* library) {
  if (library == nullptr) return;
  // Nothing is handed out between calls, so there is nothing to release.
  library->impl.guarded("talvo_kernel_collect", addressOf(&talvo_kernel_collect), 0, [] { return 0; });
}

void talvo_kernel_use_reference_loop(talvo_kernel_library* library, int on) {
  if (library != nullptr) library->impl.useReferenceLoop(on != 0);
}

double talvo_kernel_push_event(talvo_kernel_library* library, uint32_t handle, uint32_t kind, uint32_t frame,
                               uint32_t parameter, double value) {
  if (library == nullptr) return TALVO_KERNEL_PUSH_INVALID;
  KernelLibrary& lib = library->impl;
  return lib.guarded("talvo_kernel_push_event", addressOf(&talvo_kernel_push_event),
                     static_cast<double>(TALVO_KERNEL_PUSH_INVALID), [&] {
                       return static_cast<double>(lib.pushEvent(handle, kind, frame, parameter, value));
                     });
}

double talvo_kernel_process(talvo_kernel_library* library, uint32_t handle, uint32_t frames) {
  if (library == nullptr) return TALVO_KERNEL_PROCESS_INVALID;
  KernelLibrary& lib = library->impl;
  return lib.guarded("talvo_kernel_process", addressOf(&talvo_kernel_process),
                     static_cast<double>(TALVO_KERNEL_PROCESS_INVALID),
                     [&] { return static_cast<double>(lib.process(handle, frames)); });
}

double talvo_kernel_reset(talvo_kernel_library* library, uint32_t handle) {
  if (library == nullptr) return TALVO_KERNEL_RESET_INVALID;
  KernelLibrary& lib = library->impl;
  return lib.guarded("talvo_kernel_reset", addressOf(&talvo_kernel_reset),
                     static_cast<double>(TALVO_KERNEL_RESET_INVALID),
                     [&] { return static_cast<double>(lib.reset(handle)); });
}

}  // extern "C"

namespace talvo::kernel {

KernelLibrary* libraryInternals(talvo_kernel_library* library) {
  return library != nullptr ? &library->impl : nullptr;
}

}  // namespace talvo::kernel
