#include "host/bundle_session.h"

namespace talvo::host::test {

namespace {

struct Session {
  std::unique_ptr<PluginModule> module;
  FactoryRecord factory;
  std::string error;
};

Session& session() {
  // Opened on first use and closed at exit, after every test's instances are gone.
  static Session s = [] {
    Session opened;
    opened.module = PluginModule::open(bundlePath(), opened.error);
    if (opened.module != nullptr && !readFactory(*opened.module->factory(), opened.factory, opened.error)) {
      opened.module.reset();
    }
    return opened;
  }();
  return s;
}

}  // namespace

std::string bundlePath() {
  return TALVO_BUNDLE_PATH;
}

PluginModule* bundleModule(std::string& error) {
  error = session().error;
  return session().module.get();
}

const FactoryRecord& bundleFactory() {
  return session().factory;
}

std::unique_ptr<PluginInstance> newInstance(std::string& error) {
  PluginModule* module = bundleModule(error);
  if (module == nullptr) return nullptr;
  const ClassRecord* processorClass = findClass(bundleFactory(), "Audio Module Class");
  if (processorClass == nullptr) {
    error = "the bundle has no audio processor class";
    return nullptr;
  }
  return PluginInstance::create(*module->factory(), processorClass->cid, error);
}

}  // namespace talvo::host::test
