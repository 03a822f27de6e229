#pragma once
// Lines of text from a descriptor that a run loop watches (standard input).
#include <functional>
#include <string>
#include <string_view>

#include "hosting/host_unknown.h"
#include "pluginterfaces/gui/iplugview.h"

namespace talvo::host {

/// Hands each complete line of a descriptor to `onLine`, without its line
/// break; blank lines are skipped. At the end of input a last unterminated
/// line still counts.
class LineReader final : public HostOwned<Steinberg::Linux::IEventHandler> {
 public:
  explicit LineReader(std::function<void(std::string_view)> onLine) : onLine_(std::move(onLine)) {}

  void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;
  [[nodiscard]] bool ended() const { return ended_; }

 private:
  void emit(std::string_view line);

  std::function<void(std::string_view)> onLine_;
  std::string pending_;
  bool ended_ = false;
};

}  // namespace talvo::host
