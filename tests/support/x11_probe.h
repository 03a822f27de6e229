#pragma once
// What the editor tests look at: the window an editor embedded into a host's
// window, a capture of it, and the processes left behind. With adoptOrphans
// the test program reaps its descendants' orphans too, so none can hide.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "hosting/x11_window.h"

namespace talvo::test {

/// Checks `done` every 20 ms; false when it has not held within `limit`.
[[nodiscard]] bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);
void adoptOrphans();
/// The children of every thread of this process.
[[nodiscard]] std::vector<pid_t> childProcesses();
/// Reaps ended children until none is left; false when some outlive `limit`.
[[nodiscard]] bool allChildrenGone(std::chrono::milliseconds limit);

/// The size of the only child of `window`, or 0 x 0.
[[nodiscard]] host::WindowSize embeddedSize(_XDisplay* display, unsigned long window);
/// The title (_NET_WM_NAME) of the only child of `window`, or "".
[[nodiscard]] std::string embeddedTitle(_XDisplay* display, unsigned long window);
/// The colours in a capture of `window`: 1 when nothing was painted into it.
[[nodiscard]] int capturedColours(unsigned long window);

}  // namespace talvo::test
