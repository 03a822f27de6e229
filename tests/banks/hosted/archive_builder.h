#pragma once
// Archives for the hosted-bank tests, built in memory with libarchive.
#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

namespace talvo::test {

struct ArchiveItem {
  enum Kind { File = AE_IFREG, Folder = AE_IFDIR, Symlink = AE_IFLNK, Hardlink = 1 };
  std::string name;
  std::string data;  // a file's bytes, or a link's target
  Kind kind = File;
};

/// A zip of stored (uncompressed) entries, or a tar for what a zip cannot carry.
inline std::string buildArchive(const std::vector<ArchiveItem>& items, bool tar = false) {
  std::string bytes(64 * 1024, '\0');
  for (const ArchiveItem& item : items)
    bytes.append(item.data.size() + 1024, '\0');
  std::size_t used = 0;
  archive* writer = archive_write_new();
  tar ? archive_write_set_format_pax_restricted(writer) : archive_write_set_format_zip(writer);
  archive_write_set_options(writer, "zip:compression=store");
  archive_write_open_memory(writer, bytes.data(), bytes.size(), &used);
  for (const ArchiveItem& item : items) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, item.name.c_str());
    archive_entry_set_filetype(entry, item.kind == ArchiveItem::Hardlink ? AE_IFREG : unsigned{item.kind});
    if (item.kind == ArchiveItem::Symlink) archive_entry_set_symlink(entry, item.data.c_str());
    if (item.kind == ArchiveItem::Hardlink) archive_entry_set_hardlink(entry, item.data.c_str());
    const bool file = item.kind == ArchiveItem::File;
    archive_entry_set_size(entry, file ? static_cast<la_int64_t>(item.data.size()) : 0);
    archive_write_header(writer, entry);
    if (file) archive_write_data(writer, item.data.data(), item.data.size());
    archive_entry_free(entry);
  }
  archive_write_free(writer);  // closes
  bytes.resize(used);
  return bytes;
}

}  // namespace talvo::test
