#include "bridge/sha256.h"

#include <algorithm>

#if defined(__APPLE__)
#include <CommonCrypto/CommonDigest.h>
#else
#include <openssl/evp.h>
#endif

namespace talvo {

#if defined(__APPLE__)
struct Sha256Stream::State {
  CC_SHA256_CTX context{};
  State() { CC_SHA256_Init(&context); }
  void update(const unsigned char* bytes, std::size_t count) {
    // CC_LONG is 32-bit; feed larger pieces in slices.
    while (count > 0) {
      const std::size_t slice = std::min<std::size_t>(count, 1u << 30);
      CC_SHA256_Update(&context, bytes, static_cast<CC_LONG>(slice));
      bytes += slice;
      count -= slice;
    }
  }
  void finish(unsigned char (&digest)[32]) { CC_SHA256_Final(digest, &context); }
};
#else
struct Sha256Stream::State {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  State() { EVP_DigestInit_ex(context, EVP_sha256(), nullptr); }
  ~State() { EVP_MD_CTX_free(context); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  void update(const unsigned char* bytes, std::size_t count) { EVP_DigestUpdate(context, bytes, count); }
  void finish(unsigned char (&digest)[32]) {
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
  }
};
#endif

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {}
Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::update(const void* bytes, std::size_t count) {
  if (count > 0) state_->update(static_cast<const unsigned char*>(bytes), count);
}

std::string Sha256Stream::finishHex() {
  unsigned char digest[32] = {};
  state_->finish(digest);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex(64, '0');
  for (int i = 0; i < 32; ++i) {
    hex[2 * i] = kHex[digest[i] >> 4];
    hex[2 * i + 1] = kHex[digest[i] & 0xF];
  }
  return hex;
}

std::string sha256Hex(const void* bytes, std::uint32_t count) {
  Sha256Stream stream;
  stream.update(bytes, count);
  return stream.finishHex();
}

}  // namespace talvo
