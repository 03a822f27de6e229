#include "engine/parameter_mirror.h"

namespace talvo {

ParameterMirror::ParameterMirror() noexcept {
  for (std::uint32_t id = 0; id < kCount; ++id)
    values_[id].store(TALVO_PARAMS[id].default_plain, std::memory_order_relaxed);
}

void ParameterMirror::resetValues() noexcept {
  for (std::uint32_t id = 0; id < kCount; ++id)
    values_[id].store(TALVO_PARAMS[id].default_plain, std::memory_order_relaxed);
  markPending();
}

void ParameterMirror::set(std::uint32_t id, double plain) noexcept {
  if (id >= kCount) return;
  values_[id].store(plain, std::memory_order_relaxed);
  markPending();
}

double ParameterMirror::value(std::uint32_t id) const noexcept {
  return id < kCount ? values_[id].load(std::memory_order_relaxed) : 0.0;
}

double ParameterMirror::normalized(std::uint32_t id) const noexcept {
  return id < kCount ? talvo_param_normalize(&TALVO_PARAMS[id], value(id)) : 0.0;
}

double ParameterMirror::kernelValue(std::uint32_t id) const noexcept {
  return id < kCount ? kernel_[id] : 0.0;
}

void ParameterMirror::resetKernelCopy() noexcept {
  for (std::uint32_t id = 0; id < kCount; ++id)
    kernel_[id] = TALVO_PARAMS[id].default_plain;
}

void ParameterMirror::store(std::uint32_t id, double plain) noexcept {
  if (id < kCount) values_[id].store(plain, std::memory_order_relaxed);
}

void ParameterMirror::kernelAnswered(std::uint32_t id, double value, bool accepted) noexcept {
  if (!accepted) {
    markPending();
  } else if (id < kCount) {
    kernel_[id] = value;
  }
}

}  // namespace talvo
