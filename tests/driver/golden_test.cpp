// The reference runs: each folder holds the inputs of one run, its command
// line, standard input and exit status, and every file the run must leave,
// byte for byte. A run passes when all of them match and no other file appears.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_support.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// The few JSON forms the case descriptions use: an object of "args" (strings),
// "stdin" (a string) and "exit_status" (a number or "nonzero").
struct CaseDescription {
  std::vector<std::string> args;
  std::string input;
  bool any_nonzero = false;
  int exit_status = 0;
};

class JsonScanner {
 public:
  explicit JsonScanner(std::string text) : text_(std::move(text)) {}
  CaseDescription parse() {
    CaseDescription description;
    expect('{');
    while (true) {
      skip();
      if (peek() == '}') break;
      const std::string key = string();
      expect(':');
      skip();
      if (key == "args") {
        expect('[');
        skip();
        while (peek() != ']') {
          description.args.push_back(string());
          skip();
          if (peek() == ',') ++at_;
          skip();
        }
        ++at_;
      } else if (key == "stdin") {
        description.input = string();
      } else if (key == "exit_status") {
        if (peek() == '"') {
          description.any_nonzero = string() == "nonzero";
        } else {
          std::size_t used = 0;
          description.exit_status = std::stoi(text_.substr(at_), &used);
          at_ += used;
        }
      } else {
        throw std::runtime_error("unknown key " + key);
      }
      skip();
      if (peek() == ',') ++at_;
    }
    return description;
  }

 private:
  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  void skip() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  void expect(char c) {
    skip();
    if (peek() != c) throw std::runtime_error(std::string("expected ") + c);
    ++at_;
  }
  std::string string() {
    expect('"');
    std::string value;
    while (peek() != '"') {
      char c = text_[at_++];
      if (c == '\\') {
        const char e = text_[at_++];
        c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
      }
      value += c;
    }
    ++at_;
    return value;
  }
  std::string text_;
  std::size_t at_ = 0;
};

std::vector<std::string> golden_cases() {
  std::vector<std::string> names;
  const fs::path root = MERIDIAN_GOLDEN_DIR;
  if (!fs::is_directory(root)) return names;
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.is_directory() && fs::exists(entry.path() / "run.json")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

class GoldenRun : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenRun, MatchesExpectedBytes) {
  const fs::path source = fs::path(MERIDIAN_GOLDEN_DIR) / GetParam();
  const CaseDescription description = JsonScanner(read_file(source / "run.json")).parse();
  const fs::path dir = fresh_directory("golden_" + GetParam());
  for (const auto& entry : fs::directory_iterator(source / "input")) {
    fs::copy_file(entry.path(), dir / entry.path().filename());
    fs::permissions(dir / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
  }
  const RunResult result = run_meridian(dir, description.args, description.input);
  if (description.any_nonzero) {
    EXPECT_NE(result.exit_status, 0) << result.standard_error;
  } else {
    EXPECT_EQ(result.exit_status, description.exit_status) << result.standard_error;
  }
  std::map<std::string, std::string> expected = directory_files(source / "expected");
  if (expected.count("stdout")) {
    EXPECT_EQ(result.standard_output, expected["stdout"]);
    expected.erase("stdout");
  }
  std::map<std::string, std::string> produced = directory_files(dir);
  // Inputs the run left as they were are not results.
  for (const auto& entry : fs::directory_iterator(source / "input")) {
    const std::string name = entry.path().filename().string();
    if (!expected.count(name) && produced.count(name) && produced[name] == read_file(entry.path())) {
      produced.erase(name);
    }
  }
  for (const auto& [name, bytes] : expected) {
    ASSERT_TRUE(produced.count(name)) << name << " was not written";
    EXPECT_TRUE(produced[name] == bytes) << name << " differs";
  }
  for (const auto& [name, bytes] : produced) {
    EXPECT_TRUE(expected.count(name)) << "unexpected file " << name;
  }
  if (!HasFailure()) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Reference, GoldenRun, ::testing::ValuesIn(golden_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenRun);

}  // namespace
}  // namespace meridian
