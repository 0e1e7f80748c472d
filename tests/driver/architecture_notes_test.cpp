// The architecture notes name only what exists: every file they name is in
// the tree, and every function, type or member they put in `backticks` is a
// word of the sources, so that a reader starting from them finds each room.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "run_support.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using testing_support::read_file;

// Every word (letters, digits, '_') of the files below the folders.
std::set<std::string> words_of(const std::initializer_list<fs::path>& folders) {
  std::set<std::string> words;
  for (const fs::path& folder : folders) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      const std::string text = read_file(entry.path());
      std::string word;
      for (const char c : text + ' ') {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
          word += c;
        } else if (!word.empty()) {
          words.insert(word);
          word.clear();
        }
      }
    }
  }
  return words;
}

// Whether a text is a code name: `name`, `A::b`, `name()`.
bool code_name(const std::string& text, std::vector<std::string>& parts) {
  std::string name = text.ends_with("()") ? text.substr(0, text.size() - 2) : text;
  parts.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(name.find("::", start), name.size());
    const std::string part = name.substr(start, end - start);
    if (part.empty() || std::isdigit(static_cast<unsigned char>(part[0])) ||
        !std::all_of(part.begin(), part.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; })) {
      return false;
    }
    parts.push_back(part);
    if (end == name.size()) return true;
    start = end + 2;
  }
}

// Whether a text is a file of the tree: `folder/file.hpp`.
bool file_name(const std::string& text) {
  return text.find('/') != std::string::npos && text.find(' ') == std::string::npos &&
         (text.ends_with(".hpp") || text.ends_with(".cpp") || text.ends_with(".cmake"));
}

TEST(ArchitectureNotes, NameOnlyWhatExists) {
  const fs::path root = MERIDIAN_SOURCE_DIR;
  const std::string notes = read_file(root / "docs" / "architecture.md");
  const std::set<std::string> words = words_of({root / "src", root / "tests", root / "tools", root / "cmake"});
  int names = 0, files = 0;
  std::vector<std::string> parts;
  for (std::size_t open = notes.find('`'); open != std::string::npos; open = notes.find('`', open + 1)) {
    const std::size_t close = notes.find('`', open + 1);
    if (close == std::string::npos) break;
    const std::string quoted = notes.substr(open + 1, close - open - 1);
    open = close;
    if (file_name(quoted)) {
      EXPECT_TRUE(fs::exists(root / quoted) || fs::exists(root / "src" / quoted)) << "the notes name " << quoted;
      ++files;
    } else if (code_name(quoted, parts)) {
      for (const std::string& part : parts) EXPECT_TRUE(words.count(part)) << "the notes name `" << quoted << "`";
      ++names;
    }
  }
  EXPECT_GT(names, 100) << "the notes name the code in backticks";
  EXPECT_GT(files, 20) << "and its files";
}

}  // namespace
}  // namespace meridian
