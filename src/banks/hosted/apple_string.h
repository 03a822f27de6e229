#pragma once
// Foundation strings into the portable code (Objective-C++ files only).
#import <Foundation/Foundation.h>

#include <string>

namespace talvo {

/// The UTF-8 form of `text`; nil, or a string without one, gives "".
[[nodiscard]] std::string toStdString(NSString* text);

}  // namespace talvo
