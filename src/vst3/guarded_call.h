#pragma once
// No exception may cross a VST3 interface: members that allocate run their
// body through guardedCall, which turns a throw into a result code.
#include <new>

#include "pluginterfaces/base/funknown.h"

namespace talvo {

/// The body's result; kOutOfMemory when it ran out of memory, kInternalError
/// for any other exception.
template <typename Body>
Steinberg::tresult guardedCall(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Steinberg::kOutOfMemory;
  } catch (...) {
    return Steinberg::kInternalError;
  }
}

/// For members without a result code: runs `body` and swallows what it
/// throws; false when it threw.
template <typename Body>
bool guardedRun(Body&& body) noexcept {
  return guardedCall([&] {
           body();
           return Steinberg::kResultOk;
         }) == Steinberg::kResultOk;
}

}  // namespace talvo
