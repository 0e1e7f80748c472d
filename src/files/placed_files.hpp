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
#include <utility>
#include <vector>

#include "platform/platform.hpp"
#include "files/temporary_file.hpp"

namespace meridian {

using platform::FileIdentity;

// A finished result under its temporary name, waiting to be put in place.
struct HeldFile {
  TemporaryFile temporary;
  std::string name;                // the name it is to have
  bool replaces_existing = false;  // a file had that name when it was created
  // The name is a link or a device: the bytes go there (as a link is written
  // through) instead of the file being renamed.
  bool written_through = false;
};

class PlacedFiles {
 public:
  // From now on results are not put in place when closed but held under their
  // temporary names, in order, until release_held() (files/output_file.hpp:
  // place_held_results). Held files still here when this is destroyed are
  // removed, so an input that fails part-way leaves every result as it was.
  void hold_results() { holding_ = true; }
  bool holding() const { return holding_; }
  void hold(HeldFile file) { held_.push_back(std::move(file)); }
  std::size_t held_count() const { return held_.size(); }
  // Ends the holding and hands over the held files, in the order held.
  std::vector<HeldFile> release_held();
  // Hands over the files held so far, in the order held; the holding goes on.
  std::vector<HeldFile> take_held() { return std::exchange(held_, {}); }

  // Ends the run (FatalError naming `name` and the earlier file) when putting
  // a file in place under `name` would replace a file put in place earlier
  // under another name.
  void check_before_placing(const std::string& name) const;
  // Notes a file put in place under `name`.
  void add(const std::string& name, std::optional<FileIdentity> identity);

 private:
  std::map<FileIdentity, std::string> by_identity_;
  std::map<std::string, std::string> by_case_folded_name_;  // letters in lower case
  bool holding_ = false;
  std::vector<HeldFile> held_;
};

// Whether a file name (no folder) uses only the characters every file system
// takes: letters, digits, '_', '-' and '.'.
bool is_portable_name(std::string_view name);

// The end of the message of a file the file system would not create under its
// name, where the name holds a character some file systems refuse (errno_value
// as the creation left it); empty where the failure has another cause.
std::string refused_name_reason(const std::string& path, int errno_value);

}  // namespace meridian
