// talvo-host: loads a VST3 bundle and describes it, renders an audio file
// through it or has it load a sound pack; also fetches hosted banks into the
// cache.
#include <cstdio>
#include <cstring>

#include "talvo_host/commands.h"

namespace {

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: talvo-host info BUNDLE [--json] [--rate HZ]\n"
      "       talvo-host render BUNDLE --in IN.wav --out OUT.wav [--block N] [--align]\n"
      "                  [--set PATH=VALUE ...] [--automate PATH=SECONDS:VALUE,... ...]\n"
      "                  [--state-in FILE] [--state-out FILE]\n"
      "       talvo-host bank BUNDLE DIR [--instrument ID]\n"
      "       talvo-host fetch-bank URL SHA256 [--cache DIR]\n"
      "\n"
      "render plays IN.wav through the plug-in at the file's sample rate. Values are plain\n"
      "(e.g. Hz for oriel.rate); automation ramps linearly between its points and reaches\n"
      "the plug-in as points every 32 frames, whatever the block size. OUT.wav is 32-bit\n"
      "float with the plug-in's output channels; it keeps the plug-in's latency and is\n"
      "longer than IN.wav by it, unless --align removes the latency from its start.\n"
      "\n"
      "bank asks the plug-in to load the sound pack in DIR, as its editor would, and says\n"
      "what it answered: the outcome, why, and the instrument or kit.\n"
      "\n"
      "fetch-bank downloads a hosted bank over https, checks it against its SHA-256, caches\n"
      "it (under DIR instead of the user's bank cache with --cache) and prints the entry.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    printUsage(stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "info") == 0) return talvo::host::runInfo(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return talvo::host::runRender(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "bank") == 0) return talvo::host::runBank(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "fetch-bank") == 0)
    return talvo::host::runFetchBank(argc - 2, argv + 2);
  printUsage(stderr);
  return 2;
}
