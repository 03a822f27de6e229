#pragma once
// A bundle opened together with one instance of its first audio processor
// class: the usual starting point of a host session.
#include <memory>
#include <string>

#include "hosting/factory_info.h"
#include "hosting/plugin_instance.h"
#include "hosting/plugin_module.h"

namespace talvo::host {

struct LoadedPlugin {
  std::unique_ptr<PluginModule> module;
  FactoryRecord factory;
  std::unique_ptr<PluginInstance> instance;

  LoadedPlugin() = default;
  LoadedPlugin(LoadedPlugin&&) = default;
  LoadedPlugin& operator=(LoadedPlugin&&) = default;
  /// The instance goes before the module that holds its code.
  ~LoadedPlugin() { instance.reset(); }
};

/// Opens `path`, reads its factory and creates an instance of its first
/// "Audio Module Class" class; false with a reason otherwise. `runLoop`, when
/// given, is offered to the instance and must outlive it.
[[nodiscard]] bool loadPlugin(const std::string& path, LoadedPlugin& out, std::string& error,
                              Steinberg::FUnknown* runLoop = nullptr);

}  // namespace talvo::host
