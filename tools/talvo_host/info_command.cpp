// talvo-host info: what a bundle's factory, buses, parameters, units,
// program lists and MIDI mappings say, and the latency at one sample rate, as
// text or as one JSON document.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bridge/json_write.h"
#include "hosting/loaded_plugin.h"
#include "hosting/parameter_directory.h"
#include "hosting/plugin_limits.h"
#include "hosting/utf16_text.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "talvo_host/commands.h"
#include "talvo_host/text.h"

namespace talvo::host {

namespace {

using Steinberg::kResultOk;

struct BusRow {
  const char* type;
  const char* direction;
  int index;
  std::string name;
  int channels;
  bool main;
  bool defaultActive;
};

struct UnitRow {
  std::int32_t id, parentId, programListId;
  std::string name;
};

struct ProgramListRow {
  std::int32_t id;
  std::string name;
  std::vector<std::string> programs;
};

struct MidiMappingRow {
  int channel, controller;
  unsigned paramId;
};

// What the controller says beyond its parameters; empty without one.
struct ControllerExtras {
  std::vector<UnitRow> units;
  std::vector<ProgramListRow> programLists;
  std::vector<MidiMappingRow> midiMappings;
};

bool listBuses(Steinberg::Vst::IComponent& component, std::vector<BusRow>& rows, std::string& error) {
  const Steinberg::Vst::MediaType types[] = {Steinberg::Vst::kAudio, Steinberg::Vst::kEvent};
  const Steinberg::Vst::BusDirection directions[] = {Steinberg::Vst::kInput, Steinberg::Vst::kOutput};
  for (auto type : types) {
    for (auto direction : directions) {
      Steinberg::int32 count = 0;
      if (!countBuses(component, type, direction, count, error)) return false;
      for (Steinberg::int32 i = 0; i < count; ++i) {
        Steinberg::Vst::BusInfo info{};
        if (component.getBusInfo(type, direction, i, info) != kResultOk) continue;
        if (!checkBusChannels(info, direction, i, error)) return false;
        rows.push_back({type == Steinberg::Vst::kAudio ? "audio" : "event",
                        direction == Steinberg::Vst::kInput ? "input" : "output", i,
                        utf8FromUtf16(info.name, 128), info.channelCount,
                        info.busType == Steinberg::Vst::kMain,
                        (info.flags & Steinberg::Vst::BusInfo::kDefaultActive) != 0});
      }
    }
  }
  return true;
}

// At most this many units, program lists and programs of each list are listed;
// a plug-in's counts may be lies.
constexpr Steinberg::int32 kMaxListed = 4096;

ControllerExtras listControllerExtras(Steinberg::Vst::IEditController* controller) {
  ControllerExtras extras;
  if (Steinberg::FUnknownPtr<Steinberg::Vst::IUnitInfo> units{controller}) {
    for (Steinberg::int32 i = 0; i < std::min(units->getUnitCount(), kMaxListed); ++i) {
      Steinberg::Vst::UnitInfo info{};
      if (units->getUnitInfo(i, info) != kResultOk) continue;
      extras.units.push_back({info.id, info.parentUnitId, info.programListId, utf8FromUtf16(info.name, 128)});
    }
    for (Steinberg::int32 i = 0; i < std::min(units->getProgramListCount(), kMaxListed); ++i) {
      Steinberg::Vst::ProgramListInfo info{};
      if (units->getProgramListInfo(i, info) != kResultOk) continue;
      ProgramListRow row{info.id, utf8FromUtf16(info.name, 128), {}};
      for (Steinberg::int32 p = 0; p < std::min(info.programCount, kMaxListed); ++p) {
        Steinberg::Vst::String128 name{};
        row.programs.push_back(units->getProgramName(info.id, p, name) == kResultOk ? utf8FromUtf16(name, 128)
                                                                                    : std::string());
      }
      extras.programLists.push_back(std::move(row));
    }
  }
  if (Steinberg::FUnknownPtr<Steinberg::Vst::IMidiMapping> mapping{controller}) {
    for (int channel = 0; channel < 16; ++channel) {
      for (int cc = 0; cc < Steinberg::Vst::kCountCtrlNumber; ++cc) {
        Steinberg::Vst::ParamID id = 0;
        if (mapping->getMidiControllerAssignment(0, static_cast<Steinberg::int16>(channel),
                                                 static_cast<Steinberg::Vst::CtrlNumber>(cc),
                                                 id) == kResultOk) {
          extras.midiMappings.push_back({channel, cc, id});
        }
      }
    }
  }
  return extras;
}

bool automatable(const ParameterEntry& entry) {
  return (entry.flags & Steinberg::Vst::ParameterInfo::kCanAutomate) != 0;
}

std::string number(double value) {
  std::string text;
  jsonAppendNumber(text, value);
  return text;
}

void writeJson(const FactoryRecord& factory, const std::vector<BusRow>& buses,
               const ParameterDirectory& params, const ControllerExtras& extras, double rate,
               bool latencyKnown, std::int64_t latency) {
  std::string out = "{\"factory\":{\"vendor\":";
  jsonAppendQuoted(out, factory.vendor.c_str());
  out += ",\"url\":";
  jsonAppendQuoted(out, factory.url.c_str());
  out += ",\"email\":";
  jsonAppendQuoted(out, factory.email.c_str());
  out += ",\"flags\":" + std::to_string(factory.flags) + "},\"classes\":[";
  for (std::size_t i = 0; i < factory.classes.size(); ++i) {
    const ClassRecord& c = factory.classes[i];
    out += i ? ",{\"cid\":" : "{\"cid\":";
    jsonAppendQuoted(out, classIdHex(c.cid).c_str());
    out += ",\"name\":";
    jsonAppendQuoted(out, c.name.c_str());
    out += ",\"category\":";
    jsonAppendQuoted(out, c.category.c_str());
    out += ",\"cardinality\":" + std::to_string(c.cardinality);
    if (c.hasExtendedInfo) {
      out += ",\"classFlags\":" + std::to_string(c.classFlags) + ",\"subCategories\":";
      jsonAppendQuoted(out, c.subCategories.c_str());
      out += ",\"vendor\":";
      jsonAppendQuoted(out, c.vendor.c_str());
      out += ",\"version\":";
      jsonAppendQuoted(out, c.version.c_str());
      out += ",\"sdkVersion\":";
      jsonAppendQuoted(out, c.sdkVersion.c_str());
    }
    out += "}";
  }
  out += "],\"buses\":[";
  for (std::size_t i = 0; i < buses.size(); ++i) {
    const BusRow& b = buses[i];
    out += i ? ",{\"type\":" : "{\"type\":";
    jsonAppendQuoted(out, b.type);
    out += ",\"direction\":";
    jsonAppendQuoted(out, b.direction);
    out += ",\"index\":" + std::to_string(b.index) + ",\"name\":";
    jsonAppendQuoted(out, b.name.c_str());
    out += ",\"channels\":" + std::to_string(b.channels) + ",\"main\":" + (b.main ? "true" : "false") +
           ",\"defaultActive\":" + (b.defaultActive ? "true" : "false") + "}";
  }
  out += "],\"parameterSource\":";
  jsonAppendQuoted(out, params.hasController() ? "controller" : "no controller");
  out += ",\"parameters\":[";
  for (std::size_t i = 0; i < params.entries().size(); ++i) {
    const ParameterEntry& p = params.entries()[i];
    out += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(p.id) + ",\"title\":";
    jsonAppendQuoted(out, p.title.c_str());
    out += ",\"units\":";
    jsonAppendQuoted(out, p.units.c_str());
    out += ",\"minimum\":" + number(p.minimum) + ",\"maximum\":" + number(p.maximum) +
           ",\"default\":" + number(params.toPlain(p.id, p.defaultNormalized)) +
           ",\"defaultNormalized\":" + number(p.defaultNormalized) +
           ",\"stepCount\":" + std::to_string(p.stepCount) +
           ",\"automatable\":" + (automatable(p) ? "true" : "false") +
           ",\"flags\":" + std::to_string(p.flags) + "}";
  }
  out += "],\"units\":[";
  for (std::size_t i = 0; i < extras.units.size(); ++i) {
    const UnitRow& u = extras.units[i];
    out += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(u.id) + ",\"name\":";
    jsonAppendQuoted(out, u.name.c_str());
    out += ",\"parentId\":" + std::to_string(u.parentId) +
           ",\"programListId\":" + std::to_string(u.programListId) + "}";
  }
  out += "],\"programLists\":[";
  for (std::size_t i = 0; i < extras.programLists.size(); ++i) {
    const ProgramListRow& l = extras.programLists[i];
    out += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(l.id) + ",\"name\":";
    jsonAppendQuoted(out, l.name.c_str());
    out += ",\"programs\":[";
    for (std::size_t p = 0; p < l.programs.size(); ++p) {
      if (p) out += ",";
      jsonAppendQuoted(out, l.programs[p].c_str());
    }
    out += "]}";
  }
  out += "],\"midiMappings\":[";
  for (std::size_t i = 0; i < extras.midiMappings.size(); ++i) {
    const MidiMappingRow& m = extras.midiMappings[i];
    out += (i ? ",{\"channel\":" : "{\"channel\":") + std::to_string(m.channel) +
           ",\"controller\":" + std::to_string(m.controller) + ",\"paramId\":" + std::to_string(m.paramId) +
           "}";
  }
  out += "],\"latency\":{\"sampleRate\":" + number(rate) + ",\"samples\":";
  out += latencyKnown ? std::to_string(latency) : "null";
  out += "}}\n";
  std::fputs(out.c_str(), stdout);
}

void writeText(const FactoryRecord& factory, const std::vector<BusRow>& buses,
               const ParameterDirectory& params, const ControllerExtras& extras, double rate,
               bool latencyKnown, std::int64_t latency) {
  std::printf("factory: vendor \"%s\", url \"%s\", email \"%s\", flags 0x%x\n", factory.vendor.c_str(),
              factory.url.c_str(), factory.email.c_str(), static_cast<unsigned>(factory.flags));
  for (std::size_t i = 0; i < factory.classes.size(); ++i) {
    const ClassRecord& c = factory.classes[i];
    std::printf("class %zu: \"%s\" (%s) cid %s cardinality 0x%x\n", i, c.name.c_str(), c.category.c_str(),
                classIdHex(c.cid).c_str(), static_cast<unsigned>(c.cardinality));
    if (c.hasExtendedInfo) {
      std::printf("         sub-categories \"%s\", flags 0x%x, vendor \"%s\", version \"%s\", sdk \"%s\"\n",
                  c.subCategories.c_str(), c.classFlags, c.vendor.c_str(), c.version.c_str(),
                  c.sdkVersion.c_str());
    }
  }
  for (const BusRow& b : buses) {
    std::printf("bus: %s %s %d \"%s\", %d channel%s%s%s\n", b.type, b.direction, b.index, b.name.c_str(),
                b.channels, b.channels == 1 ? "" : "s", b.main ? ", main" : ", aux",
                b.defaultActive ? ", default-active" : "");
  }
  if (!params.hasController()) {
    std::printf(
        "parameters: none listed, as the plug-in has no controller; --set and --automate name them by\n"
        "  numeric id with normalized values (0 .. 1)\n");
  } else {
    std::printf("parameters (controller):\n");
  }
  for (const ParameterEntry& p : params.entries()) {
    std::printf("  %u \"%s\" %s .. %s%s%s, default %s (normalized %s), %d steps, flags 0x%x%s\n", p.id,
                p.title.c_str(), number(p.minimum).c_str(), number(p.maximum).c_str(),
                p.units.empty() ? "" : " ", p.units.c_str(),
                number(params.toPlain(p.id, p.defaultNormalized)).c_str(),
                number(p.defaultNormalized).c_str(), p.stepCount, static_cast<unsigned>(p.flags),
                automatable(p) ? ", automatable" : "");
  }
  for (const UnitRow& u : extras.units) {
    std::printf("unit %d \"%s\", parent %d, program list %d\n", u.id, u.name.c_str(), u.parentId,
                u.programListId);
  }
  for (const ProgramListRow& l : extras.programLists) {
    std::printf("program list %d \"%s\", %zu program%s:", l.id, l.name.c_str(), l.programs.size(),
                l.programs.size() == 1 ? "" : "s");
    for (const std::string& name : l.programs)
      std::printf(" \"%s\"", name.c_str());
    std::printf("\n");
  }
  if (extras.midiMappings.empty()) std::printf("midi mappings: none\n");
  for (const MidiMappingRow& m : extras.midiMappings)
    std::printf("midi mapping: channel %d, controller %d -> parameter %u\n", m.channel + 1, m.controller,
                m.paramId);
  if (latencyKnown) {
    std::printf("latency at %s Hz: %lld samples\n", number(rate).c_str(), static_cast<long long>(latency));
  } else {
    std::printf("latency at %s Hz: unknown (the processor refused that rate)\n", number(rate).c_str());
  }
}

int runInfo(const std::string& bundle, double rate, bool json) {
  std::string error;
  LoadedPlugin plugin;
  if (!loadPlugin(bundle, plugin, error)) {
    reportFailure(error);
    return 1;
  }
  std::vector<BusRow> buses;
  if (!listBuses(*plugin.instance->component(), buses, error)) {
    reportFailure(error);
    return 1;
  }
  const ParameterDirectory params(plugin.instance->controller());
  const ControllerExtras extras = listControllerExtras(plugin.instance->controller());
  bool latencyKnown = plugin.instance->start(rate, 1024, Steinberg::Vst::kRealtime, error);
  std::int64_t latency = 0;
  if (latencyKnown && !checkedLatency(*plugin.instance->processor(), rate, latency, error)) {
    reportFailure(error);
    return 1;
  }
  plugin.instance->stop();
  if (json) {
    writeJson(plugin.factory, buses, params, extras, rate, latencyKnown, latency);
  } else {
    writeText(plugin.factory, buses, params, extras, rate, latencyKnown, latency);
  }
  return 0;
}

}  // namespace

Verb addInfoVerb(CLI::App& app) {
  struct Options {
    std::string bundle;
    double rate = 48000.0;
    bool json = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* verb =
      app.add_subcommand("info", "Describes a bundle as its factory, component and controller present it.");
  verb->footer(
      "Its classes, buses, the parameters, units, program lists and MIDI mappings its controller publishes, "
      "and "
      "its latency at one sample rate.");
  verb->add_option("BUNDLE", options->bundle, "the plug-in bundle (.vst3) or module file")->required();
  verb->add_option("--rate", options->rate, "the sample rate the latency is asked at (default 48000)")
      ->type_name("HZ")
      ->check(realIn(1.0, 1e7));
  verb->add_flag("--json", options->json, "one JSON document instead of text");
  return {verb, [options] { return runInfo(options->bundle, options->rate, options->json); }};
}

}  // namespace talvo::host
