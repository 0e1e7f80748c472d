#pragma once
// Replacing files that end unfinished: each way of ending leaves the earlier
// file (or none) at the final name and no temporary, with its message.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "records/fatal.hpp"
#include "files/output_file.hpp"

namespace meridian::testing {

struct UnfinishedCase {
  const char* name;
  bool earlier;  // a file is at the final name
  std::function<void(OutputFile&, const std::string&)> end;
  std::string message;  // after "<path>: "; empty: none
};

// Runs each case on `final_path`; `temporaries` lists what is left beside it.
inline void expect_the_earlier_file_stays(const std::string& final_path,
                                          std::span<const UnfinishedCase> cases,
                                          const std::function<std::vector<std::string>()>& temporaries) {
  namespace fs = std::filesystem;
  for (const UnfinishedCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.earlier) std::ofstream(final_path) << "earlier";
    std::string message;
    try {
      OutputFile out = OutputFile::create_replacing(final_path);
      out.write_record("new");
      c.end(out, final_path);
    } catch (const FatalError& error) {
      message = error.what();
    } catch (int) {
    }
    EXPECT_EQ(message, c.message.empty() ? "" : final_path + ": " + c.message);
    EXPECT_EQ(fs::exists(final_path), c.earlier);
    if (fs::is_regular_file(final_path)) {
      std::stringstream text;
      text << std::ifstream(final_path, std::ios::binary).rdbuf();
      EXPECT_EQ(text.str(), "earlier");
    }
    EXPECT_TRUE(temporaries().empty());
    fs::remove_all(final_path);
  }
}

}  // namespace meridian::testing
