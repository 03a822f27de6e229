#include "support/https_test_server.h"

#include <httplib.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace talvo::test {

using Answer = std::function<void(httplib::Response&)>;

struct HttpsTestServer::Impl {
  std::unique_ptr<httplib::SSLServer> server;
  std::thread listener;
  int port = 0;
  std::string caPem;
  std::mutex mutex;  // guards routes
  std::map<std::string, Answer> routes;
  std::atomic<bool> stopping{false};

  void add(const std::string& path, Answer answer) {
    std::lock_guard<std::mutex> lock(mutex);
    routes[path] = std::move(answer);
  }
  Answer find(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = routes.find(path);
    return found == routes.end() ? [](httplib::Response& r) { r.status = 404; } : found->second;
  }
};

HttpsTestServer::HttpsTestServer() : impl_(std::make_unique<Impl>()) {}

HttpsTestServer::~HttpsTestServer() {
  stop();
}

bool HttpsTestServer::start() {
  // A client that gives up mid-answer must not end the test process.
  std::signal(SIGPIPE, SIG_IGN);
  std::string dir = (std::filesystem::temp_directory_path() / "talvo-https-XXXXXX").string();
  if (!mkdtemp(dir.data())) return false;
  // A one-day authority and a certificate for 127.0.0.1 that it signs.
  const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";
  const std::string script =
      "(cd '" + dir + "' && printf 'subjectAltName=IP:127.0.0.1\\nextendedKeyUsage=serverAuth\\n' >ext" +
      " && openssl req -x509 -days 1 -subj /CN=talvo-test-ca" + key + " -keyout ca.key -out ca.pem" +
      " && openssl req -subj /CN=127.0.0.1" + key + " -keyout server.key -out server.csr" +
      " && openssl x509 -req -days 1 -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile ext" +
      " -out server.pem) >/dev/null 2>&1";
  if (std::system(script.c_str()) == 0) {
    std::ostringstream pem;
    pem << std::ifstream(dir + "/ca.pem").rdbuf();
    impl_->caPem = pem.str();
    impl_->server =
        std::make_unique<httplib::SSLServer>((dir + "/server.pem").c_str(), (dir + "/server.key").c_str());
  }
  std::filesystem::remove_all(dir);
  if (!impl_->server || !impl_->server->is_valid()) return false;
  impl_->server->Get(".*",
                     [impl = impl_.get()](const httplib::Request& request, httplib::Response& response) {
                       impl->find(request.path)(response);
                     });
  impl_->port = impl_->server->bind_to_any_port("127.0.0.1");
  if (impl_->port <= 0) return false;
  impl_->listener = std::thread([server = impl_->server.get()] { server->listen_after_bind(); });
  // Connections queue from the bind on; the wait lets stop() find the loop running.
  for (int waited = 0; !impl_->server->is_running() && waited < 5000; ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return impl_->server->is_running();
}

void HttpsTestServer::stop() {
  impl_->stopping = true;
  if (impl_->server) impl_->server->stop();
  if (impl_->listener.joinable()) impl_->listener.join();
}

void HttpsTestServer::serve(const std::string& path, std::string body, int status) {
  impl_->add(path, [body = std::move(body), status](httplib::Response& response) {
    response.status = status;
    response.set_content(body, "application/zip");
  });
}

void HttpsTestServer::redirect(const std::string& path, const std::string& location) {
  impl_->add(path, [location](httplib::Response& response) { response.set_redirect(location); });
}

void HttpsTestServer::stall(const std::string& path) {
  impl_->add(path, [impl = impl_.get()](httplib::Response& response) {
    response.set_chunked_content_provider("application/zip",
                                          [impl](std::size_t offset, httplib::DataSink& sink) {
                                            if (offset == 0) return sink.write("PK", 2);
                                            std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                            return !impl->stopping;
                                          });
  });
}

void HttpsTestServer::endless(const std::string& path) {
  impl_->add(path, [impl = impl_.get()](httplib::Response& response) {
    response.set_chunked_content_provider("application/zip", [impl](std::size_t, httplib::DataSink& sink) {
      static const std::string block(64 * 1024, 'z');
      return !impl->stopping && sink.write(block.data(), block.size());
    });
  });
}

std::string HttpsTestServer::url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(impl_->port) + path;
}

const std::string& HttpsTestServer::caPem() const {
  return impl_->caPem;
}

}  // namespace talvo::test
