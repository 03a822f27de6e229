// Unpacks with libarchive. The archive comes from the network: every entry is
// checked before it reaches the disk, and the disk writer is told to refuse
// anything that would escape the target directory.
#include <archive.h>
#include <archive_entry.h>

#include <cstdlib>
#include <memory>
#include <string_view>

#include "banks/hosted/unpack.h"

namespace talvo {

namespace {

constexpr char kNotAZip[] = "the downloaded archive is not a readable zip";

struct ReaderFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
struct WriterFree {
  void operator()(archive* writer) const { archive_write_free(writer); }
};

bool isSafeRelativePath(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  for (;;) {
    const std::size_t slash = name.find('/');
    if (name.substr(0, slash) == "..") return false;
    if (slash == std::string_view::npos) return true;
    name.remove_prefix(slash + 1);
  }
}

// What a zip made by the Finder carries beside the files: the __MACOSX folder
// and "._" resource forks. They are not the bank's, so they are not unpacked.
bool isFinderMetadata(std::string_view name) {
  if (name.substr(0, name.find('/')) == "__MACOSX") return true;
  while (!name.empty() && name.back() == '/')
    name.remove_suffix(1);
  const std::size_t slash = name.rfind('/');
  return name.substr(slash == std::string_view::npos ? 0 : slash + 1).substr(0, 2) == "._";
}

// Regular files and directories only: links could point outside the bank,
// devices and pipes have no place in one.
bool isPlainEntry(archive_entry* entry) {
  const auto type = archive_entry_filetype(entry);
  return (type == AE_IFREG || type == AE_IFDIR) && archive_entry_hardlink(entry) == nullptr &&
         archive_entry_symlink(entry) == nullptr;
}

bool copyData(archive* reader, archive* writer, std::uint64_t& unpacked, std::uint64_t maxBytes) {
  for (;;) {
    const void* block = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    const int read = archive_read_data_block(reader, &block, &size, &offset);
    if (read == ARCHIVE_EOF) return true;
    // Counted as it is inflated: the sizes in the headers are the sender's word.
    if (read != ARCHIVE_OK || size > maxBytes - unpacked) return false;
    unpacked += size;
    if (archive_write_data_block(writer, block, size, offset) != ARCHIVE_OK) return false;
  }
}

}  // namespace

bool unpackZip(const std::string& archivePath, const std::string& into, const HostedFetchOptions& options,
               std::string& error) {
  // A resolved target, so the writer's symlink check sees no link on the way.
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(into.c_str(), nullptr), std::free);
  const std::unique_ptr<archive, ReaderFree> reader(archive_read_new());
  const std::unique_ptr<archive, WriterFree> writer(archive_write_disk_new());
  if (!resolved || !reader || !writer) {
    error = "cannot unpack the downloaded archive";
    return false;
  }
  error = kNotAZip;
  archive_read_support_format_zip(reader.get());
  // No owner, permission, time or attribute restore: the bank gets plain modes.
  archive_write_disk_set_options(writer.get(),
                                 ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT);
  if (archive_read_open_filename(reader.get(), archivePath.c_str(), 64 * 1024) != ARCHIVE_OK) return false;

  const std::string base = std::string(resolved.get()) + "/";
  std::uint64_t unpacked = 0;
  std::uint32_t entries = 0;
  for (;;) {
    archive_entry* entry = nullptr;
    const int next = archive_read_next_header(reader.get(), &entry);
    if (next == ARCHIVE_EOF) break;
    if (next != ARCHIVE_OK && next != ARCHIVE_WARN) return false;
    // Names are bytes on this system: the UTF-8 form reaches the disk unchanged
    // whatever the process locale.
    const char* name = archive_entry_pathname_utf8(entry);
    if (name == nullptr) name = archive_entry_pathname(entry);
    if (++entries > options.maxEntries || !isPlainEntry(entry) || name == nullptr ||
        !isSafeRelativePath(name)) {
      return false;
    }
    if (isFinderMetadata(name)) continue;
    const bool directory = archive_entry_filetype(entry) == AE_IFDIR;
    archive_entry_set_pathname(entry, (base + name).c_str());
    archive_entry_set_perm(entry, directory ? 0755 : 0644);
    if (archive_write_header(writer.get(), entry) != ARCHIVE_OK) return false;
    if (!directory && !copyData(reader.get(), writer.get(), unpacked, options.maxUnpackedBytes)) return false;
    if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK) return false;
  }
  if (archive_write_close(writer.get()) != ARCHIVE_OK) return false;
  error.clear();
  return true;
}

}  // namespace talvo
