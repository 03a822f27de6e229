// Units, program lists and MIDI mapping: the optional controller interfaces a
// host browses, each answer pointing at something that exists.
#include <set>
#include <vector>

#include "hosting/parameter_directory.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "validate/checks.h"

namespace talvo::validate {

using Steinberg::kResultOk;
using namespace Steinberg::Vst;

namespace {

// A count a plug-in gives for units, lists or programs that a host can believe.
constexpr Steinberg::int32 kMaxListed = 4096;

template <typename Iface>
Result withInterface(Session& session, std::unique_ptr<host::PluginInstance>& instance,
                     Steinberg::FUnknownPtr<Iface>& out, const char* what) {
  std::string error;
  instance = session.instance(error);
  if (instance == nullptr) return fail(error);
  if (instance->controller() == nullptr) return skip("the plug-in has no controller");
  out = Steinberg::FUnknownPtr<Iface>(instance->controller());
  if (!out) return skip(std::string("the controller has no ") + what);
  return pass();
}

std::set<ProgramListID> programListIds(IUnitInfo& units) {
  std::set<ProgramListID> ids;
  for (Steinberg::int32 i = 0; i < units.getProgramListCount() && i < kMaxListed; ++i) {
    ProgramListInfo info{};
    if (units.getProgramListInfo(i, info) == kResultOk) ids.insert(info.id);
  }
  return ids;
}

}  // namespace

Result checkUnitInfo(Session& session) {
  std::unique_ptr<host::PluginInstance> instance;
  Steinberg::FUnknownPtr<IUnitInfo> units;
  if (Result r = withInterface(session, instance, units, "unit info"); r.verdict != Verdict::kPass) return r;
  const Steinberg::int32 count = units->getUnitCount();
  if (count < 1 || count > kMaxListed)
    return fail("the controller claims " + std::to_string(count) + " units");
  std::vector<UnitInfo> infos(static_cast<std::size_t>(count));
  std::set<UnitID> ids;
  for (Steinberg::int32 i = 0; i < count; ++i) {
    if (units->getUnitInfo(i, infos[static_cast<std::size_t>(i)]) != kResultOk)
      return fail("unit index " + std::to_string(i) + " has no info");
    if (!ids.insert(infos[static_cast<std::size_t>(i)].id).second)
      return fail("two units have the id " + std::to_string(infos[static_cast<std::size_t>(i)].id));
  }
  if (ids.count(kRootUnitId) == 0) return fail("there is no root unit");
  UnitInfo beyond{};
  if (units->getUnitInfo(count, beyond) == kResultOk)
    return fail("the controller describes a unit past its count");
  const std::set<ProgramListID> lists = programListIds(*units);
  for (const UnitInfo& unit : infos) {
    const bool parentKnown =
        unit.id == kRootUnitId ? unit.parentUnitId == kNoParentUnitId : ids.count(unit.parentUnitId);
    if (!parentKnown) return fail("unit " + std::to_string(unit.id) + " has a parent that is not a unit");
    if (unit.programListId != kNoProgramListId && lists.count(unit.programListId) == 0)
      return fail("unit " + std::to_string(unit.id) + " names a program list that does not exist");
  }
  IEditController& controller = *instance->controller();
  for (Steinberg::int32 i = 0; i < controller.getParameterCount() && i < host::kMaxParameters; ++i) {
    ParameterInfo info{};
    if (controller.getParameterInfo(i, info) == kResultOk && ids.count(info.unitId) == 0) {
      return fail("parameter " + std::to_string(info.id) + " belongs to unit " + std::to_string(info.unitId) +
                  ", which does not exist");
    }
  }
  return pass(std::to_string(count) + (count == 1 ? " unit" : " units"));
}

Result checkProgramLists(Session& session) {
  std::unique_ptr<host::PluginInstance> instance;
  Steinberg::FUnknownPtr<IUnitInfo> units;
  if (Result r = withInterface(session, instance, units, "unit info"); r.verdict != Verdict::kPass) return r;
  const Steinberg::int32 count = units->getProgramListCount();
  if (count < 0 || count > kMaxListed)
    return fail("the controller claims " + std::to_string(count) + " program lists");
  int programs = 0;
  for (Steinberg::int32 i = 0; i < count; ++i) {
    ProgramListInfo info{};
    if (units->getProgramListInfo(i, info) != kResultOk)
      return fail("program list " + std::to_string(i) + " has no info");
    if (info.programCount < 0 || info.programCount > kMaxListed)
      return fail("program list " + std::to_string(info.id) + " claims " + std::to_string(info.programCount) +
                  " programs");
    for (Steinberg::int32 p = 0; p < info.programCount; ++p, ++programs) {
      String128 name{};
      if (units->getProgramName(info.id, p, name) != kResultOk)
        return fail("program " + std::to_string(p) + " of list " + std::to_string(info.id) + " has no name");
    }
    String128 name{};
    if (units->getProgramName(info.id, info.programCount, name) == kResultOk)
      return fail("program list " + std::to_string(info.id) + " names a program past its count");
  }
  ProgramListInfo beyond{};
  if (units->getProgramListInfo(count, beyond) == kResultOk)
    return fail("the controller describes a program list past its count");
  return pass(std::to_string(count) + " lists, " + std::to_string(programs) + " programs");
}

Result checkMidiMapping(Session& session) {
  std::unique_ptr<host::PluginInstance> instance;
  Steinberg::FUnknownPtr<IMidiMapping> mapping;
  if (Result r = withInterface(session, instance, mapping, "MIDI mapping"); r.verdict != Verdict::kPass)
    return r;
  const host::ParameterDirectory parameters(instance->controller());
  std::set<ParamID> known;
  for (const host::ParameterEntry& p : parameters.entries())
    known.insert(p.id);
  int mapped = 0;
  // Every controller on every channel, and queries no host should make, which must not name a stranger.
  for (Steinberg::int32 bus : {0, 1, -1}) {
    for (Steinberg::int16 channel = -1; channel <= 16; ++channel) {
      for (CtrlNumber cc = -1; cc <= kCountCtrlNumber; ++cc) {
        ParamID id = kNoParamId;
        if (mapping->getMidiControllerAssignment(bus, channel, cc, id) != kResultOk) continue;
        if (known.count(id) == 0) {
          return fail("controller " + std::to_string(cc) + " on channel " + std::to_string(channel) +
                      " of bus " + std::to_string(bus) + " maps to " + std::to_string(id) +
                      ", which is no parameter");
        }
        ++mapped;
      }
    }
  }
  return pass(std::to_string(mapped) + " assignments");
}

}  // namespace talvo::validate
