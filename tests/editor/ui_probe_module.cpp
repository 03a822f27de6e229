// A stand-in plug-in binary: the tests copy it into a bundle layout, load it
// and ask it, from inside its own image, where its UI directory and manifest are.

#include "editor/ui_bundle.h"
#include "editor/ui_manifest.h"

extern "C" __attribute__((visibility("default"))) const char* talvoProbeUiRoot() {
  return talvoPluginUiRootForDiagnostics();
}

extern "C" __attribute__((visibility("default"))) void talvoProbeFacts(talvo::UiBundleFacts* out) {
  *out = talvo::readUiBundleFacts();
}
