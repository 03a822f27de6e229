// talvo-host bridge: the editor page's protocol from a shell. The plug-in runs
// connected and playing in real time (a test signal, or a file looped) while
// page messages, one JSON object per line on standard input, go to its
// controller through the exported bridge functions; every message the
// controller sends the page comes out on standard output, one per line. The
// run loop drives the controller's cadence clock; the end of input ends it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "talvo_host/command_line.h"
#include "talvo_host/commands.h"
#include "talvo_host/line_reader.h"
#include "talvo_host/live_plugin.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

void printLine(void* /*context*/, const char* json, std::size_t length) {
  std::fwrite(json, 1, length, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int runBridge(int argc, char** argv) {
  CommandLine args;
  std::string error;
  if (!args.parse(argc, argv, {"--in"}, {}, error) || args.positional().size() != 1) {
    reportFailure(error.empty() ? "bridge needs exactly one bundle" : error);
    return 2;
  }
  LivePlugin live;
  if (!live.open(args.positional()[0], args.value("--in"), &printLine, nullptr, error)) {
    reportFailure(error);
    return 1;
  }
  LineReader input([&](std::string_view line) { live.deliver(line); });
  if (live.loop().registerEventHandler(&input, STDIN_FILENO) != Steinberg::kResultOk) {
    reportFailure("cannot watch standard input");
    return 1;
  }
  while (!input.ended())
    live.loop().runOnce(std::chrono::milliseconds(100));
  (void)live.loop().unregisterEventHandler(&input);
  return 0;
}

}  // namespace talvo::host
