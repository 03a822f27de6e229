#include "hosting/x11_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace talvo::host {

WindowSize x11WindowSize(Display* display, unsigned long window) {
  XWindowAttributes attributes;
  if (window == 0 || XGetWindowAttributes(display, window, &attributes) == 0) return {};
  return {attributes.width, attributes.height};
}

X11Window::~X11Window() {
  if (display_ == nullptr) return;
  if (window_ != 0) XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

bool X11Window::open(const std::string& title, WindowSize size, std::string& error) {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) {
    error = "cannot open the X display (is DISPLAY set?)";
    return false;
  }
  const int screen = DefaultScreen(display_);
  window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0,
                                static_cast<unsigned>(size.width), static_cast<unsigned>(size.height), 0,
                                BlackPixel(display_, screen), BlackPixel(display_, screen));
  size_ = size;
  XStoreName(display_, window_, title.c_str());
  XSelectInput(display_, window_, StructureNotifyMask);
  Atom deleteAtom = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display_, window_, &deleteAtom, 1);
  deleteAtom_ = deleteAtom;
  XMapWindow(display_, window_);
  XSync(display_, False);
  return true;
}

int X11Window::fd() const {
  return display_ != nullptr ? ConnectionNumber(display_) : -1;
}

void X11Window::setSizeLimits(WindowSize smallest, WindowSize largest) {
  XSizeHints hints{};
  hints.flags = PMinSize | PMaxSize;
  hints.min_width = smallest.width;
  hints.min_height = smallest.height;
  hints.max_width = largest.width;
  hints.max_height = largest.height;
  XSetWMNormalHints(display_, window_, &hints);
}

void X11Window::resize(WindowSize size) {
  XResizeWindow(display_, window_, static_cast<unsigned>(size.width), static_cast<unsigned>(size.height));
  XFlush(display_);
}

void X11Window::dispatchEvents() {
  if (display_ == nullptr) return;
  bool resized = false;
  bool closing = false;
  // XPending also flushes our requests, which poll would otherwise wait on.
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.xany.window != window_) continue;
    if (event.type == ConfigureNotify) {
      const WindowSize size{event.xconfigure.width, event.xconfigure.height};
      resized = resized || size != size_;
      size_ = size;
    } else if (event.type == ClientMessage &&
               static_cast<unsigned long>(event.xclient.data.l[0]) == deleteAtom_) {
      closing = true;
    } else if (event.type == DestroyNotify) {
      window_ = 0;  // another client destroyed it: nothing left to show in
      closing = true;
    }
  }
  // A drag sends a burst of sizes; the view only needs the last.
  if (resized && window_ != 0 && onResized) onResized(size_);
  if (closing && onCloseRequested) onCloseRequested();
}

}  // namespace talvo::host
