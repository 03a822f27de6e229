#include "hosting/plugin_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace talvo::host {

namespace {

#if defined(__x86_64__)
constexpr const char* kArchFolder = "x86_64-linux";
#elif defined(__aarch64__)
constexpr const char* kArchFolder = "aarch64-linux";
#elif defined(__i386__)
constexpr const char* kArchFolder = "i386-linux";
#else
constexpr const char* kArchFolder = "unknown-linux";
#endif

using ModuleEntryFn = bool (*)(void*);
using ModuleExitFn = bool (*)();
using GetFactoryFn = Steinberg::IPluginFactory* (*)();

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The module file behind `path` as an absolute path, so dlopen never searches
// the library path for a bare name; false for anything that is neither a
// bundle directory nor a module file.
bool resolveModulePath(const std::string& path, std::string& out, std::string& error) {
  if (path.empty()) {
    error = "no bundle given: name a .vst3 bundle directory or a module file";
    return false;
  }
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string absolute = resolved;
  std::free(resolved);
  struct stat info {};
  if (stat(absolute.c_str(), &info) != 0 || !(S_ISDIR(info.st_mode) || S_ISREG(info.st_mode))) {
    error = path + " is neither a bundle directory nor a module file";
    return false;
  }
  out = S_ISDIR(info.st_mode) ? bundleModulePath(absolute) : absolute;
  if (!isRegularFile(out)) {
    error = path + " is not a VST3 bundle: it has no module " + out.substr(absolute.size() + 1);
    return false;
  }
  return true;
}

}  // namespace

std::string bundleModulePath(const std::string& bundlePath) {
  std::string bundle = bundlePath;
  while (bundle.size() > 1 && bundle.back() == '/')
    bundle.pop_back();
  std::string name = bundle.substr(bundle.find_last_of('/') + 1);
  const std::string suffix = ".vst3";
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
    name.resize(name.size() - suffix.size());
  }
  return bundle + "/Contents/" + kArchFolder + "/" + name + ".so";
}

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string& error) {
  std::unique_ptr<PluginModule> module(new PluginModule());
  if (!resolveModulePath(path, module->modulePath_, error)) return nullptr;
  // Local binding keeps the module's SDK copy from resolving against ours.
  module->handle_ = dlopen(module->modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module->handle_ == nullptr) {
    const char* why = dlerror();
    error = "cannot load " + module->modulePath_ + ": " + (why != nullptr ? why : "unknown error");
    return nullptr;
  }
  auto entry = reinterpret_cast<ModuleEntryFn>(dlsym(module->handle_, "ModuleEntry"));
  auto getFactory = reinterpret_cast<GetFactoryFn>(dlsym(module->handle_, "GetPluginFactory"));
  if (entry == nullptr || getFactory == nullptr) {
    error = module->modulePath_ + " does not export ModuleEntry and GetPluginFactory";
    return nullptr;
  }
  if (!entry(module->handle_)) {
    error = "ModuleEntry of " + module->modulePath_ + " failed";
    return nullptr;
  }
  module->entered_ = true;
  module->factory_ = getFactory();
  if (module->factory_ == nullptr) {
    error = "GetPluginFactory of " + module->modulePath_ + " returned no factory";
    return nullptr;
  }
  return module;
}

void* PluginModule::symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

PluginModule::~PluginModule() {
  if (factory_ != nullptr) factory_->release();
  if (entered_) {
    if (auto exitFn = reinterpret_cast<ModuleExitFn>(dlsym(handle_, "ModuleExit"))) exitFn();
  }
  if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace talvo::host
