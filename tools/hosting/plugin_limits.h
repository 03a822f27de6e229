#pragma once
// What the host believes of a plug-in. Every number a plug-in reports that
// the host would allocate for, loop over or pad a file with is checked here
// first, so a plug-in that lies fails with a sentence instead of an abort,
// a hang or tens of gigabytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

namespace talvo::host {

inline constexpr std::int32_t kMaxBusChannels = 64;
inline constexpr std::int32_t kMaxBuses = 64;  // of one media type and direction
inline constexpr std::int32_t kMaxFactoryClasses = 1024;
/// Component states, in files and in the streams a plug-in reads and writes.
inline constexpr std::size_t kMaxStateBytes = std::size_t{16} << 20;
/// Real look-ahead is a few seconds at most; more is a wrong number.
inline constexpr double kMaxLatencySeconds = 60.0;

/// The number of buses of one kind; false beyond kMaxBuses or below zero.
[[nodiscard]] bool countBuses(Steinberg::Vst::IComponent& component, Steinberg::Vst::MediaType type,
                              Steinberg::Vst::BusDirection direction, std::int32_t& out, std::string& error);
/// False when an audio bus claims no channels' worth of sense: below zero or above kMaxBusChannels.
[[nodiscard]] bool checkBusChannels(const Steinberg::Vst::BusInfo& info,
                                    Steinberg::Vst::BusDirection direction, std::int32_t index,
                                    std::string& error);
/// Channel count of the main audio bus in one direction, 0 when there is none.
[[nodiscard]] bool mainBusChannels(Steinberg::Vst::IComponent& component,
                                   Steinberg::Vst::BusDirection direction, std::int32_t& out,
                                   std::string& error);
/// The latency of an active processor, read once and checked against kMaxLatencySeconds at `sampleRate`.
[[nodiscard]] bool checkedLatency(Steinberg::Vst::IAudioProcessor& processor, double sampleRate,
                                  std::int64_t& out, std::string& error);
/// The largest block size up to `upTo` that setupProcessing accepts at `sampleRate`, 0 when none; the
/// processor must be inactive.
[[nodiscard]] std::int32_t largestAcceptedBlock(Steinberg::Vst::IAudioProcessor& processor, double sampleRate,
                                                std::int32_t upTo);

}  // namespace talvo::host
