// The Linux editor view under an X server, seen from its controller: plain
// Xlib top-level windows as a host makes them, the host's run loop, the real
// editor process and the bundle's page. talvo-host edit shows the rest.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/linux/webview_plug_view.h"
#include "fake_controller.h"
#include "hosting/plug_frame.h"
#include "support/x11_probe.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using namespace std::chrono_literals;
using namespace Steinberg;
using namespace talvo::test;

namespace {

const std::string kHelper = TALVO_BUNDLE_PATH "/Contents/x86_64-linux/talvo-webview";
const std::string kUiRoot = TALVO_BUNDLE_PATH "/Contents/Resources/ui";

std::ptrdiff_t entries(const char* dir) {
  return std::distance(std::filesystem::directory_iterator(dir), {});
}

// Bytes the program holds on the heap now (the sanitizer's count when it owns the heap).
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

class EditorUnderX : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    if (!window_.open("editor test", {720, 520}, error)) GTEST_SKIP() << error << " (run under xvfb-run)";
    adoptOrphans();
  }

  IPtr<talvo::WebViewPlugView> makeView() {
    auto view = owned(new talvo::WebViewPlugView(controller_, controller_, kUiRoot, nullptr, kHelper));
    view->setFrame(&frame_);
    return view;
  }
  static bool attach(talvo::WebViewPlugView& view, const talvo::host::X11Window& window) {
    return view.attached(reinterpret_cast<void*>(window.id()), kPlatformTypeX11EmbedWindowID) == kResultTrue;
  }
  // Runs the loop until an editor's window is in `window`.
  bool shown(const talvo::host::X11Window& window) {
    return loop_.runUntil([&] { return embeddedSize(window.display(), window.id()).width > 0; }, 10s);
  }

  talvo::host::X11Window window_;
  talvo::host::RunLoop loop_;
  talvo::host::PlugFrame frame_{loop_};
  IPtr<FakeController> controller_ = owned(new FakeController);
};

// Which of two editors gets the page's messages is the session's rule; here both run.
TEST_F(EditorUnderX, AttachRemoveCyclesBesideASecondEditorLeaveNoThreadDescriptorMemoryOrProcessBehind) {
  talvo::host::X11Window second;
  std::string error;
  ASSERT_TRUE(second.open("second editor", {720, 520}, error)) << error;
  auto other = makeView();
  ASSERT_TRUE(attach(*other, second) && shown(second));
  auto view = makeView();
  const auto cycle = [&](int index) {
    ASSERT_TRUE(attach(*view, window_));
    // Every fourth editor gets as far as its window; the others go at once.
    ASSERT_TRUE(index % 4 != 0 || shown(window_));
    ASSERT_EQ(view->removed(), kResultOk);
    ASSERT_EQ(childProcesses().size(), 1u) << "cycle " << index;
    controller_->events.clear();
    controller_->messages.clear();
  };
  cycle(0);  // the first one sets up what every later one reuses
  const auto threads = entries("/proc/self/task");
  const auto descriptors = entries("/proc/self/fd");
  const std::size_t heap = heapInUse();
  for (int index = 1; index < 20; ++index)
    cycle(index);
  EXPECT_EQ(entries("/proc/self/task"), threads);
  EXPECT_EQ(entries("/proc/self/fd"), descriptors);
  EXPECT_LT(heapInUse(), heap + 1024);
  EXPECT_GT(embeddedSize(second.display(), second.id()).width, 0);
  other->removed();
  EXPECT_TRUE(childProcesses().empty());
}

TEST_F(EditorUnderX, KilledEditorProcessIsAnEditorErrorAndLeavesTheViewEmpty) {
  auto view = makeView();
  ASSERT_TRUE(attach(*view, window_));
  ASSERT_TRUE(loop_.runUntil([&] { return controller_->heard("talvo.ready"); }, 30s));
  // The editor's cadence timer ticks the controller while it is open, and no longer.
  ASSERT_TRUE(loop_.runUntil([&] { return controller_->ticks >= 3; }, 1s));
  const std::vector<pid_t> editor = childProcesses();
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
  const int ticks = controller_->ticks;
  loop_.runOnce(100ms);
  EXPECT_EQ(controller_->ticks, ticks);
  // WebKit's processes of the killed editor became ours; they leave on their own.
  EXPECT_TRUE(allChildrenGone(5s));
}

}  // namespace
