#include "talvo_host/line_reader.h"

#include <unistd.h>

#include <cerrno>

namespace talvo::host {

void PLUGIN_API LineReader::onFDIsSet(Steinberg::Linux::FileDescriptor fd) {
  char chunk[4096];
  const ssize_t got = ::read(fd, chunk, sizeof chunk);
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (got <= 0) {
    emit(pending_);
    pending_.clear();
    ended_ = true;
    return;
  }
  pending_.append(chunk, static_cast<std::size_t>(got));
  std::size_t start = 0;
  for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1)
    emit(std::string_view(pending_).substr(start, end - start));
  pending_.erase(0, start);
}

void LineReader::emit(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.find_first_not_of(" \t") != std::string_view::npos) onLine_(line);
}

}  // namespace talvo::host
