// The Linux editor end to end under an X server: a plain Xlib top-level
// window as a host makes it, the host's run loop, the real editor process
// and the bundle's page.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/linux/webview_plug_view.h"
#include "fake_controller.h"
#include "hosting/plug_frame.h"
#include "hosting/run_loop.h"

// Last: Xlib defines macros (None, Status, Bool) that other headers use as names.
#include <X11/Xlib.h>

using namespace std::chrono_literals;
using namespace Steinberg;
using talvo::test::FakeController;

namespace {

const std::string kBundle = TALVO_BUNDLE_PATH;
const std::string kHelper = kBundle + "/Contents/x86_64-linux/talvo-webview";
const std::string kUiRoot = kBundle + "/Contents/Resources/ui";

std::vector<pid_t> children() {
  std::vector<pid_t> found;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream list(task.path() / "children");
    for (pid_t pid = 0; list >> pid;)
      found.push_back(pid);
  }
  return found;
}

std::ptrdiff_t entries(const char* dir) {
  return std::distance(std::filesystem::directory_iterator(dir), {});
}

class EditorUnderX : public testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) GTEST_SKIP() << "no X server (run under xvfb-run)";
    // Orphans of the editor process come to us, so none can hide.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 720, 520, 0, 0, 0);
    XMapWindow(display_, window_);
    XSync(display_, False);
  }
  void TearDown() override {
    if (display_ == nullptr) return;
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  IPtr<talvo::WebViewPlugView> makeView() {
    auto view = owned(new talvo::WebViewPlugView(controller_, controller_, kUiRoot, nullptr, kHelper));
    view->setFrame(&frame_);
    return view;
  }
  bool attach(talvo::WebViewPlugView& view) {
    return view.attached(reinterpret_cast<void*>(window_), kPlatformTypeX11EmbedWindowID) == kResultTrue;
  }
  // The size of the editor's window inside ours, or 0 x 0 when there is none.
  std::pair<int, int> embeddedSize() {
    Window root = 0, parent = 0, *inner = nullptr;
    unsigned int count = 0;
    std::pair<int, int> size{0, 0};
    XQueryTree(display_, window_, &root, &parent, &inner, &count);
    XWindowAttributes attributes;
    if (count == 1 && XGetWindowAttributes(display_, inner[0], &attributes)) {
      size = {attributes.width, attributes.height};
    }
    if (inner != nullptr) XFree(inner);
    return size;
  }
  // Colours in a capture of our window: 1 when nothing was painted into it.
  int capturedColours() {
    const std::string command =
        "import -window " + std::to_string(window_) + " png:- | convert - -format %k info:";
    FILE* pipe = popen(command.c_str(), "r");
    int colours = 0;
    if (fscanf(pipe, "%d", &colours) != 1) colours = 0;
    pclose(pipe);
    return colours;
  }
  // WebKit's processes of a killed editor become ours; they leave on their own.
  bool allChildrenGone(std::chrono::milliseconds limit) {
    return loop_.runUntil(
        [] {
          while (waitpid(-1, nullptr, WNOHANG) > 0) {
          }
          return children().empty();
        },
        limit);
  }

  Display* display_ = nullptr;
  Window window_ = 0;
  talvo::host::RunLoop loop_;
  talvo::host::PlugFrame frame_{loop_};
  IPtr<FakeController> controller_ = owned(new FakeController);
};

TEST_F(EditorUnderX, PageSaysReadyGetsTheHelloPaintsTheWindowAndFollowsResizes) {
  auto view = makeView();
  ASSERT_TRUE(attach(*view));
  ASSERT_TRUE(loop_.runUntil([&] { return controller_->heard("talvo.ready"); }, 30s));
  ASSERT_TRUE(controller_->sink);
  controller_->sink(R"({"type":"talvo.hello","params":[]})");
  // The page answers a hello by subscribing to its feeds.
  EXPECT_TRUE(loop_.runUntil([&] { return controller_->heard("talvo.diag.subscribe"); }, 10s));
  EXPECT_TRUE(loop_.runUntil([&] { return capturedColours() > 16; }, 10s));

  ViewRect larger(0, 0, 900, 620);
  ASSERT_EQ(view->onSize(&larger), kResultTrue);
  EXPECT_TRUE(loop_.runUntil([&] { return embeddedSize() == std::make_pair(900, 620); }, 5s));
  ViewRect tiny(0, 0, 10, 10);
  ASSERT_EQ(view->onSize(&tiny), kResultTrue);
  EXPECT_TRUE(loop_.runUntil([&] { return embeddedSize() == std::make_pair(360, 320); }, 5s));

  view->removed();
  EXPECT_EQ(controller_->events, (std::vector<std::string>{"sink", "opened", "closed", "no sink"}));
  EXPECT_EQ(embeddedSize(), std::make_pair(0, 0));
  EXPECT_TRUE(children().empty());
}

TEST_F(EditorUnderX, AttachRemoveCyclesLeaveNoThreadDescriptorOrProcessBehind) {
  const auto threads = entries("/proc/self/task");
  const auto descriptors = entries("/proc/self/fd");
  auto view = makeView();
  for (int cycle = 0; cycle < 20; ++cycle) {
    ASSERT_TRUE(attach(*view));
    // Every fourth editor gets as far as its window; the others go at once.
    if (cycle % 4 == 0) {
      ASSERT_TRUE(loop_.runUntil([&] { return embeddedSize().first > 0; }, 10s));
    }
    ASSERT_EQ(view->removed(), kResultOk);
    ASSERT_TRUE(children().empty()) << "cycle " << cycle;
  }
  EXPECT_EQ(entries("/proc/self/task"), threads);
  EXPECT_EQ(entries("/proc/self/fd"), descriptors);
}

TEST_F(EditorUnderX, KilledEditorProcessIsAnEditorErrorAndLeavesTheViewEmpty) {
  auto view = makeView();
  ASSERT_TRUE(attach(*view));
  ASSERT_TRUE(loop_.runUntil([&] { return controller_->heard("talvo.ready"); }, 30s));
  const std::vector<pid_t> editor = children();
  ASSERT_EQ(editor.size(), 1u);
  kill(editor[0], SIGKILL);
  // Waits for its end without reaping it or running the loop, so that the view has not seen it yet.
  siginfo_t ended{};
  ASSERT_EQ(waitid(P_PID, editor[0], &ended, WEXITED | WNOWAIT), 0);
  controller_->sink(R"({"type":"talvo.hello","params":[]})");  // into a closed socket: no SIGPIPE
  ASSERT_TRUE(loop_.runUntil([&] { return !controller_->sink; }, 5s));
  EXPECT_EQ(controller_->events,
            (std::vector<std::string>{"sink", "opened", "error: editor process ended", "closed", "no sink"}));
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(controller_->events.size(), 5u);
  EXPECT_TRUE(allChildrenGone(5s));
}

}  // namespace
