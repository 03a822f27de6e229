// talvo-host ui: the editor page in an ordinary browser, against the live
// plug-in. The plug-in runs connected and playing in real time (a test tone,
// or a file looped) while UiServer serves its UI directory on 127.0.0.1 and
// carries the bridge messages: the page's to the controller, the
// controller's to every open page. The controller is only ever called here,
// on the main thread that runs the host's run loop; the server's threads hand
// page messages over through a queue and a descriptor that the loop watches.
//
// Standard input moves parameters from the host's side ("oriel.rate=7", as
// automation in a DAW would), so the page's handling of automation can be
// watched; standard output shows the URL and every edit the controller
// reports to the host. SIGINT or SIGTERM ends the session.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "editor/ui_bundle.h"
#include "hosting/automation.h"
#include "hosting/parameter_directory.h"
#include "params/params.h"
#include "talvo_host/commands.h"
#include "talvo_host/descriptor_watch.h"
#include "talvo_host/line_reader.h"
#include "talvo_host/live_plugin.h"
#include "talvo_host/replacing_file.h"
#include "talvo_host/text.h"
#include "talvo_host/ui_server.h"

namespace talvo::host {

namespace {

// The controller's bridge sink; the server may not be made yet.
void publishToPages(void* server, const char* json, std::size_t length) {
  if (auto& pages = *static_cast<std::unique_ptr<UiServer>*>(server))
    pages->publish(std::string_view(json, length));
}

// Standard input: one host automation per line, "name=plain" as --set takes it.
void automateFromLine(LivePlugin& live, std::string_view line) {
  ParamSetting setting;
  std::string error;
  if (!parseSetting(ParameterDirectory(live.instance().controller()), std::string(line), setting, error)) {
    reportFailure("ignored input (" + error + "); a line moves a parameter: NAME=VALUE");
    return;
  }
  live.automate(setting.id, setting.normalized);
}

struct UiOptions {
  std::string bundle;
  std::string in;        // "" plays the test tone
  std::string stateOut;  // "" keeps no state
  int port = 0;          // 0: any free port
};

int runSession(const UiOptions& options) {
  const SignalDescriptor signals;
  if (signals.fd() < 0) {
    reportFailure("cannot take over SIGINT and SIGTERM");
    return 1;
  }
  ::signal(SIGPIPE, SIG_IGN);

  std::string error;
  std::unique_ptr<UiServer> server;  // outlives the plug-in, which may publish until it is gone
  LivePlugin live;
  if (!live.open(options.bundle, options.in, &publishToPages, &server, error)) {
    reportFailure(error);
    return 1;
  }
  const std::string uiRoot = uiRootForImageFile(live.module().modulePath());
  const std::string token = randomToken();
  if (uiRoot.empty()) error = options.bundle + " has no UI directory (Contents/Resources/ui)";
  if (token.empty()) error = "cannot read the system's random source";
  if (!error.empty()) {
    reportFailure(error);
    return 1;
  }
  server = std::make_unique<UiServer>(uiRoot, token);
  if (!server->start(options.port, error)) {
    reportFailure(error);
    return 1;
  }

  bool ending = false;
  DescriptorWatch inbound([&] {
    for (const std::string& message : server->takeInbound())
      live.deliver(message);
  });
  DescriptorWatch stop([&] { ending = true; });
  LineReader input([&](std::string_view line) { automateFromLine(live, line); });
  RunLoop& loop = live.loop();
  bool reading = loop.registerEventHandler(&input, STDIN_FILENO) == Steinberg::kResultOk;
  const bool watching =
      loop.registerEventHandler(&inbound, server->inboundDescriptor()) == Steinberg::kResultOk &&
      loop.registerEventHandler(&stop, signals.fd()) == Steinberg::kResultOk;
  if (watching) {
    std::printf("talvo-host ui: open %s in a browser; Ctrl-C ends\n", server->url().c_str());
    std::fflush(stdout);
  } else {
    reportFailure("cannot watch the server's messages or the signals");
  }
  while (watching && !ending) {
    loop.runOnce(std::chrono::milliseconds(100));
    printEdits(live.instance().componentHandler());
    // Input may end at once (a session in the background): serving goes on.
    if (reading && input.ended()) {
      (void)loop.unregisterEventHandler(&input);
      reading = false;
    }
  }
  (void)loop.unregisterEventHandler(&input);
  (void)loop.unregisterEventHandler(&inbound);
  (void)loop.unregisterEventHandler(&stop);
  server->stop();

  std::string state;
  if (watching && !options.stateOut.empty() &&
      (!live.instance().getState(state, error) || !writeFileReplacing(options.stateOut, state, error))) {
    reportFailure(error);
    return 1;
  }
  return watching ? 0 : 1;
}

}  // namespace

Verb addUiVerb(CLI::App& app) {
  auto options = std::make_shared<UiOptions>();
  CLI::App* verb =
      app.add_subcommand("ui", "Serves the editor page to a browser against the playing plug-in.");
  verb->footer(
      "The plug-in plays in real time (IN.wav looped, or a test tone); its page is served on 127.0.0.1 at "
      "the "
      "address printed (with a one-time token). Each line of standard input, NAME=VALUE, moves a parameter "
      "as "
      "host automation would; the controller's edits are printed. Ctrl-C ends it, saving the plug-in's state "
      "to FILE with --state-out.");
  verb->add_option("BUNDLE", options->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option("--port", options->port, "the port to serve on (default: any free one)")
      ->type_name("N")
      ->check(CLI::Range(1, 65535).description(""));
  verb->add_option("--in", options->in, "an audio file to loop")->type_name("IN.wav");
  verb->add_option("--state-out", options->stateOut, "where to save the plug-in's state at the end")
      ->type_name("FILE");
  return {verb, [options] { return runSession(*options); }};
}

}  // namespace talvo::host
