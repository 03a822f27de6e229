// The live editor server's gate: only requests that carry the token, name
// this server as their Host and come from its own origin are answered, and
// nothing outside the UI directory is served.
#include <gtest/gtest.h>
#include <httplib.h>

#include "support/scratch_dir.h"
#include "talvo_host/ui_server.h"

namespace talvo::host {
namespace {

constexpr char kToken[] = "0123456789abcdef0123456789abcdef";

struct GateCase {
  const char* name;
  const char* method;
  std::string path;
  httplib::Headers headers;
  int status;
};

TEST(UiServer, AnswersOnlySameOriginRequestsWithTheTokenForFilesInsideTheUiDirectory) {
  test::ScratchDir dir;
  dir.write("ui/index.html", "<!doctype html><title>page</title>");
  dir.write("secret.txt", "secret");
  UiServer server(dir.dir() + "/ui", kToken);
  std::string error;
  ASSERT_TRUE(server.start(0, error)) << error;
  const std::string port = ":" + std::to_string(server.port());
  const std::string at = std::string("/") + kToken;
  const GateCase cases[] = {
      {"the page", "GET", at + "/", {}, 200},
      {"the page as localhost", "GET", at + "/index.html", {{"Host", "localhost" + port}}, 200},
      {"a post from the page", "POST", at + "/__talvo/post", {{"Origin", "http://127.0.0.1" + port}}, 204},
      {"no token", "GET", "/index.html", {}, 403},
      {"another token", "GET", "/0123456789abcdef0123456789abcdee/index.html", {}, 403},
      {"the event stream without the token", "GET", "/__talvo/events", {}, 403},
      {"a post without the token", "POST", "/__talvo/post", {}, 403},
      {"another Host", "GET", at + "/", {{"Host", "attacker.example" + port}}, 403},
      {"a foreign Origin", "POST", at + "/__talvo/post", {{"Origin", "http://attacker.example"}}, 403},
      {"a path out of the UI directory", "GET", at + "/../secret.txt", {}, 404},
      {"an encoded path out of it", "GET", at + "/..%2fsecret.txt", {}, 404},
  };
  httplib::Client client("127.0.0.1", server.port());
  for (const GateCase& c : cases) {
    const httplib::Result response = std::string(c.method) == "GET"
                                         ? client.Get(c.path, c.headers)
                                         : client.Post(c.path, c.headers, "{\"type\":\"x\"}", "text/plain");
    ASSERT_TRUE(response) << c.name;
    EXPECT_EQ(response->status, c.status) << c.name;
  }
  EXPECT_EQ(server.takeInbound(), std::vector<std::string>{"{\"type\":\"x\"}"});
}

}  // namespace
}  // namespace talvo::host
