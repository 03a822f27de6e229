#include "bridge/sha256.h"

#if defined(__APPLE__)
#include <CommonCrypto/CommonDigest.h>
#else
#include <openssl/evp.h>
#endif

namespace talvo {

std::string sha256Hex(const void* bytes, std::uint32_t count) {
  unsigned char digest[32] = {};
  static const unsigned char kEmpty = 0;
  const void* data = bytes ? bytes : &kEmpty;
#if defined(__APPLE__)
  CC_SHA256(data, count, digest);
#else
  unsigned int length = 0;
  EVP_Digest(data, count, digest, &length, EVP_sha256(), nullptr);
#endif
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex(64, '0');
  for (int i = 0; i < 32; ++i) {
    hex[2 * i] = kHex[digest[i] >> 4];
    hex[2 * i + 1] = kHex[digest[i] & 0xF];
  }
  return hex;
}

}  // namespace talvo
