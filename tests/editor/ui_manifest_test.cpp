#include "editor/ui_manifest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/data_file.h"
#include "support/scratch_dir.h"

using namespace talvo;

// The rows of tests/data/editor/ui_manifest_members.txt.
TEST(UiManifestString, TopLevelStringMembersUpToCapacityMinusTwoWithoutEscapes) {
  for (const test::CaseRow& row : test::readCaseTable("editor/ui_manifest_members.txt")) {
    char out[128];
    std::memset(out, 'x', sizeof out);
    uiManifestString(row.at(1), row[0].c_str(), out, 64);
    EXPECT_EQ(std::string(out), row.at(2)) << row[1];
  }
  char none[64];
  EXPECT_FALSE(uiManifestString("{\"buildTime\":\"x\"}", nullptr, none, sizeof none));
  EXPECT_EQ(none[0], '\0');
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
