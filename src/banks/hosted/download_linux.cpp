// Downloads with libcurl. A plug-in shares its process with the host and other
// plug-ins: libcurl is set up once and never torn down, and it must never
// raise signals.
#include <curl/curl.h>

#include <memory>

#include "banks/hosted/download.h"

namespace talvo {

namespace {

bool curlReady() {
  // Thread-safe once; curl_global_cleanup is never called, since other code
  // in the host process may still be using libcurl.
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

struct Transfer {
  CURL* curl;
  ArchiveFile& archive;
  long status = 0;
};

// Refuses the body of any answer but 200 before a byte of it reaches the disk.
std::size_t receive(char* bytes, std::size_t size, std::size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  if (transfer.status == 0) curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &transfer.status);
  if (transfer.status != 200) return 0;
  return transfer.archive.append(bytes, size * count) ? size * count : 0;
}

}  // namespace

bool checkHostedUrl(const std::string& url, std::string& error) {
  const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curlReady() ? curl_url() : nullptr,
                                                                   curl_url_cleanup);
  char* scheme = nullptr;
  if (!parsed ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK ||
      curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) {
    error = "hosted bank url is not a valid URL";
    return false;
  }
  const bool https = curl_strequal(scheme, "https") != 0;
  curl_free(scheme);
  if (!https) error = "hosted banks must be served over https";
  return https;
}

bool downloadArchive(const std::string& url, const HostedFetchOptions& options, ArchiveFile& archive,
                     std::string& error) {
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curlReady() ? curl_easy_init() : nullptr,
                                                                   curl_easy_cleanup);
  if (!handle) {
    error = "download failed";
    return false;
  }
  CURL* curl = handle.get();
  Transfer transfer{curl, archive};
  char transportError[CURL_ERROR_SIZE] = {};
  // Without the protocol limits the transfer could leave https: no download then.
  if (curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https") != CURLE_OK ||
      curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https") != CURLE_OK) {
    error = "download failed";
    return false;
  }
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  // Some servers refuse a request without one; the Apple session always sends one.
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "talvo-plugin-shell");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  // No cookies (the cookie engine stays off) and no stored credentials.
  curl_easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(options.connectTimeoutSeconds));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.lowSpeedSeconds));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(options.totalTimeoutSeconds));
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxArchiveBytes));
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, transportError);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receive);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_blob authority{const_cast<char*>(options.extraTrustedCaPem.data()), options.extraTrustedCaPem.size(),
                      CURL_BLOB_COPY};
  if (!options.extraTrustedCaPem.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &authority);

  const CURLcode result = curl_easy_perform(curl);
  if (transfer.status == 0) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer.status);
  if (!archive.error().empty()) {
    error = archive.error();
  } else if (result == CURLE_FILESIZE_EXCEEDED) {
    error = "download failed";
  } else if (result == CURLE_UNSUPPORTED_PROTOCOL) {
    // The address itself was checked: only a redirect can leave https.
    error = "hosted banks must be served over https";
  } else if ((result == CURLE_OK || result == CURLE_WRITE_ERROR) && transfer.status != 200) {
    error = "HTTP " + std::to_string(transfer.status);
  } else if (result != CURLE_OK) {
    error = transportError[0] != '\0' ? transportError : curl_easy_strerror(result);
  } else {
    return true;
  }
  return false;
}

}  // namespace talvo
