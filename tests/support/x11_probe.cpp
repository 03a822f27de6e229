#include "support/x11_probe.h"

#include <X11/Xlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace talvo::test {
namespace {

Window onlyChild(Display* display, unsigned long window) {
  Window root = 0, parent = 0, *inner = nullptr;
  unsigned int count = 0;
  XQueryTree(display, window, &root, &parent, &inner, &count);
  const Window child = count == 1 ? inner[0] : 0;
  if (inner != nullptr) XFree(inner);
  return child;
}

}  // namespace

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void adoptOrphans() {
  prctl(PR_SET_CHILD_SUBREAPER, 1);
}

std::vector<pid_t> childProcesses() {
  std::vector<pid_t> found;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream list(task.path() / "children");
    for (pid_t pid = 0; list >> pid;)
      found.push_back(pid);
  }
  return found;
}

bool allChildrenGone(std::chrono::milliseconds limit) {
  return waitFor(
      [] {
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        return childProcesses().empty();
      },
      limit);
}

host::WindowSize embeddedSize(Display* display, unsigned long window) {
  return host::x11WindowSize(display, onlyChild(display, window));
}

std::string embeddedTitle(Display* display, unsigned long window) {
  const Window child = onlyChild(display, window);
  Atom type = 0;
  int format = 0;
  unsigned long length = 0, after = 0;
  unsigned char* text = nullptr;
  if (child != 0) {
    XGetWindowProperty(display, child, XInternAtom(display, "_NET_WM_NAME", False), 0, 256, False,
                       AnyPropertyType, &type, &format, &length, &after, &text);
  }
  const std::string title(text != nullptr ? reinterpret_cast<const char*>(text) : "", length);
  if (text != nullptr) XFree(text);
  return title;
}

int capturedColours(unsigned long window) {
  const std::string command =
      "import -window " + std::to_string(window) + " png:- | convert - -format %k info:";
  FILE* pipe = popen(command.c_str(), "r");
  int colours = 0;
  if (std::fscanf(pipe, "%d", &colours) != 1) colours = 0;
  pclose(pipe);
  return colours;
}

}  // namespace talvo::test
