#pragma once
// The verbs of talvo-host; each returns the process exit status
// (0 done, 1 failed, 2 bad command line). argv starts after the verb.
#include "banks/hosted/hosted_bank.h"

namespace talvo::host {

int runInfo(int argc, char** argv);
/// Page messages from standard input to the playing plug-in's controller, its answers to standard output.
int runBridge(int argc, char** argv);
/// The plug-in's editor in an X11 window of its own while the plug-in plays, until the window closes.
int runEdit(int argc, char** argv);
/// The editor page served to a browser on 127.0.0.1, against the playing plug-in.
int runUi(int argc, char** argv);
int runRender(int argc, char** argv);
/// Exits 0 when the plug-in found the pack sound, 1 when the pack is missing or broken.
int runBank(int argc, char** argv);
/// `defaults` is where tests trust their own server; the tool passes none.
int runFetchBank(int argc, char** argv, const HostedFetchOptions& defaults = {});

}  // namespace talvo::host
