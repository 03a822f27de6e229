#include "kernel/library.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "kernel/effect_vector.h"

namespace talvo::kernel {
namespace {

// Queued values are stored in single precision; a finite value beyond the
// float range would otherwise become infinite there and then be ignored by
// the kernel although the push reported success. Saturate instead, so the
// kernel's own clamp applies.
float toQueuedValue(double value) {
  if (value > static_cast<double>(FLT_MAX)) return FLT_MAX;
  if (value < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
  return static_cast<float>(value);
}

}  // namespace

bool KernelLibrary::enter(const char* entryName, const void* entryAddress, bool needsInit) noexcept {
  currentEntry_ = entryName;
  currentAddress_ = entryAddress;
  if (inSink_) {
    char text[128] = {};
    std::size_t used = appendCut(text, sizeof text, 0, "rivet: library entry '");
    used = appendCut(text, sizeof text, used, entryName);
    used = appendCut(text, sizeof text, used, "' invoked from a host callback\n");
    trap(text, used);
    return false;
  }
  if (poisoned_) return false;
  return initialised_ || !needsInit;
}

void KernelLibrary::trap(const char* text) noexcept {
  trap(text, std::strlen(text));
}

void KernelLibrary::trap(const char* text, std::size_t length) noexcept {
  poisoned_ = true;
  const int slot = inSink_ ? 1 : 0;
  messageLengths_[slot] = formatTrapMessage(text, length, currentEntry_, messages_[slot]);
  lastMessage_ = slot;
  if (inSink_ || sink_ == nullptr) return;
  inSink_ = true;
  sink_(sinkContext_, messages_[slot], messageLengths_[slot], currentAddress_);
  inSink_ = false;
}

void KernelLibrary::setPanicSink(talvo_kernel_panic_sink sink, void* context) noexcept {
  if (inSink_) return;
  sink_ = sink;
  sinkContext_ = context;
}

void KernelLibrary::runtimeInit() {
  active_.fill(false);
  generations_.fill(0);
  maximumBlockSizes_.fill(0);
  eventCounts_.fill(0);
  events_.fill(talvo_kernel_event{});
  for (KernelState& state : states_)
    state = KernelState{};
  input_.fill(0.0f);
  output_.fill(0.0f);
  // The vector loop's instruction set is chosen on its first call; make that
  // happen here rather than on the audio thread.
  (void)vectorTargetName();
  initialised_ = true;
}

int KernelLibrary::slotFor(std::uint32_t handle) const noexcept {
  if (handle == 0) return -1;
  const std::uint32_t slot = (handle - 1) % MAX_INSTANCES;
  const std::uint32_t generation = (handle - 1) / MAX_INSTANCES + 1;
  if (!active_[slot] || generations_[slot] != generation) return -1;
  return static_cast<int>(slot);
}

KernelState* KernelLibrary::stateFor(std::uint32_t handle) noexcept {
  const int slot = slotFor(handle);
  return slot < 0 ? nullptr : &states_[static_cast<std::size_t>(slot)];
}

void KernelLibrary::setGeneration(std::uint32_t slot, std::uint32_t generation) noexcept {
  if (slot < MAX_INSTANCES) generations_[slot] = generation;
}

KernelBlock KernelLibrary::blockFor(std::uint32_t slot, double offset, double frames) noexcept {
  KernelBlock block;
  block.capacity = MAX_FRAMES;
  block.frames = frames;
  block.offset = offset;
  block.input = &input_[slot * MAX_FRAMES];
  block.inputLength = MAX_FRAMES;
  block.inputChannels = 1.0;
  block.output = &output_[slot * MAX_FRAMES];
  block.outputLength = MAX_FRAMES;
  block.outputChannels = 1.0;
  return block;
}

bool KernelLibrary::render(KernelState& state, const KernelBlock& block) const noexcept {
  return referenceLoop_ ? kernel::processReference(state, block) : kernel::process(state, block);
}

void KernelLibrary::clearAreas(std::uint32_t slot) noexcept {
  std::memset(&input_[slot * MAX_FRAMES], 0, MAX_FRAMES * sizeof(float));
  std::memset(&output_[slot * MAX_FRAMES], 0, MAX_FRAMES * sizeof(float));
}

std::uint32_t KernelLibrary::create(std::uint32_t maximumFrames, std::uint32_t inputChannels,
                                    std::uint32_t outputChannels, double sampleRate) {
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || maximumFrames == 0 || maximumFrames > MAX_FRAMES ||
      inputChannels != TALVO_KERNEL_IN_CHANNELS || outputChannels != TALVO_KERNEL_OUT_CHANNELS)
    return 0;
  std::uint32_t slot = 0;
  while (slot < MAX_INSTANCES && active_[slot])
    ++slot;
  if (slot == MAX_INSTANCES) return 0;

  std::uint32_t& generation = generations_[slot];
  generation = generation + 1 >= kGenerationLimit ? 1 : generation + 1;

  KernelState state = createState();
  PrepareConfig config;
  config.inputChannels = 1.0;
  config.maximumBlockSize = maximumFrames;
  config.outputChannels = 1.0;
  config.sampleRate = static_cast<double>(static_cast<float>(sampleRate));
  if (!prepare(state, config)) return 0;

  states_[slot] = std::move(state);
  maximumBlockSizes_[slot] = maximumFrames;
  eventCounts_[slot] = 0;
  KernelState& live = states_[slot];
  if (!applyParameter(live, 0, kDefaultRateHz) || !applyParameter(live, 1, kDefaultDepth) ||
      !applyParameter(live, 2, kDefaultWet)) {
    maximumBlockSizes_[slot] = 0;
    return 0;
  }
  active_[slot] = true;
  clearAreas(slot);
  return slot + MAX_INSTANCES * (generation - 1) + 1;
}

std::uint32_t KernelLibrary::destroy(std::uint32_t handle) noexcept {
  const int slot = slotFor(handle);
  if (slot < 0) return TALVO_KERNEL_DESTROY_INVALID;
  active_[slot] = false;
  maximumBlockSizes_[slot] = 0;
  eventCounts_[slot] = 0;
  return TALVO_KERNEL_OK;
}

void KernelLibrary::view(std::uint32_t handle, bool output, float** data, std::size_t* length) noexcept {
  const int slot = slotFor(handle);
  float* area = nullptr;
  if (slot >= 0) area = &(output ? output_ : input_)[static_cast<std::size_t>(slot) * MAX_FRAMES];
  if (data != nullptr) *data = area;
  if (length != nullptr) *length = area != nullptr ? MAX_FRAMES : 0;
}

std::uint32_t KernelLibrary::pushEvent(std::uint32_t handle, std::uint32_t kind, std::uint32_t frame,
                                       std::uint32_t parameter, double value) noexcept {
  const int found = slotFor(handle);
  if (found < 0) return TALVO_KERNEL_PUSH_INVALID;
  const auto slot = static_cast<std::uint32_t>(found);
  if (frame >= maximumBlockSizes_[slot]) return TALVO_KERNEL_PUSH_INVALID;
  if (kind != EVENT_PARAMETER || parameter >= PARAMETER_COUNT) return TALVO_KERNEL_PUSH_BAD_EVENT;
  const std::uint32_t count = eventCounts_[slot];
  if (!std::isfinite(value) || count >= MAX_EVENTS) return TALVO_KERNEL_PUSH_REFUSED;
  talvo_kernel_event* queue = &events_[slot * MAX_EVENTS];
  if (count > 0 && frame < queue[count - 1].frame) return TALVO_KERNEL_PUSH_OUT_OF_ORDER;
  queue[count] = talvo_kernel_event{frame, parameter, toQueuedValue(value)};
  eventCounts_[slot] = count + 1;
  return TALVO_KERNEL_OK;
}

std::uint32_t KernelLibrary::process(std::uint32_t handle, std::uint32_t frames) noexcept {
  const int found = slotFor(handle);
  if (found < 0) return TALVO_KERNEL_PROCESS_INVALID;
  const auto slot = static_cast<std::uint32_t>(found);
  if (frames > maximumBlockSizes_[slot]) return TALVO_KERNEL_PROCESS_INVALID;
  KernelState& state = states_[slot];
  const talvo_kernel_event* queue = &events_[slot * MAX_EVENTS];
  const std::uint32_t count = eventCounts_[slot] < MAX_EVENTS ? eventCounts_[slot] : MAX_EVENTS;
  if (!referenceLoop_ && renderInOnePass(state, slot, frames, queue, count)) {
    eventCounts_[slot] = 0;
    return TALVO_KERNEL_OK;
  }

  // Cut the block at every event frame so each change applies from its sample.
  std::uint32_t cursor = 0;
  for (std::uint32_t e = 0; e < count; ++e) {
    const talvo_kernel_event& event = queue[e];
    if (event.frame >= frames) break;  // this and every later event is dropped
    if (cursor < event.frame && !render(state, blockFor(slot, cursor, event.frame - cursor)))
      return TALVO_KERNEL_PROCESS_REFUSED;
    if (!applyParameter(state, event.parameter, static_cast<double>(event.value)))
      return TALVO_KERNEL_PROCESS_REFUSED;
    cursor = event.frame;
  }
  if (cursor < frames && !render(state, blockFor(slot, cursor, frames - cursor)))
    return TALVO_KERNEL_PROCESS_REFUSED;
  eventCounts_[slot] = 0;
  return TALVO_KERNEL_OK;
}

bool KernelLibrary::renderInOnePass(KernelState& state, std::uint32_t slot, std::uint32_t frames,
                                    const talvo_kernel_event* queue, std::uint32_t count) noexcept {
  // Only where cutting the block could not fail: a prepared state and events
  // every one of which the state accepts.
  if (!state.prepared) return false;
  for (std::uint32_t e = 0; e < count && queue[e].frame < frames; ++e) {
    if (queue[e].parameter >= PARAMETER_COUNT) return false;
  }
  ParameterSpan spans[MAX_EVENTS + 1];
  std::size_t spanCount = 1;
  spans[0] = ParameterSpan{0, state.node.rateHz, state.node.depth, state.wet};
  for (std::uint32_t e = 0; e < count && queue[e].frame < frames; ++e) {
    (void)applyParameter(state, queue[e].parameter, static_cast<double>(queue[e].value));
    if (spans[spanCount - 1].start != queue[e].frame) spans[spanCount++].start = queue[e].frame;
    spans[spanCount - 1].rateHz = state.node.rateHz;
    spans[spanCount - 1].depth = state.node.depth;
    spans[spanCount - 1].wet = state.wet;
  }
  renderVector(state.node, &input_[slot * MAX_FRAMES], &output_[slot * MAX_FRAMES], frames, spans, spanCount);
  return true;
}

std::uint32_t KernelLibrary::reset(std::uint32_t handle) noexcept {
  const int found = slotFor(handle);
  if (found < 0) return TALVO_KERNEL_RESET_INVALID;
  const auto slot = static_cast<std::uint32_t>(found);
  KernelState& state = states_[slot];
  kernel::reset(state);
  if (!setParameter(state, ORIEL_PARAMETER_PATHS[0], kDefaultRateHz) ||
      !setParameter(state, ORIEL_PARAMETER_PATHS[1], kDefaultDepth) ||
      !setParameter(state, ORIEL_PARAMETER_PATHS[2], kDefaultWet))
    return TALVO_KERNEL_RESET_REFUSED;
  eventCounts_[slot] = 0;
  clearAreas(slot);
  return TALVO_KERNEL_OK;
}

}  // namespace talvo::kernel
