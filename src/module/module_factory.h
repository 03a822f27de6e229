#pragma once
// The module's class factory content: factory information, the classes it
// registers and the module information document written from the same data.
#include <string>

#include "pluginterfaces/base/ipluginbase.h"

extern "C" {
/// Builds the factory on the first call; later calls add a reference to it.
SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();
}

namespace talvo {

[[nodiscard]] Steinberg::PFactoryInfo pluginFactoryInfo();
/// Built once, on first use, and kept for the life of the process.
[[nodiscard]] const Steinberg::PClassInfo2& processorClassInfo();
[[nodiscard]] const Steinberg::PClassInfo2& controllerClassInfo();

/// The module information document hosts read to scan a bundle without
/// loading it, written from what `factory` reports.
[[nodiscard]] std::string writeModuleInfoJson(Steinberg::IPluginFactory2& factory, const char* moduleName,
                                              const char* moduleVersion);

}  // namespace talvo
