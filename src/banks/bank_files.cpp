#include "banks/bank_files.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace talvo {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::uint64_t maxBytes) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file.get());
  if (size < 0) return false;
  // Refuse before allocating: a manifest may name anything, and a directory
  // can report an enormous size.
  if (static_cast<std::uint64_t>(size) > maxBytes) return false;
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  out.resize(static_cast<std::size_t>(size));
  if (size == 0) return true;
  return std::fread(out.data(), 1, out.size(), file.get()) == out.size();
}

std::string joinPath(const std::string& base, const std::string& relative) {
  if (relative.empty()) return base;
  if (relative.front() == '/') return relative;
  if (base.empty()) return relative;
  if (base.back() == '/') return base + relative;
  return base + "/" + relative;
}

bool pathIsContained(const std::string& relative) {
  if (relative.empty() || relative.front() == '/') return false;
  if (relative.find('\\') != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = relative.find('/', start);
    const std::size_t end = slash == std::string::npos ? relative.size() : slash;
    if (relative.compare(start, end - start, "..") == 0) return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

std::string resolveDirectory(const std::string& directory) {
  std::error_code error;
  const std::filesystem::path real =
      std::filesystem::canonical(directory.empty() ? std::string(".") : directory, error);
  return error ? std::string() : real.string();
}

ResolvedLocation resolveBankFile(const std::string& resolvedDirectory, const std::string& relative,
                                 std::string& resolved) {
  if (resolvedDirectory.empty()) return ResolvedLocation::kUnresolved;
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(joinPath(resolvedDirectory, relative), error);
  if (error) return ResolvedLocation::kUnresolved;
  const std::string text = real.string();
  // Inside means the directory itself or anything below it (its path plus a
  // separator); a neighbour that merely shares the name's prefix is outside.
  const bool rootDirectory = resolvedDirectory.back() == '/';
  const std::size_t prefix = resolvedDirectory.size();
  const bool inside = text.compare(0, prefix, resolvedDirectory) == 0 &&
                      (text.size() == prefix || rootDirectory || text[prefix] == '/');
  if (!inside) return ResolvedLocation::kOutside;
  // Only regular files are read: opening a named pipe would block the load,
  // and the bank directory itself ("." in a manifest) is not a file to read.
  if (!std::filesystem::is_regular_file(real, error)) return ResolvedLocation::kUnresolved;
  resolved = text;
  return ResolvedLocation::kInside;
}

}  // namespace talvo
