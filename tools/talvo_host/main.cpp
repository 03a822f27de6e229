// talvo-host: loads a VST3 bundle and describes it, renders an audio file
// through it, checks it as hosts would, has it load a sound pack, speaks its
// editor's protocol, serves its editor page to a browser or shows its editor in a
// window; also fetches
// hosted banks into the cache.
#include <exception>
#include <string>

#include "talvo_host/commands.h"
#include "talvo_host/text.h"

int main(int argc, char** argv) {
  // Whatever a plug-in or a file makes go wrong ends in one line, not an abort.
  try {
    CLI::App app;
    talvo::host::describeTool(app);
    const std::vector<talvo::host::Verb> verbs = {
      talvo::host::addInfoVerb(app),
      talvo::host::addRenderVerb(app),
      talvo::host::addValidateVerb(app),
      talvo::host::addBankVerb(app),
#if defined(__linux__)
      talvo::host::addBridgeVerb(app),
      talvo::host::addUiVerb(app),
      talvo::host::addEditVerb(app),
#endif
      talvo::host::addFetchBankVerb(app),
    };
    return talvo::host::runVerbs(app, verbs, argc, argv);
  } catch (const std::exception& e) {
    talvo::host::reportFailure(std::string("stopped by an unexpected error: ") + e.what());
  } catch (...) {
    talvo::host::reportFailure("stopped by an unexpected error");
  }
  return 1;
}
