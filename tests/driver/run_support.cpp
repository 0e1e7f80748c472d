#include "run_support.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace meridian::testing_support {

std::filesystem::path fresh_directory(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("meridian_" + std::to_string(::getpid()) + "_" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

std::map<std::string, std::string> directory_files(const std::filesystem::path& directory) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.is_regular_file()) files[entry.path().filename().string()] = read_file(entry.path());
  }
  return files;
}

namespace {

// In a forked child: runs meridian in `directory` with the given standard
// streams; never returns.
[[noreturn]] void exec_meridian(const std::filesystem::path& directory,
                                const std::vector<std::string>& arguments, const char* in_path,
                                const char* out_path, const char* err_path) {
  if (::chdir(directory.c_str()) != 0) ::_exit(126);
  const int in = ::open(in_path, O_RDONLY);
  const int out = ::open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = ::open(err_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) ::_exit(126);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(err, 2);
  std::vector<std::string> words = {MERIDIAN_BINARY};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

}  // namespace

RunResult run_meridian(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                       const std::string& input) {
  // Standard streams go through files beside the run directory, so the run
  // directory holds only what the program wrote.
  const std::filesystem::path streams = directory.string() + ".streams";
  std::filesystem::create_directories(streams);
  write_file(streams / "stdin", input);
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    exec_meridian(directory, arguments, (streams / "stdin").c_str(), (streams / "stdout").c_str(),
                  (streams / "stderr").c_str());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  RunResult result;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.standard_output = read_file(streams / "stdout");
  result.standard_error = read_file(streams / "stderr");
  std::filesystem::remove_all(streams);
  return result;
}

pid_t start_meridian(const std::filesystem::path& directory,
                     const std::vector<std::string>& arguments) {
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) exec_meridian(directory, arguments, "/dev/null", "/dev/null", "/dev/null");
  return child;
}

}  // namespace meridian::testing_support
