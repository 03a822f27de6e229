// Module entry points a Linux host calls right after dlopen and right before
// dlclose. The counting lives in module_lifetime so every platform shares it.
#include "pluginterfaces/base/fplatform.h"
#include "vst3/module_lifetime.h"

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
  return talvo::enterModule(sharedLibraryHandle);
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
  return talvo::exitModule();
}

}  // extern "C"
