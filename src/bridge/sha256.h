#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace talvo {

/// SHA-256 of `count` bytes as 64 lower-case hex digits. Inputs of 4 GiB or
/// more are not supported (the count is 32-bit).
[[nodiscard]] std::string sha256Hex(const void* bytes, std::uint32_t count);

/// SHA-256 of bytes that arrive in pieces, so a download can be hashed as it
/// is written and never held in memory. Any thread that owns the object.
class Sha256Stream {
 public:
  Sha256Stream();
  ~Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;

  void update(const void* bytes, std::size_t count);
  /// The digest of every byte given so far, written as `sha256Hex` writes it.
  /// Ends the stream: call it once.
  [[nodiscard]] std::string finishHex();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace talvo
