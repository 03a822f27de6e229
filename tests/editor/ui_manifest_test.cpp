#include "editor/ui_manifest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

using namespace talvo;

namespace {

std::string extract(const std::string& json, const char* key, std::size_t capacity = 64) {
  char out[128];
  std::memset(out, 'x', sizeof out);
  uiManifestString(json, key, out, capacity);
  return out;
}

class ManifestFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(TALVO_BINARY_DIR) / "test-scratch" /
           testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& text) {
    const std::string path = (dir_ / "manifest.json").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::filesystem::path dir_;
};

}  // namespace

TEST(UiManifestString, TopLevelMemberWinsOverNestedOnes) {
  const std::string json =
      "{\"files\":{\"buildTime\":\"nested\",\"list\":[{\"buildTime\":\"deeper\"}]},"
      "\"buildTime\" : \"2026-12-06T20:00:00Z\"}";
  EXPECT_EQ(extract(json, "buildTime"), "2026-12-06T20:00:00Z");
}

TEST(UiManifestString, KeyTextInsideValuesIsNotAMember) {
  EXPECT_EQ(extract("{\"note\":\"\\\"sha256\\\":\\\"fake\\\"\",\"sha256\":\"real\"}", "sha256"), "real");
  EXPECT_EQ(extract("{\"a\":\"sha256\",\"sha256\":\"real\"}", "sha256"), "real");
  EXPECT_EQ(extract("{\"tags\":[\"sha256\",\"x\"]}", "sha256"), "");
}

TEST(UiManifestString, EscapesAreNotDecodedAndEndTheCopy) {
  EXPECT_EQ(extract("{\"sourceRevision\":\"abc\\\"def\"}", "sourceRevision"), "abc");
  EXPECT_EQ(extract("{\"sourceRevision\":\"\\u0041\"}", "sourceRevision"), "");
}

TEST(UiManifestString, LengthLimitIsCapacityMinusTwo) {
  EXPECT_EQ(extract("{\"sourceRevision\":\"" + std::string(62, 'r') + "\"}", "sourceRevision"),
            std::string(62, 'r'));
  EXPECT_EQ(extract("{\"sourceRevision\":\"" + std::string(63, 'r') + "\"}", "sourceRevision"), "");
  EXPECT_EQ(extract("{\"sourceRevision\":\"" + std::string(70, 'r') + "\"}", "sourceRevision"), "");
  EXPECT_EQ(extract("{\"sha256\":\"" + std::string(78, 'f') + "\"}", "sha256", 80), std::string(78, 'f'));
}

TEST(UiManifestString, MissingMalformedAndNonStringValuesGiveEmpty) {
  EXPECT_EQ(extract("{\"buildTime\":\"unterminated", "buildTime"), "");
  EXPECT_EQ(extract("{\"buildTime\":42}", "buildTime"), "");
  EXPECT_EQ(extract("{\"buildTime\" \"x\"}", "buildTime"), "");
  EXPECT_EQ(extract("{\"other\":\"x\"}", "buildTime"), "");
  EXPECT_EQ(extract("}{\"buildTime\":\"late\"}", "buildTime"), "");  // a stray close ends the search
  EXPECT_EQ(extract("", "buildTime"), "");
  EXPECT_EQ(extract("{\"buildTime\":\"x\"}", nullptr), "");
  EXPECT_EQ(extract("{\"buildTime\":\"\"}", "buildTime"), "");
  char one[1] = {'x'};
  EXPECT_FALSE(uiManifestString("{\"buildTime\":\"x\"}", "buildTime", one, 1));
  EXPECT_EQ(one[0], '\0');
}

TEST(UiManifestPath, TwoComponentsUpThenResources) {
  EXPECT_EQ(uiManifestPathForImage("/b/Oriel.vst3/Contents/x86_64-linux/Oriel.so"),
            "/b/Oriel.vst3/Contents/Resources/ui/manifest.json");
  EXPECT_EQ(uiManifestPathForImage("x86_64-linux/Oriel.so"), "");
  EXPECT_EQ(uiManifestPathForImage("Oriel.so"), "");
}

TEST_F(ManifestFile, AllThreeFactsAreRead) {
  const UiBundleFacts facts = readUiManifestFacts(
      write("{\n  \"buildTime\": \"2026-12-06T20:00:00Z\",\n  \"sourceRevision\": \"0123abc\",\n"
            "  \"sha256\": \"" +
            std::string(64, 'e') + "\"\n}\n"));
  EXPECT_STREQ(facts.buildTime, "2026-12-06T20:00:00Z");
  EXPECT_STREQ(facts.sourceRevision, "0123abc");
  EXPECT_EQ(std::string(facts.sha256), std::string(64, 'e'));
}

TEST_F(ManifestFile, ManifestOfExactlyTheLimitIsReadAndOneByteMoreIsNot) {
  const std::string head = "{\"sourceRevision\":\"r1\",\"pad\":\"";
  std::string text = head + std::string(kUiManifestMaxBytes - head.size() - 2, 'p') + "\"}";
  ASSERT_EQ(text.size(), kUiManifestMaxBytes);
  EXPECT_STREQ(readUiManifestFacts(write(text)).sourceRevision, "r1");
  const std::string longer = head + std::string(kUiManifestMaxBytes - head.size() - 1, 'p') + "\"}";
  EXPECT_STREQ(readUiManifestFacts(write(longer)).sourceRevision, "");
}

TEST_F(ManifestFile, MissingOrEmptyFileGivesEmptyFacts) {
  EXPECT_STREQ(readUiManifestFacts((dir_ / "absent.json").string()).buildTime, "");
  EXPECT_STREQ(readUiManifestFacts(write("")).sha256, "");
  EXPECT_STREQ(readUiManifestFacts(dir_.string()).buildTime, "");  // a directory
}
