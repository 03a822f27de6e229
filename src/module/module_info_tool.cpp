// Build step: writes the bundle's module information document from the
// factory that the bundle itself exports.
#include <cstdio>
#include <string>

#include "module/module_factory.h"
#include "vst3/plugin_identity.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "talvo-plugin-shell: usage: %s OUTPUT.json\n", argv[0]);
    return 2;
  }
  Steinberg::IPluginFactory* factory = GetPluginFactory();
  Steinberg::IPluginFactory2* factory2 = nullptr;
  if (factory == nullptr ||
      factory->queryInterface(Steinberg::IPluginFactory2::iid, reinterpret_cast<void**>(&factory2)) !=
          Steinberg::kResultOk) {
    std::fprintf(stderr, "talvo-plugin-shell: the factory does not report class information\n");
    if (factory != nullptr) factory->release();
    return 1;
  }
  const std::string json =
      talvo::writeModuleInfoJson(*factory2, talvo::kProcessorClassName, talvo::kPluginVersion);
  factory2->release();
  factory->release();

  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "talvo-plugin-shell: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written =
      std::fwrite(json.data(), 1, json.size(), file) == json.size() && std::fputc('\n', file) != EOF;
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "talvo-plugin-shell: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
