#include "editor/ui_scheme.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace talvo;

namespace {

void write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(UiScheme, ServesFilesInsideTheRootAndRefusesEverythingElse) {
  const fs::path base = fs::path(TALVO_BINARY_DIR) / "test-scratch" / "ui-scheme";
  fs::remove_all(base);
  const fs::path root = base / "ui";
  write(root / "index.html", "<p>index</p>");
  write(root / "css" / "Site.CSS", "p{}");
  write(root / "pic.webp", "RIFF");
  write(root / "a b.json", "{}");
  fs::create_directories(root / "dir");
  write(base / "secret.txt", "outside");
  write(base / "ui2" / "secret.txt", "sibling");
  fs::create_symlink("../secret.txt", root / "out");
  fs::create_symlink("index.html", root / "home");

  struct Case {
    const char* path;
    const char* body;  // null: refused
    const char* mime;
  };
  const Case cases[] = {
      {"/", "<p>index</p>", "text/html"},
      {"", "<p>index</p>", "text/html"},
      {"/css/Site.CSS", "p{}", "text/css"},
      {"/pic.webp", "RIFF", "application/octet-stream"},
      {"/a%20b.json", "{}", "application/json"},
      {"/home", "<p>index</p>", "application/octet-stream"},  // a link that stays inside
      {"/../secret.txt", nullptr, ""},
      {"/..%2Fsecret.txt", nullptr, ""},
      {"/%2e%2e/secret.txt", nullptr, ""},
      {"/..%2Fui2/secret.txt", nullptr, ""},
      {"/out", nullptr, ""},
      {"/index.html%00.css", nullptr, ""},
      {"/%zz", nullptr, ""},
      {"/missing.html", nullptr, ""},
      {"/dir", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    UiResource resource;
    ASSERT_EQ(resolveUiRequest(root.string(), c.path, resource), c.body != nullptr);
    if (c.body == nullptr) continue;
    EXPECT_EQ(resource.body, c.body);
    EXPECT_STREQ(resource.mimeType, c.mime);
  }
  UiResource resource;
  EXPECT_FALSE(resolveUiRequest("", "/index.html", resource));
  fs::remove_all(base);
}

TEST(UiScheme, BundleTagIsAFixedFunctionOfTheRootPath) {
  // Reference values computed by hand from the start value and the FNV prime.
  EXPECT_EQ(uiBundleUrl(""), "talvo-ui://bundle-14650fb0739d0383/index.html");
  EXPECT_EQ(uiBundleTag("/ui"), 0x0c284d500383155eULL);
  EXPECT_NE(uiBundleTag("/a/ui"), uiBundleTag("/b/ui"));
}
