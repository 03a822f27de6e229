#include "vst3/class_ids.h"

namespace talvo {

const Steinberg::FUID kProcessorUid(kProcessorUidWords[0], kProcessorUidWords[1], kProcessorUidWords[2],
                                    kProcessorUidWords[3]);
const Steinberg::FUID kControllerUid(kControllerUidWords[0], kControllerUidWords[1], kControllerUidWords[2],
                                     kControllerUidWords[3]);

}  // namespace talvo
