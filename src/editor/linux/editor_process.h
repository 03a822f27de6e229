#pragma once
// The editor process of one attached view, seen from the plug-in: the GTK
// web view runs there (talvo-webview, beside the plug-in's binary), so the
// host never loads GTK or WebKit. Main thread only.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/editor_channel.h"

namespace talvo {

/// The editor executable beside the binary that holds this code, or "".
[[nodiscard]] std::string editorHelperPath();

struct EditorLaunch {
  std::string helperPath;
  unsigned long parentWindow = 0;  ///< the host's X11 window id
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::string uiRoot;
};

class EditorProcess {
 public:
  EditorProcess() = default;
  ~EditorProcess() { stop(); }
  EditorProcess(const EditorProcess&) = delete;
  EditorProcess& operator=(const EditorProcess&) = delete;

  /// Starts the editor process with only its channel, standard output and
  /// standard error open, default signal dispositions and no blocked signals.
  [[nodiscard]] bool start(const EditorLaunch& launch);
  [[nodiscard]] bool running() const { return fd_ >= 0; }
  /// Our end of the channel (for the host's run loop), or -1.
  [[nodiscard]] int fd() const { return fd_; }
  [[nodiscard]] pid_t pid() const { return pid_; }

  /// Sends one frame. False when the process cannot take it: it has gone, or
  /// it has not read its input for a second.
  [[nodiscard]] bool send(EditorFrame type, std::string_view payload);
  /// Reads what has arrived without waiting (a bounded amount: the run loop
  /// calls again for the rest); false at the end of the stream.
  [[nodiscard]] bool receive(EditorFrameReader& reader);
  /// Kills the process without waiting: its end of the stream then reaches
  /// the run loop, which tears the editor down outside the current call.
  void abandon();
  /// Closes the channel, which asks the process to quit; waits a bounded time
  /// for it, kills it if it has not gone, and reaps it (a host that ignores
  /// SIGCHLD reaps it itself). Harmless when nothing runs.
  void stop();

 private:
  int fd_ = -1;
  pid_t pid_ = -1;
};

}  // namespace talvo
