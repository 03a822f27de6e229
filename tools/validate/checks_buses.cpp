// The factory's classes and the component's buses: what a host reads before
// it ever processes, and what must not change while it reads.
#include <cstring>
#include <set>
#include <vector>

#include "hosting/plugin_limits.h"
#include "hosting/utf16_text.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "validate/checks.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

namespace {

constexpr MediaType kTypes[] = {kAudio, kEvent};
constexpr BusDirection kDirections[] = {kInput, kOutput};

std::string kindName(MediaType type, BusDirection direction) {
  return std::string(type == kAudio ? "audio " : "event ") + (direction == kInput ? "input" : "output");
}

std::string busName(MediaType type, BusDirection direction, Steinberg::int32 index) {
  return kindName(type, direction) + " bus " + std::to_string(index);
}

bool sameInfo(const BusInfo& a, const BusInfo& b) {
  return a.mediaType == b.mediaType && a.direction == b.direction && a.channelCount == b.channelCount &&
         a.busType == b.busType && a.flags == b.flags && std::memcmp(a.name, b.name, sizeof a.name) == 0;
}

// Every audio bus's arrangement agrees with the channel count its info gives.
bool arrangementsAgree(IComponent& component, IAudioProcessor& processor, std::string& error) {
  for (BusDirection direction : kDirections) {
    for (Steinberg::int32 i = 0; i < component.getBusCount(kAudio, direction); ++i) {
      BusInfo info{};
      SpeakerArrangement arrangement = 0;
      if (component.getBusInfo(kAudio, direction, i, info) != kResultOk ||
          processor.getBusArrangement(direction, i, arrangement) != kResultOk) {
        error = busName(kAudio, direction, i) + " has no arrangement or no info";
        return false;
      }
      if (SpeakerArr::getChannelCount(arrangement) != info.channelCount) {
        error = busName(kAudio, direction, i) + " has " + std::to_string(info.channelCount) +
                " channels but an arrangement of " + std::to_string(SpeakerArr::getChannelCount(arrangement));
        return false;
      }
    }
  }
  return true;
}

std::vector<SpeakerArrangement> arrangements(IComponent& component, IAudioProcessor& processor,
                                             BusDirection direction) {
  std::vector<SpeakerArrangement> out(static_cast<std::size_t>(component.getBusCount(kAudio, direction)));
  for (std::size_t i = 0; i < out.size(); ++i)
    (void)processor.getBusArrangement(direction, static_cast<Steinberg::int32>(i), out[i]);
  return out;
}

}  // namespace

Result checkFactory(Session& session) {
  std::set<std::array<std::uint8_t, 16>> ids;
  for (const host::ClassRecord& c : session.record().classes) {
    if (c.name.empty() || c.category.empty())
      return fail("class " + host::classIdHex(c.cid) + " has no name or category");
    if (!ids.insert(c.cid).second) return fail("two classes share the identifier " + host::classIdHex(c.cid));
  }
  Steinberg::PClassInfo info{};
  if (session.factory().getClassInfo(static_cast<Steinberg::int32>(session.record().classes.size()), &info) ==
      kResultOk) {
    return fail("the factory describes a class past its count");
  }
  void* object = nullptr;
  const Steinberg::TUID unknown = {};
  if (session.factory().createInstance(unknown, IComponent::iid.toTUID(), &object) == kResultOk || object) {
    return fail("the factory creates an instance of a class it does not have");
  }
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  Steinberg::TUID controllerCid{};
  if (instance->component()->getControllerClassId(controllerCid) != kResultOk)
    return pass("no controller class");
  if (instance->controller() == nullptr)
    return fail("the controller class the component names cannot be made");
  return pass();
}

Result checkBusScanning(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  IComponent& component = *instance->component();
  for (MediaType type : kTypes) {
    for (BusDirection direction : kDirections) {
      std::int32_t count = 0;
      if (!host::countBuses(component, type, direction, count, error)) return fail(error);
      for (Steinberg::int32 i = 0; i < count; ++i) {
        BusInfo info{};
        if (component.getBusInfo(type, direction, i, info) != kResultOk)
          return fail(busName(type, direction, i) + " has no info");
        if (!host::checkBusChannels(info, direction, i, error)) return fail(error);
        if (info.mediaType != type || info.direction != direction)
          return fail(busName(type, direction, i) + " describes itself as another kind of bus");
        if (host::utf8FromUtf16(info.name, 128).empty())
          return fail(busName(type, direction, i) + " has no name");
        if (info.busType != kMain && info.busType != kAux)
          return fail(busName(type, direction, i) + " is neither main nor auxiliary");
      }
      BusInfo info{};
      if (component.getBusInfo(type, direction, count, info) == kResultOk ||
          component.getBusInfo(type, direction, -1, info) == kResultOk) {
        return fail("the component describes a bus outside its " + kindName(type, direction) + " buses");
      }
    }
  }
  return pass();
}

Result checkBusConsistency(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  IComponent& component = *instance->component();
  for (MediaType type : kTypes) {
    for (BusDirection direction : kDirections) {
      std::int32_t count = 0;
      if (!host::countBuses(component, type, direction, count, error)) return fail(error);
      if (component.getBusCount(type, direction) != count)
        return fail("the count of " + kindName(type, direction) + " buses changes when asked again");
      for (Steinberg::int32 i = 0; i < count; ++i) {
        BusInfo first{}, second{};
        (void)component.getBusInfo(type, direction, i, first);
        (void)component.getBusInfo(type, direction, i, second);
        if (!sameInfo(first, second)) return fail(busName(type, direction, i) + " changes when asked again");
        if (i > 0 && first.busType == kMain)
          return fail(busName(type, direction, i) + " is a main bus after bus 0");
      }
    }
  }
  return arrangementsAgree(component, *instance->processor(), error) ? pass() : fail(error);
}

Result checkBusArrangements(Session& session) {
  std::string error;
  const auto instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  IComponent& component = *instance->component();
  IAudioProcessor& processor = *instance->processor();
  auto inputs = arrangements(component, processor, kInput);
  auto outputs = arrangements(component, processor, kOutput);
  const auto ins = static_cast<Steinberg::int32>(inputs.size());
  const auto outs = static_cast<Steinberg::int32>(outputs.size());
  if (processor.setBusArrangements(inputs.data(), ins, outputs.data(), outs) != kResultOk)
    return fail("the processor refuses the arrangements it reports");
  // Whatever it makes of a request, the buses must agree with the arrangements afterwards.
  int accepted = 0;
  for (SpeakerArrangement in : {SpeakerArr::kMono, SpeakerArr::kStereo}) {
    for (SpeakerArrangement out : {SpeakerArr::kMono, SpeakerArr::kStereo}) {
      std::vector<SpeakerArrangement> tryIn(inputs.size(), in), tryOut(outputs.size(), out);
      const bool ok = processor.setBusArrangements(tryIn.data(), ins, tryOut.data(), outs) == kResultOk;
      accepted += ok;
      if (!arrangementsAgree(component, processor, error))
        return fail("after a requested arrangement, " + error);
      if (ok && (arrangements(component, processor, kInput) != tryIn ||
                 arrangements(component, processor, kOutput) != tryOut)) {
        return fail("the processor accepts an arrangement but reports another");
      }
    }
  }
  if (processor.setBusArrangements(inputs.data(), ins, outputs.data(), outs) != kResultOk)
    return fail("the processor refuses its first arrangements once it has been asked for others");
  for (MediaType type : kTypes) {
    for (BusDirection direction : kDirections) {
      const Steinberg::int32 count = component.getBusCount(type, direction);
      for (Steinberg::int32 i = 0; i < count; ++i) {
        BusInfo info{};
        (void)component.getBusInfo(type, direction, i, info);
        if (component.activateBus(type, direction, i, false) != kResultOk ||
            component.activateBus(type, direction, i, true) != kResultOk ||
            component.activateBus(type, direction, i, (info.flags & BusInfo::kDefaultActive) != 0) !=
                kResultOk) {
          return fail(busName(type, direction, i) + " cannot be deactivated and activated");
        }
      }
      if (component.activateBus(type, direction, count, true) == kResultOk)
        return fail("the component activates a bus it does not have");
    }
  }
  return pass(std::to_string(accepted) + " of 4 mono and stereo requests accepted");
}

}  // namespace talvo::validate
