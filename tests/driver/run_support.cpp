#include "run_support.hpp"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/platform.hpp"

namespace meridian::testing_support {

std::filesystem::path fresh_directory(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("meridian_" + std::to_string(platform::process_id()) + "_" + name);
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

const char* stop_name(Stop how) {
  switch (how) {
    case Stop::kill:
      return "kill";
    case Stop::terminate:
      return "terminate";
    case Stop::interrupt:
      return "interrupt";
  }
  return "?";
}

namespace {

// Starts `program` (meridian unless another is named) in `directory` with its
// standard streams from and to the given files; returns the process (id or
// handle). `stoppable`: on Windows the run gets a console of its own, for a
// Ctrl+C to reach it alone.
std::intptr_t start(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                    const std::filesystem::path& in_path, const std::filesystem::path& out_path,
                    const std::filesystem::path& err_path, bool stoppable,
                    const std::string& program_path = MERIDIAN_BINARY);
// Waits for the process: its exit status, or 128 + the signal that ended it.
int wait_for(std::intptr_t process);
// Lets go of the process once waited for.
void release(std::intptr_t process);

#if defined(_WIN32)

// The exit status TerminateProcess gives a killed run.
constexpr UINT killed_status = 137;

// One argument of a command line as CommandLineToArgvW splits it.
std::wstring quoted(const std::wstring& argument) {
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') text.append(backslashes * 2 + 1, L'\\');
    else text.append(backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

HANDLE inheritable(const std::filesystem::path& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE file =
      ::CreateFileW(path.wstring().c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                    write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path.string());
  return file;
}

std::intptr_t start(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                    const std::filesystem::path& in_path, const std::filesystem::path& out_path,
                    const std::filesystem::path& err_path, [[maybe_unused]] bool stoppable,
                    const std::string& program_path) {
  const std::filesystem::path program(std::u8string(program_path.begin(), program_path.end()));
  std::wstring command = quoted(program.wstring());
  for (const std::string& argument : arguments) {
    const std::u8string utf8(argument.begin(), argument.end());
    command += L" " + quoted(std::filesystem::path(utf8).wstring());
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inheritable(in_path, false);
  startup.hStdOutput = inheritable(out_path, true);
  startup.hStdError = inheritable(err_path, true);
  PROCESS_INFORMATION started{};
  if (stoppable) {
    // A console of its own, so that a Ctrl+C reaches the run alone. Its host
    // must not inherit this process's streams: it may outlive the run, and a
    // test runner reading them would wait for it.
    for (const DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
      ::SetHandleInformation(::GetStdHandle(stream), HANDLE_FLAG_INHERIT, 0);
    }
  }
  // Otherwise no console at all: a console host made for the run (as Wine
  // makes one when this process has none) would hold the stream files open
  // after the run.
  const BOOL created = ::CreateProcessW(program.wstring().c_str(), command.data(), nullptr, nullptr,
                                        TRUE, stoppable ? CREATE_NEW_CONSOLE : DETACHED_PROCESS,
                                        nullptr,
                                        directory.wstring().c_str(), &startup, &started);
  for (const HANDLE stream : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    ::CloseHandle(stream);
  }
  if (!created) throw std::runtime_error("cannot start " + program.string());
  ::CloseHandle(started.hThread);
  return reinterpret_cast<std::intptr_t>(started.hProcess);
}

int wait_for(std::intptr_t process) {
  const HANDLE handle = reinterpret_cast<HANDLE>(process);
  ::WaitForSingleObject(handle, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(handle, &status);
  return static_cast<int>(status);
}

void release(std::intptr_t process) { ::CloseHandle(reinterpret_cast<HANDLE>(process)); }

const std::filesystem::path null_device = "NUL";

#else

std::intptr_t start(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                    const std::filesystem::path& in_path, const std::filesystem::path& out_path,
                    const std::filesystem::path& err_path, [[maybe_unused]] bool stoppable,
                    const std::string& program_path) {
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child > 0) return child;
  // The child: runs the program in `directory` with the given streams; never
  // returns.
  if (::chdir(directory.c_str()) != 0) ::_exit(126);
  const int in = ::open(in_path.c_str(), O_RDONLY);
  const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) ::_exit(126);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(err, 2);
  std::vector<std::string> words = {program_path};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

int wait_for(std::intptr_t process) {
  int status = 0;
  ::waitpid(static_cast<pid_t>(process), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int signal_of(Stop how) {
  switch (how) {
    case Stop::kill:
      return SIGKILL;
    case Stop::terminate:
      return SIGTERM;
    case Stop::interrupt:
      return SIGINT;
  }
  return SIGKILL;
}

void release(std::intptr_t) {}

const std::filesystem::path null_device = "/dev/null";

#endif

// Runs `program` to its end, feeding `input` on standard input.
RunResult run_to_end(const std::string& program, const std::filesystem::path& directory,
                     const std::vector<std::string>& arguments, const std::string& input) {
  // Standard streams go through files beside the run directory, so the run
  // directory holds only what the program wrote.
  const std::filesystem::path streams = directory.string() + ".streams";
  std::filesystem::create_directories(streams);
  write_file(streams / "stdin", input);
  RunResult result;
  const std::intptr_t process = start(directory, arguments, streams / "stdin", streams / "stdout",
                                      streams / "stderr", false, program);
  result.exit_status = wait_for(process);
  release(process);
  result.standard_output = read_file(streams / "stdout");
  result.standard_error = read_file(streams / "stderr");
  std::filesystem::remove_all(streams);
  return result;
}

}  // namespace

RunResult run_meridian(const std::filesystem::path& directory, const std::vector<std::string>& arguments,
                       const std::string& input) {
  return run_to_end(MERIDIAN_BINARY, directory, arguments, input);
}

RunResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& directory) {
  return run_to_end(program, directory, arguments, "");
}

StartedRun::StartedRun(const std::filesystem::path& directory,
                       const std::vector<std::string>& arguments,
                       const std::filesystem::path& error_file, const std::string& program,
                       bool stoppable)
    : process_(start(directory, arguments, null_device, null_device,
                     error_file.empty() ? null_device : error_file, stoppable,
                     program.empty() ? std::string(MERIDIAN_BINARY) : program)) {}

StartedRun::~StartedRun() {
  if (!waited_) {
    stop(Stop::kill);
    wait();
  }
  release(process_);
}

int StartedRun::wait() {
  if (!waited_) {
    status_ = wait_for(process_);
    waited_ = true;
  }
  return status_;
}

#if defined(_WIN32)

bool StartedRun::ended() {
  if (!waited_ && ::WaitForSingleObject(reinterpret_cast<HANDLE>(process_), 0) != WAIT_OBJECT_0) {
    return false;
  }
  wait();
  return true;
}

std::vector<Stop> stops() { return {Stop::kill, Stop::interrupt}; }

bool StartedRun::stop(Stop how) {
  const HANDLE process = reinterpret_cast<HANDLE>(process_);
  if (how == Stop::kill) return ::TerminateProcess(process, killed_status) != 0;
  if (how != Stop::interrupt) return false;
  // Ctrl+C goes to every process of a console: this one attaches to the
  // run's for a moment, ignoring the Ctrl+C itself until it has passed.
  // A run just started may not have its console yet.
  ::FreeConsole();
  for (int attempt = 1; !::AttachConsole(::GetProcessId(process)); ++attempt) {
    if (::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;  // ended already
    if (attempt == 300) return false;
    ::Sleep(10);
  }
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  const bool sent = ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
  ::FreeConsole();
  ::Sleep(200);
  // Runs started later take Ctrl+C again (they inherit the ignoring).
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  return sent;
}

int stopped_status(Stop how) {
  return how == Stop::kill ? static_cast<int>(killed_status)
                           : static_cast<int>(STATUS_CONTROL_C_EXIT);
}

bool can_limit_file_size() { return false; }

RunResult run_with_file_size_limit(const std::filesystem::path&, const std::vector<std::string>&,
                                   const std::string&, std::uint64_t) {
  throw std::logic_error("no file size limit on this system");
}

#else

bool StartedRun::ended() {
  if (waited_) return true;
  int status = 0;
  const pid_t done = ::waitpid(static_cast<pid_t>(process_), &status, WNOHANG);
  if (done == 0) return false;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  waited_ = true;
  return true;
}

std::vector<Stop> stops() { return {Stop::kill, Stop::terminate, Stop::interrupt}; }

bool StartedRun::stop(Stop how) {
  return ::kill(static_cast<pid_t>(process_), signal_of(how)) == 0;
}

int stopped_status(Stop how) { return 128 + signal_of(how); }

bool can_limit_file_size() { return true; }

RunResult run_with_file_size_limit(const std::filesystem::path& directory,
                                   const std::vector<std::string>& arguments,
                                   const std::string& input, std::uint64_t limit) {
  rlimit saved{};
  if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) throw std::runtime_error("getrlimit failed");
  rlimit lowered = saved;
  lowered.rlim_cur = std::min(static_cast<rlim_t>(limit), saved.rlim_max);
  auto* const old_handler = ::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) throw std::runtime_error("setrlimit failed");
  const RunResult result = run_meridian(directory, arguments, input);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);
  return result;
}

#endif

}  // namespace meridian::testing_support
