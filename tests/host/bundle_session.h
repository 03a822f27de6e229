#pragma once
// The built Oriel.vst3, opened once per test binary through the hosting
// library, and helpers to make fresh instances of its processor.
#include <memory>
#include <string>

#include "hosting/factory_info.h"
#include "hosting/plugin_instance.h"
#include "hosting/plugin_module.h"

namespace talvo::host::test {

/// Path of the bundle the build produced.
[[nodiscard]] std::string bundlePath();
/// The opened module, or null (with the reason in `error`) when it cannot load.
[[nodiscard]] PluginModule* bundleModule(std::string& error);
[[nodiscard]] const FactoryRecord& bundleFactory();
/// A new processor instance, initialized and connected, not started.
[[nodiscard]] std::unique_ptr<PluginInstance> newInstance(std::string& error);

}  // namespace talvo::host::test
