#pragma once
// The editor page served over HTTP to an ordinary browser, on 127.0.0.1 only:
// the UI directory through the editor's own resource resolution (the same
// containment rules), and a same-origin script that gives the page
// window.talvoHost over server-sent events (to the page) and POST (from it).
//
// Every request must come to "http://127.0.0.1:PORT/TOKEN/..." (or localhost):
// the path starts with the random token, Host names this server, and an
// Origin, when the browser sends one, is this server's. That keeps out other
// web pages (cross-site requests, DNS rebinding) and other local users who
// only know the port.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace talvo::host {

/// The page's bridge endpoints under the token; they shadow UI files of those names.
inline constexpr char kUiHostScriptPath[] = "/__talvo/host.js";
inline constexpr char kUiEventsPath[] = "/__talvo/events";
inline constexpr char kUiPostPath[] = "/__talvo/post";

/// 32 hexadecimal digits from the system's random source; "" when it fails.
[[nodiscard]] std::string randomToken();

/// `html` with a script element for `scriptUrl` before its first script, so
/// the page's Content-Security-Policy (a meta element ahead of its scripts)
/// covers it; before </head>, or at the start, when the page has no script.
[[nodiscard]] std::string withHostScript(std::string html, const std::string& scriptUrl);

/// Starts and stops on the main thread; the HTTP server runs requests on
/// threads of its own. `publish` may be called from any thread.
class UiServer {
 public:
  UiServer(std::string uiRoot, std::string token);
  ~UiServer();
  UiServer(const UiServer&) = delete;
  UiServer& operator=(const UiServer&) = delete;

  /// Listens on 127.0.0.1:`port` (0: a free port) and starts serving. False
  /// with a reason.
  [[nodiscard]] bool start(int port, std::string& error);
  /// Ends every event stream and the server; harmless when not started.
  void stop();

  [[nodiscard]] int port() const { return port_; }
  /// "http://127.0.0.1:PORT/TOKEN/": the page's address.
  [[nodiscard]] std::string url() const;

  /// Readable while page messages wait; watch it on the main thread's run loop.
  [[nodiscard]] int inboundDescriptor() const { return wakeFd_; }
  /// The page messages that arrived since the last call, oldest first.
  [[nodiscard]] std::vector<std::string> takeInbound();
  /// Sends one message (a JSON object) to every open page; a text that is
  /// not UTF-8 is dropped, as the editor's own bridge drops it.
  void publish(std::string_view json);

 private:
  struct Stream {
    std::string pending;  // event text not yet written
    bool closed = false;
  };

  /// Why a request is refused, or null when it may be served.
  [[nodiscard]] const char* refusal(const httplib::Request& request) const;
  bool route(const httplib::Request& request, httplib::Response& response);
  void openStream(httplib::Response& response);
  bool queueInbound(const std::string& body);

  std::string root_;
  std::string token_;
  int port_ = 0;
  int wakeFd_ = -1;
  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;

  std::mutex mutex_;  // guards everything below
  std::condition_variable streamsWake_;
  std::vector<std::shared_ptr<Stream>> streams_;
  std::deque<std::string> inbound_;
  bool stopping_ = false;
};

}  // namespace talvo::host
