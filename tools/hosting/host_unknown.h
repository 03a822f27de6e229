#pragma once
// Host-owned VST3 objects: the host keeps them as members, hands out raw
// pointers for the duration of a call, and never lets a plug-in delete them.
// Reference counting therefore only counts; it never frees.
#include <atomic>
#include <cstdint>

#include "pluginterfaces/base/funknown.h"

namespace talvo::host {

/// Answers queryInterface for FUnknown and the one interface `Iface`, with
/// counting that never deletes (the owner's lifetime rules).
template <typename Iface>
class HostOwned : public Iface {
 public:
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
    if (obj == nullptr) return Steinberg::kInvalidArgument;
    if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid.toTUID()) ||
        Steinberg::FUnknownPrivate::iidEqual(iid, Iface::iid.toTUID())) {
      *obj = static_cast<Iface*>(this);
      this->addRef();
      return Steinberg::kResultOk;
    }
    *obj = nullptr;
    return Steinberg::kNoInterface;
  }
  Steinberg::uint32 PLUGIN_API addRef() override { return ++refs_; }
  Steinberg::uint32 PLUGIN_API release() override { return --refs_; }

 protected:
  HostOwned() = default;
  virtual ~HostOwned() = default;

 private:
  std::atomic<std::uint32_t> refs_{1};
};

}  // namespace talvo::host
