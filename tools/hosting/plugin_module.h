#pragma once
// Loads a VST3 bundle (or a bare module file): opens the shared object,
// runs its module entry and fetches its class factory. Closing runs the
// module exit and unloads it, after every object it made has been released.
#include <memory>
#include <string>

#include "pluginterfaces/base/ipluginbase.h"

namespace talvo::host {

class PluginModule {
 public:
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  /// Opens `path`: a bundle directory ("Name.vst3", whose module is
  /// Contents/<arch>-linux/Name.so) or a module file, either loaded by its
  /// absolute path. On failure returns null and says why in `error`.
  [[nodiscard]] static std::unique_ptr<PluginModule> open(const std::string& path, std::string& error);

  /// The factory; owned by the module (one reference held until close).
  [[nodiscard]] Steinberg::IPluginFactory* factory() const { return factory_; }
  /// The handle the module entry was given.
  [[nodiscard]] void* nativeHandle() const { return handle_; }
  /// An exported symbol of the module, or null.
  [[nodiscard]] void* symbol(const char* name) const;
  [[nodiscard]] const std::string& modulePath() const { return modulePath_; }

 private:
  PluginModule() = default;

  void* handle_ = nullptr;
  bool entered_ = false;
  Steinberg::IPluginFactory* factory_ = nullptr;
  std::string modulePath_;
};

/// The module file inside a bundle directory for this machine's architecture.
[[nodiscard]] std::string bundleModulePath(const std::string& bundlePath);

}  // namespace talvo::host
