#include "editor/linux/editor_process.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

extern char** environ;

namespace talvo {
namespace {

// The editor needs a moment to take down its web processes in order; after
// that it is killed, so a hung editor never holds the host for long.
constexpr auto kQuitGrace = std::chrono::milliseconds(1500);

bool reaped(pid_t pid) {
  int status = 0;
  for (;;) {
    const pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == pid) return true;
    if (result < 0 && errno == EINTR) continue;
    // ECHILD: a host that ignores SIGCHLD (or reaps every child) got it first.
    return result < 0;
  }
}

void closeQuietly(int fd) {
  if (fd >= 0) close(fd);
}

}  // namespace

std::string editorHelperPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&editorHelperPath), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::string path = info.dli_fname;
  const std::string::size_type slash = path.find_last_of('/');
  path.erase(slash == std::string::npos ? 0 : slash + 1);
  return path + "talvo-webview";
}

bool EditorProcess::start(const EditorLaunch& launch) {
  stop();
  std::array<int, 2> ends{-1, -1};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) return false;
  // dup2 onto itself would keep close-on-exec set, so the child's end must not
  // already be the channel's number.
  if (ends[1] == kEditorChannelFd) {
    const int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, kEditorChannelFd + 1);
    close(ends[1]);
    ends[1] = moved;
    if (moved < 0) {
      close(ends[0]);
      return false;
    }
  }

  const std::string window = std::to_string(launch.parentWindow);
  const std::string width = std::to_string(launch.width);
  const std::string height = std::to_string(launch.height);
  const std::string parent = std::to_string(getpid());
  const std::array<char*, 7> argv{const_cast<char*>(launch.helperPath.c_str()),
                                  const_cast<char*>(window.c_str()),
                                  const_cast<char*>(width.c_str()),
                                  const_cast<char*>(height.c_str()),
                                  const_cast<char*>(launch.uiRoot.c_str()),
                                  const_cast<char*>(parent.c_str()),
                                  nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], kEditorChannelFd);
  posix_spawn_file_actions_addclosefrom_np(&actions, kEditorChannelFd + 1);
  // The host's ignored signals (SIGCHLD, SIGPIPE) and its signal mask would
  // otherwise carry over into GLib, which needs SIGCHLD for its own children.
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int failed =
      posix_spawn(&pid, launch.helperPath.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(ends[1]);
  if (failed != 0) {
    close(ends[0]);
    return false;
  }
  const timeval sendLimit{1, 0};
  setsockopt(ends[0], SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
  fd_ = ends[0];
  pid_ = pid;
  return true;
}

bool EditorProcess::send(EditorFrame type, std::string_view payload) {
  if (fd_ < 0) return false;
  std::string frame;
  appendEditorFrame(frame, type, payload);
  std::size_t sent = 0;
  while (sent < frame.size()) {
    // MSG_NOSIGNAL: an editor that has gone must not take the host with SIGPIPE.
    const ssize_t n = ::send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool EditorProcess::receive(EditorFrameReader& reader) {
  if (fd_ < 0) return false;
  std::array<char, 65536> buffer;
  for (int reads = 0; reads < 16; ++reads) {
    const ssize_t n = recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n > 0) {
      reader.append(buffer.data(), static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return true;
}

void EditorProcess::abandon() {
  if (pid_ > 0) kill(pid_, SIGKILL);
}

void EditorProcess::stop() {
  closeQuietly(fd_);
  fd_ = -1;
  if (pid_ <= 0) return;
  const auto deadline = std::chrono::steady_clock::now() + kQuitGrace;
  bool gone = reaped(pid_);
  while (!gone && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    gone = reaped(pid_);
  }
  if (!gone) {
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
}

}  // namespace talvo
