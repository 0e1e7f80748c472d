#include "files/placed_files.hpp"

#include <cerrno>
#include <string_view>
#include <utility>

#include "records/fatal.hpp"

namespace meridian {
namespace {

// The name with its letters in lower case: names that differ only in letter
// case fold to one.
std::string case_folded(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Whether the folder of `path` lists an entry of exactly its name.
bool folder_lists_exactly(const std::string& path) {
  const std::size_t slash = path.find_last_of(platform::path_separators);
  if (slash == std::string::npos) return platform::folder_lists(".", path);
  return platform::folder_lists(path.substr(0, slash + 1), std::string_view(path).substr(slash + 1));
}

[[noreturn]] void fail_same_file(const std::string& name, const std::string& earlier) {
  fail_file(name, "the file system does not tell this name apart from " + earlier +
                      ", written earlier in this run, so the new file is not put in place; "
                      "run with --portable-names to give every file a name of its own");
}

}  // namespace

void PlacedFiles::check_before_placing(const std::string& name) const {
  const auto same_but_case = by_case_folded_name_.find(case_folded(name));
  const bool other_case = same_but_case != by_case_folded_name_.end() && same_but_case->second != name;
  if (by_identity_.empty() && !other_case) return;
  const std::optional<FileIdentity> identity = platform::identity(name);
  if (!identity) return;  // nothing to replace
  // The earlier name must still name that file: another run in the folder may
  // have replaced it since, and its number gone to a new file.
  if (const auto same = by_identity_.find(*identity);
      same != by_identity_.end() && same->second != name &&
      platform::identity(same->second) == identity) {
    fail_same_file(name, same->second);
  }
  if (other_case && !folder_lists_exactly(name)) fail_same_file(name, same_but_case->second);
}

void PlacedFiles::add(const std::string& name, std::optional<FileIdentity> identity) {
  if (identity) by_identity_[*identity] = name;
  by_case_folded_name_[case_folded(name)] = name;
}

std::vector<HeldFile> PlacedFiles::release_held() {
  holding_ = false;
  return take_held();
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
  const std::size_t slash = path.find_last_of(platform::path_separators);
  const std::string_view name =
      slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
  // exFAT answers ENOENT, others EINVAL or EILSEQ.
  const bool refused = errno_value == ENOENT || errno_value == EINVAL || errno_value == EILSEQ;
  if (!refused || is_portable_name(name)) return {};
  return "the file system refuses this name; run with --portable-names to give every file a "
         "name that any file system takes";
}

}  // namespace meridian
