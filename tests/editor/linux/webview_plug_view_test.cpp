// The Linux editor view where no X server is needed.
#include "editor/linux/webview_plug_view.h"

#include <gtest/gtest.h>

#include "fake_controller.h"

using namespace Steinberg;
using talvo::test::FakeController;

TEST(WebViewPlugView, OffersOnlyX11EmbeddingClampsSizesAndNeedsTheHostRunLoopToAttach) {
  const IPtr<FakeController> controller = owned(new FakeController);
  const auto view = owned(new talvo::WebViewPlugView(controller, controller, "/nonexistent"));
  EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
  for (const FIDString type :
       {kPlatformTypeNSView, kPlatformTypeHWND, "x11embedwindowid", FIDString{nullptr}}) {
    EXPECT_EQ(view->isPlatformTypeSupported(type), kResultFalse);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(1), type), kResultFalse);
  }
  EXPECT_EQ(view->checkSizeConstraint(nullptr), kInvalidArgument);
  EXPECT_EQ(view->onSize(nullptr), kResultFalse);
  ViewRect size(0, 0, 2000, 100);
  EXPECT_EQ(view->onSize(&size), kResultTrue);  // not attached: only remembered
  ViewRect got;
  view->getSize(&got);
  EXPECT_EQ(std::make_pair(got.getWidth(), got.getHeight()), std::make_pair(1300, 320));
  EXPECT_TRUE(controller->events.empty());
  EXPECT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeX11EmbedWindowID), kResultFalse);
  EXPECT_EQ(controller->events, std::vector<std::string>{"error: host offers no run loop"});
}

TEST(WebViewPlugView, KeepsItsControllerAliveForItsWholeLife) {
  auto* controller = new FakeController;
  IPlugView* view = talvo::createWebViewEditor(controller, controller, "/nonexistent");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(controller->getRefCount(), 2u);
  view->release();
  EXPECT_EQ(controller->getRefCount(), 1u);
  controller->release();
}

TEST(WebViewPlugView, NoEditorWithoutAUiDirectoryOrAController) {
  const IPtr<FakeController> controller = owned(new FakeController);
  EXPECT_EQ(talvo::createWebViewEditor(controller, controller, ""), nullptr);
  EXPECT_EQ(talvo::createWebViewEditor(nullptr, controller, "/ui"), nullptr);
  // The test program is not in a bundle, so it has no UI directory of its own.
  EXPECT_EQ(talvo::createWebViewEditor(controller, controller, nullptr), nullptr);
  EXPECT_EQ(controller->events,
            (std::vector<std::string>{"error: no ui bundle in plugin", "error: no ui bundle in plugin"}));
}
