#pragma once
// The built Oriel.vst3, opened once per test binary through the hosting
// library, and fresh instances of its processor.
#include <memory>
#include <string>

#include "hosting/factory_info.h"
#include "hosting/plugin_instance.h"
#include "hosting/plugin_module.h"

namespace talvo::host::test {

/// The opened module; a failed test (with the reason) and null when it cannot load.
[[nodiscard]] PluginModule* bundleModule();
/// A new processor instance, initialized and connected, not started; null on failure.
[[nodiscard]] std::unique_ptr<PluginInstance> newInstance();

}  // namespace talvo::host::test
