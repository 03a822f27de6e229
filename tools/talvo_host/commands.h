#pragma once
// The verbs of talvo-host. Each adds its subcommand to the tool's command
// line and returns what runs it.
#include "banks/hosted/hosted_bank.h"
#include "talvo_host/cli.h"

namespace talvo::host {

Verb addInfoVerb(CLI::App& app);
Verb addRenderVerb(CLI::App& app);
/// Exits 0 when the plug-in found the pack sound, 1 when the pack is missing or broken.
Verb addBankVerb(CLI::App& app);
/// Page messages from standard input to the playing plug-in's controller, its answers to standard output.
Verb addBridgeVerb(CLI::App& app);
/// The editor page served to a browser on 127.0.0.1, against the playing plug-in.
Verb addUiVerb(CLI::App& app);
/// The plug-in's editor in an X11 window of its own while the plug-in plays, until the window closes.
Verb addEditVerb(CLI::App& app);
/// `defaults` is where tests trust their own server; the tool passes none.
Verb addFetchBankVerb(CLI::App& app, const HostedFetchOptions& defaults = {});
/// The conformance checks; exits 0 when every check passed.
Verb addValidateVerb(CLI::App& app);

}  // namespace talvo::host
