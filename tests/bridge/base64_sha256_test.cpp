#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/base64.h"
#include "bridge/sha256.h"

namespace talvo {
namespace {

std::string encode(const std::string& bytes) {
  std::string s;
  base64Append(s, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return s;
}

TEST(Base64, EncodesTheStandardAlphabetWithPaddingAndDecodesEveryLengthBack) {
  EXPECT_EQ(encode("abc") + "|" + encode("a") + "|" + encode("ab") + "|" + encode("") + "|" +
                encode(std::string("\xfb\xff", 2)),
            "YWJj|YQ==|YWI=||+/8=");
  std::string bytes;
  for (int n = 0; n < 70; ++n) {
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(base64Decode(encode(bytes), out, 1000)) << n;
    EXPECT_EQ(std::string(out.begin(), out.end()), bytes);
    bytes += static_cast<char>(n * 37 + 11);
  }
}

TEST(Base64, DecodeIsStrict) {
  std::vector<std::uint8_t> out;
  ASSERT_TRUE(base64Decode("YQ==", out, 10));
  EXPECT_EQ(out.size(), 1u);
  for (const char* bad : {"YQ=", "Y===", "YQ==YQ==", "YW J", "+-8=", "/_8=", "YWJj\nYWJj"})
    EXPECT_FALSE(base64Decode(bad, out, 10)) << bad;
  EXPECT_FALSE(base64Decode("YQ==", out, 0));
  ASSERT_TRUE(base64Decode("", out, 0));
  EXPECT_TRUE(out.empty());
}

TEST(Sha256, MatchesPublishedDigests) {
  EXPECT_EQ(sha256Hex(nullptr, 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string million(1000000, 'a');
  EXPECT_EQ(sha256Hex(million.data(), million.size()),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace talvo
