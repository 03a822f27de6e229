// talvo-host: loads a VST3 bundle and describes it, renders an audio file
// through it, has it load a sound pack or speaks its editor's protocol; also
// fetches hosted banks into the cache.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "talvo_host/commands.h"
#include "talvo_host/text.h"

namespace {

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: talvo-host info BUNDLE [--json] [--rate HZ]\n"
      "       talvo-host render BUNDLE --in IN.wav --out OUT.wav [--block N] [--align]\n"
      "                  [--set PATH=VALUE ...] [--automate PATH=SECONDS:VALUE,... ...]\n"
      "                  [--state-in FILE] [--state-out FILE] [--tail SECONDS] [--mix-down]\n"
      "                  [--format wav|flac|aiff|ogg] [--bits 16|24|32] [--allow-nonfinite]\n"
      "       talvo-host bank BUNDLE DIR [--instrument ID]\n"
      "       talvo-host bridge BUNDLE [--in IN.wav]\n"
      "       talvo-host ui BUNDLE [--port N] [--in IN.wav] [--state-out FILE]\n"
      "       talvo-host edit BUNDLE [--in IN.wav]\n"
      "       talvo-host fetch-bank URL SHA256 [--cache DIR]\n"
      "\n"
      "render plays IN.wav through the plug-in at the file's sample rate. Values are plain\n"
      "(e.g. Hz for oriel.rate); automation ramps linearly between its points and reaches\n"
      "the plug-in as points every 32 frames, whatever the block size. OUT has the plug-in's\n"
      "output channels; it keeps the plug-in's latency and is longer than IN by it, unless\n"
      "--align removes the latency from its start; --tail renders that much longer. Its\n"
      "format follows its extension (.wav and .aiff 32-bit float, .flac 24-bit, .ogg) unless\n"
      "--format or --bits say otherwise; it appears only when the render succeeded. A file\n"
      "wider than the plug-in's input is refused unless --mix-down (stereo on a mono input\n"
      "is always mixed down); NaN or infinite samples fail the render unless --allow-nonfinite.\n"
      "\n"
      "bank asks the plug-in to load the sound pack in DIR, as its editor would, and says\n"
      "what it answered: the outcome, why, and the instrument or kit.\n"
      "\n"
      "bridge plays the plug-in in real time (IN.wav looped, or a test tone at 48 kHz) and\n"
      "speaks its editor's protocol: each line of standard input is one page message (a\n"
      "JSON object) for the controller; each message to the page is printed as one line.\n"
      "It ends at the end of its input.\n"
      "\n"
      "ui plays the plug-in likewise and serves its editor page to a browser on 127.0.0.1\n"
      "at the address it prints (with a one-time token). Each line of standard input,\n"
      "PATH=VALUE, moves a parameter as host automation would; the controller's edits are\n"
      "printed. Ctrl-C ends it, saving the plug-in's state to FILE with --state-out.\n"
      "\n"
      "edit plays the plug-in likewise and shows its own editor in a window (an X display\n"
      "is needed), sized within the editor's limits; the controller's edits are printed.\n"
      "Closing the window or Ctrl-C ends it.\n"
      "\n"
      "fetch-bank downloads a hosted bank over https, checks it against its SHA-256, caches\n"
      "it (under DIR instead of the user's bank cache with --cache) and prints the entry.\n",
      out);
}

int runVerb(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    printUsage(stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "info") == 0) return talvo::host::runInfo(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return talvo::host::runRender(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "bank") == 0) return talvo::host::runBank(argc - 2, argv + 2);
#if defined(__linux__)
  if (argc >= 2 && std::strcmp(argv[1], "bridge") == 0) return talvo::host::runBridge(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "edit") == 0) return talvo::host::runEdit(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "ui") == 0) return talvo::host::runUi(argc - 2, argv + 2);
#endif
  if (argc >= 2 && std::strcmp(argv[1], "fetch-bank") == 0)
    return talvo::host::runFetchBank(argc - 2, argv + 2);
  printUsage(stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever a plug-in or a file makes go wrong ends in one line, not an abort.
  try {
    return runVerb(argc, argv);
  } catch (const std::exception& e) {
    talvo::host::reportFailure(std::string("stopped by an unexpected error: ") + e.what());
  } catch (...) {
    talvo::host::reportFailure("stopped by an unexpected error");
  }
  return 1;
}
