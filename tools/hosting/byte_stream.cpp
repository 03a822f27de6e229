#include "hosting/byte_stream.h"

#include <cstring>

namespace talvo::host {

using Steinberg::int32;
using Steinberg::int64;
using Steinberg::kInvalidArgument;
using Steinberg::kResultOk;
using Steinberg::tresult;

tresult PLUGIN_API ByteStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
  if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
  std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
  std::size_t n =
      static_cast<std::size_t>(numBytes) < available ? static_cast<std::size_t>(numBytes) : available;
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  if (numBytesRead != nullptr) *numBytesRead = static_cast<int32>(n);
  return kResultOk;
}

tresult PLUGIN_API ByteStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
  if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
  std::size_t n = static_cast<std::size_t>(numBytes);
  if (position_ + n > kMaxStateBytes) {
    overran_ = true;
    return Steinberg::kOutOfMemory;
  }
  // Writing past the end after a seek leaves zeros in the gap, as a file would.
  if (bytes_.size() < position_ + n) bytes_.resize(position_ + n, '\0');
  if (n > 0) std::memcpy(bytes_.data() + position_, buffer, n);
  position_ += n;
  if (numBytesWritten != nullptr) *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API ByteStream::seek(int64 pos, int32 mode, int64* result) {
  int64 base = 0;
  switch (mode) {
    case kIBSeekSet:
      base = 0;
      break;
    case kIBSeekCur:
      base = static_cast<int64>(position_);
      break;
    case kIBSeekEnd:
      base = static_cast<int64>(bytes_.size());
      break;
    default:
      return kInvalidArgument;
  }
  // The base is never past the limit, so checking the offset first keeps the sum from overflowing.
  const auto limit = static_cast<int64>(kMaxStateBytes);
  if (pos > limit || base + pos > limit) {
    overran_ = true;
    return kInvalidArgument;
  }
  int64 target = base + pos;
  if (target < 0) return kInvalidArgument;
  position_ = static_cast<std::size_t>(target);
  if (result != nullptr) *result = target;
  return kResultOk;
}

tresult PLUGIN_API ByteStream::tell(int64* pos) {
  if (pos == nullptr) return kInvalidArgument;
  *pos = static_cast<int64>(position_);
  return kResultOk;
}

}  // namespace talvo::host
