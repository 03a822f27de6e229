#include "editor/ui_scheme.h"

#include <gtest/gtest.h>

#include "support/data_file.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;
using namespace talvo;

// The requests and answers are listed in tests/data/editor/ui_requests.txt.
TEST(UiScheme, ServesFilesInsideTheRootAndRefusesEverythingElse) {
  const test::ScratchDir base;
  const fs::path root = base.path() / "ui";
  base.write("ui/index.html", "<p>index</p>");
  base.write("ui/css/Site.CSS", "p{}");
  base.write("ui/pic.webp", "RIFF");
  base.write("ui/a b.json", "{}");
  fs::create_directories(root / "dir");
  base.write("secret.txt", "outside");
  base.write("ui2/secret.txt", "sibling");
  fs::create_symlink("../secret.txt", root / "out");
  fs::create_symlink("index.html", root / "home");

  for (const test::CaseRow& row : test::readCaseTable("editor/ui_requests.txt")) {
    SCOPED_TRACE(row[0]);
    UiResource resource;
    ASSERT_EQ(resolveUiRequest(root.string(), row[0], resource), row.at(1) != "-");
    if (row[1] == "-") continue;
    EXPECT_EQ(resource.body, row[1]);
    EXPECT_STREQ(resource.mimeType, row.at(2).c_str());
  }
  UiResource resource;
  EXPECT_FALSE(resolveUiRequest("", "/index.html", resource));
}

TEST(UiScheme, BundleTagIsAFixedFunctionOfTheRootPath) {
  // Reference values computed by hand from the start value and the FNV prime.
  EXPECT_EQ(uiBundleUrl(""), "talvo-ui://bundle-14650fb0739d0383/index.html");
  EXPECT_EQ(uiBundleTag("/ui"), 0x0c284d500383155eULL);
  EXPECT_NE(uiBundleTag("/a/ui"), uiBundleTag("/b/ui"));
}
