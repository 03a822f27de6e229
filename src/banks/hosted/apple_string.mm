#include "banks/hosted/apple_string.h"

namespace talvo {

std::string toStdString(NSString* text) {
  const char* utf8 = text.UTF8String;
  return utf8 ? std::string(utf8) : std::string();
}

}  // namespace talvo
