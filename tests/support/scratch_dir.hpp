#pragma once
// A fresh temporary directory per test: the writers use fixed file names in the
// current directory, so each test changes into its own directory and back.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

namespace meridian::testing {

class ScratchDir {
 public:
  ScratchDir() : previous_(std::filesystem::current_path()) {
    // A new directory of a random name (create_directory is false for one
    // that exists).
    std::random_device source;
    const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0;; ++attempt) {
      std::string name = "meridian-";
      for (int i = 0; i < 8; ++i) name += digits[source() % 36];
      path_ = std::filesystem::temp_directory_path() / name;
      if (std::filesystem::create_directory(path_)) break;
      if (attempt == 100) throw std::runtime_error("cannot make a scratch directory");
    }
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // The names of all files in the directory, sorted.
  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Joins records, each followed by CR LF (or by `line_end`: LF for the text of
// other ecosystems' formats).
inline std::string records(std::initializer_list<std::string> lines,
                           const std::string& line_end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + line_end;
  return text;
}

}  // namespace meridian::testing
