// talvo-host edit under an X server, run as a user runs it: the window it
// opens is looked at, resized and closed from the test's own connection.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/x11_probe.h"

// Last: Xlib's macros (None, Status, Bool) collide with names in other headers.
#include <X11/Xlib.h>

using namespace std::chrono_literals;
using namespace talvo::test;

namespace {

class EditTool : public testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) GTEST_SKIP() << "no X server (run under xvfb-run)";
    adoptOrphans();
  }
  void TearDown() override {
    if (host_ != nullptr) {
      kill(pid_, SIGKILL);
      pclose(host_);
    }
    EXPECT_TRUE(allChildrenGone(5s));
    if (display_ != nullptr) XCloseDisplay(display_);
  }

  // Starts talvo-host edit on the bundle; its window, once it has named it.
  // Its output stays open: what it prints later must not meet a closed pipe.
  unsigned long start() {
    host_ = popen("exec '" TALVO_HOST_PATH "' edit '" TALVO_BUNDLE_PATH "'", "r");
    pid_ = childProcesses().at(0);
    char line[512];
    while (std::fgets(line, sizeof line, host_) != nullptr) {
      if (const char* at = std::strstr(line, "window 0x")) return std::strtoul(at + 7, nullptr, 16);
    }
    return 0;
  }
  // How talvo-host ended, as a wait status; it is killed when still running after ten seconds.
  int ending() {
    siginfo_t info{};
    const auto ended = [&] {
      return waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid;
    };
    if (!waitFor(ended, 10s)) kill(pid_, SIGKILL);
    const int status = pclose(host_);
    host_ = nullptr;
    return status;
  }

  Display* display_ = nullptr;
  FILE* host_ = nullptr;
  pid_t pid_ = -1;
};

TEST_F(EditTool, ShowsThePageWhichGetsItsHelloAndFollowsTheWindowWithinTheViewsLimits) {
  const unsigned long window = start();
  ASSERT_NE(window, 0u);
  // The page titles itself with the plug-in's name and values once the
  // hello it asked for with "talvo.ready" has arrived ("Oriel" before).
  EXPECT_TRUE(waitFor([&] { return embeddedTitle(display_, window).rfind("Oriel — ", 0) == 0; }, 30s));
  EXPECT_TRUE(waitFor([&] { return capturedColours(window) > 16; }, 10s));
  const talvo::host::WindowSize resizes[][2] = {
      {{900, 620}, {900, 620}}, {{2000, 2000}, {1300, 900}}, {{100, 100}, {360, 320}}};
  for (const auto& [asked, granted] : resizes) {
    XResizeWindow(display_, window, asked.width, asked.height);
    XFlush(display_);
    const auto fitted = [&] { return talvo::host::x11WindowSize(display_, window) == granted; };
    EXPECT_TRUE(waitFor([&] { return fitted() && embeddedSize(display_, window) == granted; }, 5s))
        << asked.width << " x " << asked.height;
  }
  // A window that goes ends the session, the editor inside it included.
  XDestroyWindow(display_, window);
  XFlush(display_);
  EXPECT_EQ(ending(), 0);
}

TEST_F(EditTool, EndsCleanlyOnCtrlCAndLeavesNoEditorProcessEvenWhenKilled) {
  const int endings[][2] = {{SIGINT, 0}, {SIGKILL, SIGKILL}};  // the signal, then the wait status
  for (const auto& [signal, status] : endings) {
    SCOPED_TRACE(signal);
    const unsigned long window = start();
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(waitFor([&] { return embeddedSize(display_, window).width > 0; }, 20s));
    kill(pid_, signal);
    EXPECT_EQ(ending(), status);
    EXPECT_TRUE(allChildrenGone(5s));
  }
}

}  // namespace
