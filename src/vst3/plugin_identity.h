#pragma once
// Identity texts shared by the factory, the module information document and
// the processor's reports. They reach hosts and saved reports, so they are fixed.

namespace talvo {

inline constexpr const char* kPluginVendor = "Talvo Music";
inline constexpr const char* kPluginVendorUrl = "https://talvo.music";
inline constexpr const char* kPluginVendorEmail = "mailto:support@talvo.music";
inline constexpr const char* kPluginVersion = "0.1.0";
inline constexpr const char* kPluginSdkVersion = "VST 3.8.1";
inline constexpr const char* kPluginBundleId = "music.talvo.oriel";
inline constexpr const char* kProcessorClassName = "Oriel";
inline constexpr const char* kControllerClassName = "Oriel Controller";

}  // namespace talvo
