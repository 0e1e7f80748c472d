#include "records/placed_files.hpp"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <string_view>

#include "records/fatal.hpp"

namespace meridian {
namespace {

std::string folded(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::optional<FileIdentity> identity_of_name(const std::string& name) {
  struct stat info;
  if (::lstat(name.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// Whether the folder of `path` lists an entry of exactly its name.
bool folder_lists_exactly(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string_view name =
      slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
  DIR* const listing = ::opendir(folder.c_str());
  // A folder that cannot be listed: the name is taken at its word.
  if (listing == nullptr) return true;
  bool found = false;
  while (const dirent* entry = ::readdir(listing)) {
    if (name == entry->d_name) {
      found = true;
      break;
    }
  }
  ::closedir(listing);
  return found;
}

[[noreturn]] void fail_same_file(const std::string& name, const std::string& earlier) {
  fail_file(name, "the file system does not tell this name apart from " + earlier +
                      ", written earlier in this run, so the new file is not put in place; "
                      "run with --portable-names to give every file a name of its own");
}

}  // namespace

std::optional<FileIdentity> identity_of_descriptor(int descriptor) {
  struct stat info;
  if (::fstat(descriptor, &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

void PlacedFiles::check_before_placing(const std::string& name) const {
  const auto same_letters = by_folded_name_.find(folded(name));
  const bool other_spelling = same_letters != by_folded_name_.end() && same_letters->second != name;
  if (by_identity_.empty() && !other_spelling) return;
  const std::optional<FileIdentity> identity = identity_of_name(name);
  if (!identity) return;  // nothing to replace
  if (const auto same = by_identity_.find(*identity); same != by_identity_.end() && same->second != name) {
    fail_same_file(name, same->second);
  }
  if (other_spelling && !folder_lists_exactly(name)) fail_same_file(name, same_letters->second);
}

void PlacedFiles::add(const std::string& name, std::optional<FileIdentity> identity) {
  if (identity) by_identity_[*identity] = name;
  by_folded_name_[folded(name)] = name;
}

bool is_portable_name(std::string_view name) {
  for (const char c : name) {
    const bool portable = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '_' || c == '-' || c == '.';
    if (!portable) return false;
  }
  return !name.empty();
}

std::string refused_name_reason(const std::string& path, int errno_value) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name =
      slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
  // exFAT answers ENOENT, others EINVAL or EILSEQ.
  const bool refused = errno_value == ENOENT || errno_value == EINVAL || errno_value == EILSEQ;
  if (!refused || is_portable_name(name)) return {};
  return "the file system refuses this name; run with --portable-names to give every file a "
         "name that any file system takes";
}

}  // namespace meridian
