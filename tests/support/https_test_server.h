#pragma once
// An HTTPS server on 127.0.0.1 for tests of code that downloads. It makes its
// own certificate authority when it starts; clients reach it by trusting
// `caPem()`. Routes may be added while it runs.
#include <memory>
#include <string>

namespace talvo::test {

class HttpsTestServer {
 public:
  HttpsTestServer();
  ~HttpsTestServer();  // stops
  HttpsTestServer(const HttpsTestServer&) = delete;
  HttpsTestServer& operator=(const HttpsTestServer&) = delete;

  /// Makes the certificates and listens on a free port; false when it cannot.
  [[nodiscard]] bool start();
  /// Closes the port and ends answers in flight (stalls, endless streams).
  void stop();

  /// GET `path` answers `status` with `body`.
  void serve(const std::string& path, std::string body, int status = 200);
  /// GET `path` answers 302 with `location` (any URL, https or not).
  void redirect(const std::string& path, const std::string& location);
  /// GET `path` answers 200 and two bytes, then nothing until the server stops.
  void stall(const std::string& path);
  /// GET `path` answers 200 with bytes that never end.
  void endless(const std::string& path);

  /// "https://127.0.0.1:{port}{path}".
  [[nodiscard]] std::string url(const std::string& path) const;
  /// The authority that signed the server's certificate (PEM).
  [[nodiscard]] const std::string& caPem() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace talvo::test
