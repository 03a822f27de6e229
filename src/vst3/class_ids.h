#pragma once
// Class identifiers of the plug-in's two classes. The 16 bytes are fixed
// forever: hosts store them in projects. As FUID words on non-COM platforms
// each word is stored most significant byte first.
#include <cstdint>

#include "pluginterfaces/base/funknown.h"

namespace talvo {

inline constexpr std::uint32_t kProcessorUidWords[4] = {0x88D15B92, 0x89D15D25, 0x86D1586C, 0x87D159FF};
inline constexpr std::uint32_t kControllerUidWords[4] = {0x0B87537E, 0x0C875511, 0x09875058, 0x0A8751EB};

/// Built from the words at static initialisation.
extern const Steinberg::FUID kProcessorUid;
extern const Steinberg::FUID kControllerUid;

}  // namespace talvo
