#pragma once
// Host-side connection proxies: each plug-in component is connected to a
// proxy rather than directly to its peer, so the host sees (and records)
// every message that passes, and a processor without a controller still has
// a peer to send to.
#include <cstdint>
#include <string>
#include <vector>

#include "hosting/host_unknown.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace talvo::host {

/// A copy of one message as it passed: its identifier and, when present,
/// the bytes of its binary attribute "json" and its integer attribute "reset".
struct RecordedMessage {
  std::string id;
  std::string json;
  bool hasJson = false;
  std::int64_t reset = -1;  // -1: no "reset"
};

/// Main thread only: messages travel on the host's main thread.
class ConnectionProxy final : public HostOwned<Steinberg::Vst::IConnectionPoint> {
 public:
  /// `source` is the component this proxy stands in for; it must outlive the
  /// connection.
  explicit ConnectionProxy(Steinberg::Vst::IConnectionPoint* source) : source_(source) {}

  /// Connects the source to this proxy and remembers `destination`, which may
  /// be null when the peer does not exist (messages are then only recorded).
  Steinberg::tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint* destination) override;
  Steinberg::tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* destination) override;
  /// Records the message, then forwards it to the destination when there is one.
  Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

  /// Speaks to the source as its peer would: a new message `id`, with `json`
  /// as its binary attribute "json" when given, and the source's answer.
  /// Not recorded: only what the source sends is.
  Steinberg::tresult sendToSource(const char* id, const std::string* json);

  [[nodiscard]] const std::vector<RecordedMessage>& messages() const { return messages_; }
  void clearMessages() { messages_.clear(); }
  /// Messages recorded so far with identifier `id`.
  [[nodiscard]] std::vector<RecordedMessage> messagesWithId(const char* id) const;

 private:
  Steinberg::Vst::IConnectionPoint* source_;
  Steinberg::Vst::IConnectionPoint* destination_ = nullptr;
  bool connected_ = false;
  std::vector<RecordedMessage> messages_;
};

}  // namespace talvo::host
