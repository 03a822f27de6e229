// Unpacks with the system's ditto, then walks what it wrote: only regular
// files and directories may remain, within the caps.
#import <Foundation/Foundation.h>

#include <filesystem>

#include "banks/hosted/unpack.h"

namespace talvo {

namespace {

namespace fs = std::filesystem;

bool isPlainTree(const std::string& root, const HostedFetchOptions& options) {
  std::error_code ec;
  std::uint64_t bytes = 0;
  std::uint32_t entries = 0;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_status status = it->symlink_status(ec);
    if (++entries > options.maxEntries) return false;
    if (fs::is_regular_file(status)) {
      bytes += it->file_size(ec);
      if (bytes > options.maxUnpackedBytes) return false;
    } else if (!fs::is_directory(status)) {
      return false;
    }
  }
  return !ec;
}

}  // namespace

bool unpackZip(const std::string& archive, const std::string& into, const HostedFetchOptions& options,
               std::string& error) {
  @autoreleasepool {
    NSTask* task = [[NSTask alloc] init];
    task.executableURL = [NSURL fileURLWithPath:@"/usr/bin/ditto"];
    task.arguments = @[ @"-x", @"-k", @(archive.c_str()), @(into.c_str()) ];
    // Not pipes: nobody reads them, and a full pipe would block ditto forever.
    task.standardOutput = NSFileHandle.fileHandleWithNullDevice;
    task.standardError = NSFileHandle.fileHandleWithNullDevice;
    if (![task launchAndReturnError:nil]) {
      error = "cannot unpack the downloaded archive";
      return false;
    }
    [task waitUntilExit];
    if (task.terminationStatus != 0 || !isPlainTree(into, options)) {
      error = "the downloaded archive is not a readable zip";
      return false;
    }
    return true;
  }
}

}  // namespace talvo
