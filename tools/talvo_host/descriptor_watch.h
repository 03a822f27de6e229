#pragma once
// Run-loop pieces the live verbs share: a handler that calls back when its
// descriptor is readable, and SIGINT and SIGTERM as such a descriptor.
#include <functional>
#include <utility>

#include "hosting/host_unknown.h"
#include "pluginterfaces/gui/iplugview.h"

namespace talvo::host {

class DescriptorWatch final : public HostOwned<Steinberg::Linux::IEventHandler> {
 public:
  explicit DescriptorWatch(std::function<void()> onReadable) : onReadable_(std::move(onReadable)) {}
  void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor /*fd*/) override { onReadable_(); }

 private:
  std::function<void()> onReadable_;
};

/// Blocks SIGINT and SIGTERM in this thread and every thread started from it
/// afterwards (so make it before any), and offers them as a descriptor, so
/// Ctrl-C ends a session through the run loop on the main thread.
class SignalDescriptor {
 public:
  SignalDescriptor();
  ~SignalDescriptor();
  SignalDescriptor(const SignalDescriptor&) = delete;
  SignalDescriptor& operator=(const SignalDescriptor&) = delete;
  /// Readable once a signal has come; -1 when the signals could not be taken over.
  [[nodiscard]] int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace talvo::host
