#include "editor/ui_manifest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/scratch_dir.h"

using namespace talvo;

TEST(UiManifestString, TopLevelStringMembersUpToCapacityMinusTwoWithoutEscapes) {
  const std::string rev = "{\"sourceRevision\":\"";
  struct Case {
    std::string json;
    const char* key;
    std::size_t capacity;
    std::string expected;
  } const cases[] = {
      {"{\"files\":{\"buildTime\":\"nested\",\"list\":[{\"buildTime\":\"deeper\"}]},"
       "\"buildTime\" : \"2026-12-06T20:00:00Z\"}",
       "buildTime", 64, "2026-12-06T20:00:00Z"},
      {"{\"note\":\"\\\"sha256\\\":\\\"fake\\\"\",\"sha256\":\"real\"}", "sha256", 64, "real"},
      {"{\"a\":\"sha256\",\"sha256\":\"real\"}", "sha256", 64, "real"},
      {rev + "abc\\\"def\"}", "sourceRevision", 64, "abc"},  // escapes end the copy
      {rev + std::string(62, 'r') + "\"}", "sourceRevision", 64, std::string(62, 'r')},
      {rev + std::string(63, 'r') + "\"}", "sourceRevision", 64, ""},
      {"{\"buildTime\":\"unterminated", "buildTime", 64, ""},
      {"{\"buildTime\":42}", "buildTime", 64, ""},
      {"{\"buildTime\" \"x\"}", "buildTime", 64, ""},
      {"{\"other\":\"x\"}", "buildTime", 64, ""},
      {"}{\"buildTime\":\"late\"}", "buildTime", 64, ""},  // a stray close ends the search
      {"{\"buildTime\":\"x\"}", nullptr, 64, ""},
  };
  for (const Case& c : cases) {
    char out[128];
    std::memset(out, 'x', sizeof out);
    uiManifestString(c.json, c.key, out, c.capacity);
    EXPECT_EQ(std::string(out), c.expected) << c.json;
  }
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

TEST(UiManifestFile, FactsAreReadUpToTheSizeLimitAndMissingFilesGiveNone) {
  const test::ScratchDir dir;
  auto read = [&](const std::string& text) {
    dir.write("manifest.json", text);
    return readUiManifestFacts(dir.dir() + "/manifest.json");
  };
  const UiBundleFacts facts = read(
      "{\n  \"buildTime\": \"2026-12-06T20:00:00Z\",\n  \"sourceRevision\": "
      "\"0123abc\",\n  \"sha256\": \"" +
      std::string(64, 'e') + "\"\n}\n");
  EXPECT_STREQ(facts.buildTime, "2026-12-06T20:00:00Z");
  EXPECT_STREQ(facts.sourceRevision, "0123abc");
  EXPECT_EQ(std::string(facts.sha256), std::string(64, 'e'));
  const std::string head = "{\"sourceRevision\":\"r1\",\"pad\":\"";
  const std::string atLimit = head + std::string(kUiManifestMaxBytes - head.size() - 2, 'p') + "\"}";
  ASSERT_EQ(atLimit.size(), kUiManifestMaxBytes);
  EXPECT_STREQ(read(atLimit).sourceRevision, "r1");
  EXPECT_STREQ(read(head + std::string(kUiManifestMaxBytes - head.size() - 1, 'p') + "\"}").sourceRevision,
               "");
  EXPECT_STREQ(read("").sha256, "");
  EXPECT_STREQ(readUiManifestFacts(dir.dir() + "/absent.json").buildTime, "");
  EXPECT_STREQ(readUiManifestFacts(dir.dir()).buildTime, "");  // a directory
}
