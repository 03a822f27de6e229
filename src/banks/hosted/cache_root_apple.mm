#import <Foundation/Foundation.h>

#include "banks/hosted/cache_root.h"

namespace talvo {

std::string hostedBankCacheRoot() {
  @autoreleasepool {
    NSArray<NSURL*>* urls = [NSFileManager.defaultManager URLsForDirectory:NSApplicationSupportDirectory
                                                                 inDomains:NSUserDomainMask];
    if (urls.count == 0) return {};
    NSURL* root = [[urls.firstObject URLByAppendingPathComponent:@"Talvo"
                                                     isDirectory:YES] URLByAppendingPathComponent:@"banks"
                                                                                      isDirectory:YES];
    if (![NSFileManager.defaultManager createDirectoryAtURL:root
                                withIntermediateDirectories:YES
                                                 attributes:nil
                                                      error:nil]) {
      return {};
    }
    const char* path = root.path.UTF8String;
    return path ? std::string(path) : std::string();
  }
}

}  // namespace talvo
