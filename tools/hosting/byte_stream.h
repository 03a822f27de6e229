#pragma once
// An in-memory IBStream for component state: the host reads a state file into
// one, hands it to setState, and writes what getState leaves in another. It
// never grows past kMaxStateBytes, whatever the plug-in seeks to or writes.
#include <string>

#include "hosting/host_unknown.h"
#include "hosting/plugin_limits.h"
#include "pluginterfaces/base/ibstream.h"

namespace talvo::host {

class ByteStream final : public HostOwned<Steinberg::IBStream> {
 public:
  ByteStream() = default;
  explicit ByteStream(std::string bytes) : bytes_(std::move(bytes)) {}

  [[nodiscard]] const std::string& bytes() const { return bytes_; }
  /// The plug-in tried to seek or write past kMaxStateBytes (and was refused).
  [[nodiscard]] bool overran() const { return overran_; }
  /// Back to the start, for handing the same bytes to a second reader.
  void rewind() { position_ = 0; }

  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                     Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                     Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

 private:
  std::string bytes_;
  std::size_t position_ = 0;
  bool overran_ = false;
};

}  // namespace talvo::host
