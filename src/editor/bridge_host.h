#pragma once
// The editor's way into the controller. The controller implements it; the
// editor view calls it from the host's main thread only.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace talvo {

/// The period of every cadence clock, the controller's and the open editor's.
inline constexpr double kCadenceIntervalSeconds = 1.0 / 30.0;
/// The same in the whole milliseconds that run-loop timers take.
inline constexpr std::uint32_t kCadenceIntervalMilliseconds = 33;
static_assert(kCadenceIntervalMilliseconds == static_cast<std::uint32_t>(kCadenceIntervalSeconds * 1000.0));

class BridgeHost {
 public:
  virtual ~BridgeHost() = default;
  /// One message from the page: `length` bytes of JSON text, not terminated.
  virtual void handleBridgeMessage(const char* json, std::size_t length) = 0;
  /// Installs the function that delivers one outbound JSON text to the page,
  /// or clears it when `sink` is empty; texts sent without a sink are dropped.
  virtual void setBridgeSink(std::function<void(const std::string&)> sink) = 0;
  virtual void onEditorOpened() = 0;
  virtual void onEditorClosed() = 0;
  /// `reason` may be null (then "unknown").
  virtual void onEditorError(const char* reason) = 0;
  /// One cadence tick from the open editor's own timer, 30 times a second.
  virtual void onEditorTick() = 0;
};

}  // namespace talvo
