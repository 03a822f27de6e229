#include "talvo_host/ui_server.h"

#include <httplib.h>
#include <sys/eventfd.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include "editor/page_bridge.h"
#include "editor/ui_scheme.h"

namespace talvo::host {

namespace {

// A page is usually open once; a few more (a second tab, a reload whose old
// stream is not yet found closed) may stream at once, each holding a server
// thread, and the pool keeps room for file requests beside them.
constexpr std::size_t kMaxStreams = 4;
constexpr std::size_t kServerThreads = 12;
// A comment line this often finds closed streams (writing to one fails).
constexpr auto kHeartbeat = std::chrono::seconds(2);
// A page that reads nothing for this much text is dropped, not buffered forever.
constexpr std::size_t kMaxStreamBacklog = 8u << 20;
constexpr std::size_t kMaxInbound = 4096;
constexpr std::size_t kMaxPostBytes = 4u << 20;

// window.talvoHost over this server, for pages opened in a browser. Messages
// from the page are posted in order, one request at a time, newline-separated
// (JSON text has no raw line breaks); they wait until the event stream is
// open, so the answer to the page's first "talvo.ready" cannot be missed.
constexpr char kHostScript[] = R"js((function () {
  'use strict';
  if (window.talvoHost) return;
  const base = document.currentScript.src;
  const handlers = [];
  const outbox = [];
  let open = false;
  let posting = false;

  function deliver(message) {
    for (const handler of handlers) {
      try { handler(message); } catch (error) { console.error(error); }
    }
  }

  function flush() {
    if (!open || posting || outbox.length === 0) return;
    posting = true;
    const body = outbox.splice(0).join('\n');
    fetch(new URL('post', base), {
      method: 'POST', body, headers: { 'Content-Type': 'text/plain' }, keepalive: body.length < 60000,
    }).then((response) => {
      if (!response.ok) console.warn(`talvo-host ui refused a message: ${response.status}`);
    }, (error) => console.warn('talvo-host ui: a message did not reach the plug-in', error))
      .finally(() => { posting = false; flush(); });
  }

  const events = new EventSource(new URL('events', base));
  events.onopen = () => { open = true; flush(); };
  events.onerror = () => { open = events.readyState === EventSource.OPEN; };
  events.onmessage = (event) => {
    let message;
    try { message = JSON.parse(event.data); } catch { console.warn('talvo-host ui: malformed message'); return; }
    deliver(message);
  };

  window.talvoHost = {
    postMessage(message) {
      outbox.push(JSON.stringify(message));
      queueMicrotask(flush);
    },
    onMessage(handler) { handlers.push(handler); },
    _deliver: deliver,
  };
})();
)js";

// Equal texts, compared in a time that does not depend on where they differ.
bool sameSecret(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

// The request target's path, still percent-encoded, without its query.
std::string_view targetPath(const httplib::Request& request) {
  std::string_view target = request.target;
  return target.substr(0, target.find_first_of("?#"));
}

void refuse(httplib::Response& response, int status, const char* reason) {
  response.status = status;
  response.set_content(std::string("talvo-host ui: ") + reason + "\n", "text/plain; charset=utf-8");
}

std::string eventText(std::string_view json) {
  // Each line of a message is its own data line; the browser joins them again.
  std::string text;
  std::size_t start = 0;
  while (start <= json.size()) {
    const std::size_t end = std::min(json.find_first_of("\r\n", start), json.size());
    text.append("data: ").append(json.substr(start, end - start)).append("\n");
    start = end + (json.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return text.append("\n");
}

}  // namespace

std::string randomToken() {
  unsigned char bytes[16] = {};
  std::size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (got < 0 && errno != EINTR) return "";
    if (got > 0) filled += static_cast<std::size_t>(got);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string token;
  for (const unsigned char b : bytes)
    token.append({kDigits[b >> 4], kDigits[b & 15]});
  return token;
}

std::string withHostScript(std::string html, const std::string& scriptUrl) {
  std::string lower(html.size(), '\0');
  std::transform(html.begin(), html.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::size_t at = lower.find("<script");
  if (at == std::string::npos) at = lower.find("</head");
  if (at == std::string::npos) at = 0;
  return html.insert(at, "<script src=\"" + scriptUrl + "\"></script>");
}

UiServer::UiServer(std::string uiRoot, std::string token)
    : root_(std::move(uiRoot)), token_(std::move(token)), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

UiServer::~UiServer() {
  stop();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

std::string UiServer::url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + token_ + "/";
}

bool UiServer::start(int port, std::string& error) {
  if (wakeFd_ < 0) {
    error = "cannot make an event descriptor";
    return false;
  }
  server_ = std::make_unique<httplib::Server>();
  server_->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
  // Address reuse for quick restarts, but no port sharing with another process.
  server_->set_socket_options([](int socket) {
    const int yes = 1;
    (void)setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_->set_keep_alive_timeout(1);
  server_->set_payload_max_length(kMaxPostBytes);
  // Edits to the page show on reload; the token never leaves in a Referer.
  server_->set_default_headers({{"Cache-Control", "no-store"},
                                {"Referrer-Policy", "no-referrer"},
                                {"X-Content-Type-Options", "nosniff"}});
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    return route(request, response) ? httplib::Server::HandlerResponse::Handled
                                    : httplib::Server::HandlerResponse::Unhandled;
  });
  server_->Post("/" + token_ + kUiPostPath,
                [this](const httplib::Request& request, httplib::Response& response) {
                  if (queueInbound(request.body))
                    response.status = 204;
                  else
                    refuse(response, 503, "too many messages waiting for the plug-in");
                });
  port_ = port;
  if (port == 0)
    port_ = server_->bind_to_any_port("127.0.0.1");
  else if (!server_->bind_to_port("127.0.0.1", port))
    port_ = -1;
  if (port_ <= 0) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (is the port taken?)";
    server_.reset();
    port_ = 0;
    return false;
  }
  listener_ = std::thread([this] { (void)server_->listen_after_bind(); });
  return true;
}

void UiServer::stop() {
  if (!server_) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  streamsWake_.notify_all();
  server_->stop();
  if (listener_.joinable()) listener_.join();
  server_.reset();
}

const char* UiServer::refusal(const httplib::Request& request) const {
  // Browsers leave the default port out of both headers.
  // Appended rather than ":" + to_string(), which GCC 12 at -O3 takes for an overlapping copy (-Wrestrict).
  std::string port;
  if (port_ != 80) port.append(":").append(std::to_string(port_));
  const std::string host = request.get_header_value("Host");
  if (request.get_header_value_count("Host") != 1 ||
      (host != "127.0.0.1" + port && host != "localhost" + port))
    return "this server answers only to 127.0.0.1 and localhost";
  if (request.has_header("Origin")) {
    const std::string origin = request.get_header_value("Origin");
    if (origin != "http://127.0.0.1" + port && origin != "http://localhost" + port)
      return "requests from other sites are refused";
  }
  const std::string_view path = targetPath(request);
  if (path.size() < token_.size() + 2 || path[0] != '/' || path[token_.size() + 1] != '/' ||
      !sameSecret(path.substr(1, token_.size()), token_))
    return "this address lacks the token that talvo-host printed";
  return nullptr;
}

bool UiServer::route(const httplib::Request& request, httplib::Response& response) {
  if (const char* reason = refusal(request)) {
    refuse(response, 403, reason);
    return true;
  }
  const std::string_view path = targetPath(request).substr(token_.size() + 1);
  const bool reading = request.method == "GET" || request.method == "HEAD";
  if (request.method == "POST" && path == kUiPostPath) return false;  // the Post handler reads the body
  if (!reading) {
    refuse(response, 405, "method not allowed");
  } else if (path == kUiEventsPath) {
    openStream(response);
  } else if (path == kUiHostScriptPath) {
    response.set_content(kHostScript, "text/javascript; charset=utf-8");
  } else if (UiResource file; resolveUiRequest(root_, path, file)) {
    const std::string type = file.mimeType;
    if (type == "text/html")
      file.body = withHostScript(std::move(file.body), "/" + token_ + kUiHostScriptPath);
    response.set_content(file.body, type + "; charset=utf-8");
  } else {
    refuse(response, 404, "no such file in the UI directory");
  }
  return true;
}

void UiServer::openStream(httplib::Response& response) {
  auto stream = std::make_shared<Stream>();
  {
    const std::lock_guard lock(mutex_);
    if (streams_.size() >= kMaxStreams) {
      streams_.front()->closed = true;
      streams_.erase(streams_.begin());
    }
    streams_.push_back(stream);
  }
  streamsWake_.notify_all();
  response.set_chunked_content_provider(
      "text/event-stream",
      [this, stream](std::size_t /*offset*/, httplib::DataSink& sink) {
        std::string text;
        {
          std::unique_lock lock(mutex_);
          streamsWake_.wait_for(lock, kHeartbeat,
                                [&] { return stopping_ || stream->closed || !stream->pending.empty(); });
          if (stopping_ || stream->closed) {
            lock.unlock();
            sink.done();
            return true;
          }
          text.swap(stream->pending);
        }
        if (text.empty()) text = ":\n\n";
        return sink.write(text.data(), text.size());
      },
      [this, stream](bool /*success*/) {
        const std::lock_guard lock(mutex_);
        std::erase(streams_, stream);
      });
}

void UiServer::publish(std::string_view json) {
  if (!isValidUtf8(json)) return;
  const std::string text = eventText(json);
  {
    const std::lock_guard lock(mutex_);
    for (const auto& stream : streams_) {
      if (stream->closed) continue;
      if (stream->pending.size() + text.size() > kMaxStreamBacklog)
        stream->closed = true;
      else
        stream->pending += text;
    }
  }
  streamsWake_.notify_all();
}

bool UiServer::queueInbound(const std::string& body) {
  {
    const std::lock_guard lock(mutex_);
    if (inbound_.size() >= kMaxInbound) return false;
    std::size_t start = 0;
    while (start < body.size()) {
      const std::size_t end = std::min(body.find('\n', start), body.size());
      if (end > start) inbound_.emplace_back(body, start, end - start);
      start = end + 1;
    }
  }
  const std::uint64_t one = 1;
  (void)::write(wakeFd_, &one, sizeof one);
  return true;
}

std::vector<std::string> UiServer::takeInbound() {
  std::uint64_t count = 0;
  (void)::read(wakeFd_, &count, sizeof count);
  const std::lock_guard lock(mutex_);
  std::vector<std::string> messages(std::make_move_iterator(inbound_.begin()),
                                    std::make_move_iterator(inbound_.end()));
  inbound_.clear();
  return messages;
}

}  // namespace talvo::host
