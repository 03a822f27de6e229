#pragma once
// A plain Xlib top-level window, the kind a Linux host opens for a plug-in's
// editor: the view embeds itself by the window's id. The window is also the
// run loop's handler of its display connection, so its events are read on
// the host's main thread with everything else; it passes on its size changes
// and the window manager's close request. Main thread only.
#include <functional>
#include <string>

#include "hosting/host_unknown.h"
#include "pluginterfaces/gui/iplugview.h"

// Xlib's own name for a display connection; its header stays out of ours
// (its macros None, Status and Bool collide with SDK names).
struct _XDisplay;

namespace talvo::host {

struct WindowSize {
  int width = 0;
  int height = 0;
  bool operator==(const WindowSize&) const = default;
};

/// The size of `window`, or 0 x 0 when it does not exist.
[[nodiscard]] WindowSize x11WindowSize(_XDisplay* display, unsigned long window);

class X11Window final : public HostOwned<Steinberg::Linux::IEventHandler> {
 public:
  X11Window() = default;
  /// Destroys the window and closes the connection.
  ~X11Window() override;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  /// Connects to the X display named by DISPLAY and opens a mapped window;
  /// false with a reason when there is no display.
  [[nodiscard]] bool open(const std::string& title, WindowSize size, std::string& error);

  [[nodiscard]] _XDisplay* display() const { return display_; }
  [[nodiscard]] unsigned long id() const { return window_; }
  /// The connection's descriptor, for the run loop; -1 when not open.
  [[nodiscard]] int fd() const;

  /// Tells the window manager the smallest and largest sizes the content takes.
  void setSizeLimits(WindowSize smallest, WindowSize largest);
  void resize(WindowSize size);

  /// Called with the new size whenever it changes.
  std::function<void(WindowSize)> onResized;
  /// Called when the window manager asks to close the window.
  std::function<void()> onCloseRequested;

  /// Handles every event that has arrived, including those Xlib already
  /// read into its queue (which leave nothing for poll to see): call it
  /// before each wait of the run loop as well.
  void dispatchEvents();
  void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor) override { dispatchEvents(); }

 private:
  _XDisplay* display_ = nullptr;
  unsigned long window_ = 0;
  unsigned long deleteAtom_ = 0;
  WindowSize size_;
};

}  // namespace talvo::host
