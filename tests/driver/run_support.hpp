#pragma once
// Runs the built meridian executable in a directory and collects what it did.

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace meridian::testing_support {

struct RunResult {
  int exit_status = -1;
  std::string standard_output;
  std::string standard_error;
};

// Runs `meridian` with `arguments` in `directory`, feeding `input` on standard input.
RunResult run_meridian(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                       const std::string& input);

// Starts `meridian` with `arguments` in `directory` (standard streams on
// /dev/null) and returns its process id without waiting for it.
pid_t start_meridian(const std::filesystem::path& directory,
                     const std::vector<std::string>& arguments);

// A fresh, empty directory for one test.
std::filesystem::path fresh_directory(const std::string& name);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& contents);

// All regular files of a directory, by name.
std::map<std::string, std::string> directory_files(const std::filesystem::path& directory);

}  // namespace meridian::testing_support
