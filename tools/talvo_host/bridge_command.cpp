// talvo-host bridge: the editor page's protocol from a shell. The plug-in runs
// connected and playing in real time (a test signal, or a file looped) while
// page messages, one JSON object per line on standard input, go to its
// controller through the exported bridge functions; every message the
// controller sends the page comes out on standard output, one per line. The
// run loop drives the controller's cadence clock; the end of input ends it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

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

int runBridge(const std::string& bundle, const std::string& in) {
  std::string error;
  LivePlugin live;
  if (!live.open(bundle, in, &printLine, nullptr, error)) {
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

}  // namespace

Verb addBridgeVerb(CLI::App& app) {
  struct Options {
    std::string bundle, in;
  };
  auto options = std::make_shared<Options>();
  CLI::App* verb =
      app.add_subcommand("bridge", "Speaks the editor page's protocol with the playing plug-in.");
  verb->footer(
      "The plug-in plays in real time (IN.wav looped, or a test tone at 48 kHz). Each line of standard input "
      "is "
      "one page message (a JSON object) for the controller; each message to the page is printed as one line. "
      "It ends at the end of its input.");
  verb->add_option("BUNDLE", options->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option("--in", options->in, "an audio file to loop")->type_name("IN.wav");
  return {verb, [options] { return runBridge(options->bundle, options->in); }};
}

}  // namespace talvo::host
