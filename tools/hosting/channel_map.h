#pragma once
// How the channels of an input file reach the plug-in's main input bus.
#include <cstdint>
#include <string>

namespace talvo::host {

/// Decides whether a file of `fileChannels` may feed a bus of `busChannels`.
/// A file wider than the bus is refused unless `mixDown` is set, except that
/// a stereo file on a mono bus is always mixed down. `note` says in words
/// what happens when the channels do not map one to one (empty otherwise).
[[nodiscard]] bool planInputChannels(std::int32_t fileChannels, std::int32_t busChannels, bool mixDown,
                                     std::string& note, std::string& error);

/// Spreads `frames` interleaved frames over the bus channels: a mono file
/// feeds every channel; otherwise file channel k goes to bus channel
/// k mod `busChannels`, averaged with the others that land there, and a bus
/// channel no file channel reaches is silent. Allocates nothing.
void spreadInputChannels(const float* in, std::int32_t fileChannels, std::int32_t frames, float* const* bus,
                         std::int32_t busChannels) noexcept;

}  // namespace talvo::host
