// talvo-webview: the editor process that a plug-in view starts on Linux.
//   talvo-webview <parent X11 window> <width> <height> <UI directory> <plug-in pid>
// with the channel to the plug-in on descriptor 3. It keeps GTK and WebKit
// (their X error handling, locale changes and memory) out of the host.
#include <dirent.h>
#include <fcntl.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "editor/editor_channel.h"
#include "editor/gtk/web_editor.h"

namespace {

std::vector<pid_t> childProcesses() {
  std::vector<pid_t> children;
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return children;
  while (const dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    std::ifstream list(std::string("/proc/self/task/") + task->d_name + "/children");
    for (pid_t pid = 0; list >> pid;)
      children.push_back(pid);
  }
  closedir(tasks);
  return children;
}

// A view removed at once closes the channel before there is anything to see.
bool channelClosed(int fd) {
  pollfd polled{fd, POLLIN, 0};
  char byte = 0;
  return poll(&polled, 1, 0) == 1 && recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// WebKit's own processes leave once their context is gone; waiting for them
// (and killing stragglers) means no process of ours outlives the editor.
void endWebProcesses() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
  while (!childProcesses().empty() && std::chrono::steady_clock::now() < deadline) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  for (const pid_t pid : childProcesses())
    kill(pid, SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
  // A host that dies, however it dies, takes its editor with it.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (argc != 6) {
    std::fputs("usage: talvo-webview WINDOW WIDTH HEIGHT UI_DIRECTORY PLUGIN_PID (channel on fd 3)\n",
               stderr);
    return 2;
  }
  if (getppid() != static_cast<pid_t>(std::strtol(argv[5], nullptr, 10))) return 0;  // died before prctl
  talvo::WebEditorLaunch launch;
  launch.parentWindow = std::strtoul(argv[1], nullptr, 10);
  launch.width = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  launch.height = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
  launch.uiRoot = argv[4];
  launch.channel = talvo::kEditorChannelFd;
  // WebKit's processes must not inherit the channel, or its end would not be
  // seen when this process goes.
  if (fcntl(launch.channel, F_SETFD, FD_CLOEXEC) != 0) return 2;

  g_set_prgname("talvo-webview");
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::string frame;
    talvo::appendEditorFrame(frame, talvo::EditorFrame::Error, "no X display for the editor");
    (void)!write(launch.channel, frame.data(), frame.size());
    return 1;
  }
  // The host may destroy its window before it removes the view; the X errors
  // that follow must not end the editor (GDK's handler would exit).
  gdk_x11_display_error_trap_push(gdk_display_get_default());
  if (channelClosed(launch.channel)) return 0;
  {
    talvo::WebEditor editor(launch);
    if (editor.open()) editor.run();
  }
  endWebProcesses();
  // Everything is taken down; exit handlers (a sanitizer's leak scan of GTK's
  // heap among them) would only keep the host waiting in removed().
  std::fflush(nullptr);
  _exit(0);
}
