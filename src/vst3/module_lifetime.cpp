#include "vst3/module_lifetime.h"

#include <vector>

namespace talvo {

namespace {

struct ModuleState {
  std::vector<ModuleHook> initializers;
  std::vector<ModuleHook> terminators;
  void* handle = nullptr;
  int entries = 0;
};

// Built on first use so entry points called during static initialisation of
// another image still find it constructed.
ModuleState& state() {
  static ModuleState instance;
  return instance;
}

bool runHooks(const std::vector<ModuleHook>& hooks) {
  bool ok = true;
  for (ModuleHook hook : hooks)
    if (hook != nullptr && !hook()) ok = false;
  return ok;
}

}  // namespace

void addModuleInitializer(ModuleHook hook) {
  state().initializers.push_back(hook);
}
void addModuleTerminator(ModuleHook hook) {
  state().terminators.push_back(hook);
}

bool initModule() {
  return runHooks(state().initializers);
}
bool deinitModule() {
  return runHooks(state().terminators);
}

bool enterModule(void* handle) {
  ModuleState& s = state();
  if (++s.entries != 1) return true;
  s.handle = handle;
  return initModule();
}

bool exitModule() {
  ModuleState& s = state();
  if (s.entries <= 0) return false;
  if (--s.entries != 0) return true;
  deinitModule();
  s.handle = nullptr;
  return true;
}

void* moduleHandle() {
  return state().handle;
}
int moduleEntryCount() {
  return state().entries;
}

}  // namespace talvo
