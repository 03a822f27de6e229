#include "hosting/loaded_plugin.h"

namespace talvo::host {

bool loadPlugin(const std::string& path, LoadedPlugin& out, std::string& error,
                Steinberg::FUnknown* runLoop) {
  LoadedPlugin loaded;
  loaded.module = PluginModule::open(path, error);
  if (loaded.module == nullptr) return false;
  if (!readFactory(*loaded.module->factory(), loaded.factory, error)) return false;
  const ClassRecord* processorClass = findClass(loaded.factory, "Audio Module Class");
  if (processorClass == nullptr) {
    error = path + " has no audio processor class";
    return false;
  }
  loaded.instance = PluginInstance::create(*loaded.module->factory(), processorClass->cid, error, runLoop);
  if (loaded.instance == nullptr) return false;
  out = std::move(loaded);
  return true;
}

}  // namespace talvo::host
