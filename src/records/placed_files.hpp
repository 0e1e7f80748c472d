#pragma once
// The result files one run has put in place, so that no result silently
// replaces another. A file system that does not tell two names apart (exFAT,
// and Windows and macOS by default, ignore letter case) would otherwise let
// "model_stress_a.dat" replace the "model_stress_A.dat" the same run wrote a
// moment earlier, and the run would report success with a step lost.
//
// Two names are taken for one file when the name to be replaced has the
// identity (device and file number) of a file put in place under another name,
// or when it differs from such a name only in letter case and the folder
// holds no entry of exactly its own name (file systems in user space give
// every name a number of its own, so there the identity cannot tell).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.hpp"

namespace meridian {

using platform::FileIdentity;

class PlacedFiles {
 public:
  // Ends the run (FatalError naming `name` and the earlier file) when putting
  // a file in place under `name` would replace a file put in place earlier
  // under another name.
  void check_before_placing(const std::string& name) const;
  // Notes a file put in place under `name`.
  void add(const std::string& name, std::optional<FileIdentity> identity);

 private:
  std::map<FileIdentity, std::string> by_identity_;
  std::map<std::string, std::string> by_folded_name_;  // letters in lower case
};

// Whether a file name (no folder) uses only the characters every file system
// takes: letters, digits, '_', '-' and '.'.
bool is_portable_name(std::string_view name);

// The end of the message of a file the file system would not create under its
// name, where the name holds a character some file systems refuse (errno_value
// as the creation left it); empty where the failure has another cause.
std::string refused_name_reason(const std::string& path, int errno_value);

}  // namespace meridian
