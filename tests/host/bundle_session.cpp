#include "host/bundle_session.h"

#include <gtest/gtest.h>

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
    opened.module = PluginModule::open(TALVO_BUNDLE_PATH, opened.error);
    if (opened.module != nullptr && !readFactory(*opened.module->factory(), opened.factory, opened.error))
      opened.module.reset();
    return opened;
  }();
  return s;
}

}  // namespace

PluginModule* bundleModule() {
  if (session().module == nullptr) ADD_FAILURE() << session().error;
  return session().module.get();
}

std::unique_ptr<PluginInstance> newInstance() {
  PluginModule* module = bundleModule();
  const ClassRecord* processorClass = findClass(session().factory, "Audio Module Class");
  if (module == nullptr || processorClass == nullptr) return nullptr;
  std::string error;
  auto instance = PluginInstance::create(*module->factory(), processorClass->cid, error);
  if (instance == nullptr) ADD_FAILURE() << error;
  return instance;
}

}  // namespace talvo::host::test
