// Replacing output files: the final name holds the earlier file or the complete
// new one, whatever happens to the run; temporary names, leftovers of killed
// runs, and the cleanup when a signal ends the run.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.hpp"
#include "records/fatal.hpp"
#include "files/output_file.hpp"
#include "files/temporary_file.hpp"
#include "support/test_folder.hpp"
#include "unfinished_files.hpp"

namespace meridian {
namespace {

namespace fs = std::filesystem;

class ReplacingFilesTest : public testing::TestFolder {
 protected:
  ReplacingFilesTest() : TestFolder("meridian_replacing_") {}
  std::vector<std::string> temporaries() const {  // names beginning ".meridian-"
    return names_where([](std::string_view name) { return name.starts_with(".meridian-"); });
  }
  // Runs `body` in a child process; returns its wait status (exit 3: it threw).
  static int in_child(const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
      try {
        body();
      } catch (...) {
        ::_exit(3);
      }
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
  }
};

TEST_F(ReplacingFilesTest, NewBytesAppearOnlyOnceClosed) {
  std::ofstream(path("model_load.dat")) << "earlier";
  OutputFile first = OutputFile::create_replacing(path("model_load.dat"));
  OutputFile second = OutputFile::create_replacing(path("model_load.dat"));
  OutputFile fresh = OutputFile::create_replacing(path("fresh.csv"));
  first.write_record("first");
  second.write_record("second");
  first.flush();
  EXPECT_EQ(slurp(path("model_load.dat")), "earlier");
  EXPECT_FALSE(fs::exists(path("fresh.csv")));
  const std::vector<std::string> names = temporaries();
  ASSERT_EQ(names.size(), 3u);
  for (const std::string& name : names) {
    EXPECT_TRUE(name.ends_with("-model_load.dat.tmp") || name.ends_with("-fresh.csv.tmp")) << name;
    EXPECT_TRUE(is_temporary_name(name)) << name;
  }
  first.close();
  EXPECT_EQ(slurp(path("model_load.dat")), "first\r\n");
  second.close();
  fresh.close();
  EXPECT_EQ(slurp(path("model_load.dat")), "second\r\n");
  EXPECT_TRUE(fs::is_regular_file(path("fresh.csv")));
  EXPECT_TRUE(temporaries().empty());
}

TEST_F(ReplacingFilesTest, AnUnfinishedFileLeavesTheEarlierOne) {
  const auto beyond_the_size_limit = [](OutputFile& out, const std::string&) {
    rlimit saved, lowered;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    lowered = {1 << 20, saved.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const auto restore = [&] {
      ::setrlimit(RLIMIT_FSIZE, &saved);
      std::signal(SIGXFSZ, handler);
    };
    try {
      for (int i = 0; i < 2000; ++i) out.write_record(std::string(999, 'x'));
    } catch (...) {
      restore();
      throw;
    }
    restore();
  };
  // The endings every system has are in temporary_files_test.cpp.
  const testing::UnfinishedCase cases[] = {
      {"write fails", true, beyond_the_size_limit,
       "cannot write: File too large; the earlier file is left as it was"},
      {"write fails, no earlier file", false, beyond_the_size_limit,
       "cannot write: File too large; no file is made"},
  };
  testing::expect_the_earlier_file_stays(path("model_stress_1.dat"), cases,
                                         [this] { return temporaries(); });
}

TEST_F(ReplacingFilesTest, PermissionBitsOfTheReplacedFileAreKept) {
  const mode_t umask_bits = ::umask(022);
  ::umask(umask_bits);
  for (const mode_t bits : {0600, 0755, 04711}) {
    std::ofstream(path("kept")) << "earlier";
    ::chmod(path("kept").c_str(), bits);
    OutputFile out = OutputFile::create_replacing(path("kept"));
    EXPECT_EQ(fs::status(path(temporaries().at(0))).permissions(), fs::perms(bits))
        << "while written";
    out.close();
    EXPECT_EQ(fs::status(path("kept")).permissions(), fs::perms(bits));
  }
  OutputFile::create_replacing(path("new")).close();
  EXPECT_EQ(fs::status(path("new")).permissions(), fs::perms(0644 & ~umask_bits));
  // A file this run may not write is not replaced (root may write anything).
  ::chmod(path("kept").c_str(), 0444);
  if (::geteuid() != 0) {
    EXPECT_THROW(OutputFile::create_replacing(path("kept")), FatalError);
  }
}

TEST_F(ReplacingFilesTest, LinksPipesAndDevicesAreWrittenInPlace) {
  std::ofstream(path("target.dat")) << "earlier";
  fs::create_symlink(path("target.dat"), path("link.dat"));
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = slurp(path("pipe")); });
  for (const std::string& file : {path("link.dat"), path("pipe"), std::string("/dev/null")}) {
    OutputFile out = OutputFile::create_replacing(file);
    out.write_record("in place");
    EXPECT_TRUE(temporaries().empty()) << file;
    out.close();
  }
  reader.join();
  EXPECT_TRUE(fs::is_symlink(path("link.dat")));
  EXPECT_EQ(slurp(path("target.dat")), "in place\r\n");
  EXPECT_EQ(piped, "in place\r\n");
}

TEST(TemporaryNamesTest, NamesAreHiddenRandomAndRecognised) {
  const std::string name = temporary_name_beside("out/model_stress_1.dat");
  const std::string head = "out/.meridian-" + std::to_string(::getpid()) + "-";
  EXPECT_EQ(name.substr(0, head.size()), head);
  EXPECT_EQ(name.substr(head.size() + 16), "-model_stress_1.dat.tmp");
  EXPECT_NE(temporary_name_beside("x"), temporary_name_beside("x"));
  EXPECT_LE(temporary_name_beside(std::string(255, 'n')).size(), 255u);
  const std::pair<const char*, bool> names[] = {
      {".meridian-12-0123456789abcdef-x.tmp", true}, {".meridian-12-0123456789abcdef-.tmp", false},
      {".meridian--0123456789abcdef-x.tmp", false},  {".meridian-12-0123456789ABCDEF-x.tmp", false},
      {".meridian-12-0123456789abcde-x.tmp", false}, {"meridian-12-0123456789abcdef-x.tmp", false},
  };
  for (const auto& [text, recognised] : names)
    EXPECT_EQ(is_temporary_name(text), recognised) << text;
}

TEST_F(ReplacingFilesTest, StaleTemporariesOfKilledRunsAreRemovedAndNothingElse) {
  std::ofstream(path("out.dat")) << "earlier";
  const int killed = in_child([this] {
    OutputFile out = OutputFile::create_replacing(path("out.dat"));
    out.write_record("never finished");
    out.flush();
    ::raise(SIGKILL);
  });
  ASSERT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL);
  ASSERT_EQ(temporaries().size(), 1u);
  const std::string leftover = temporaries()[0];
  const std::string look_alike = ".meridian-1-0123456789abcdef-";
  const std::string kept[] = {".meridian-notes",       ".hidden.tmp",
                              "model_stress_1.dat",    look_alike + "link.tmp",
                              look_alike + "pipe.tmp", look_alike + "dir.tmp"};
  for (int i = 0; i < 3; ++i) std::ofstream(path(kept[i])) << "x";
  fs::create_symlink(path("out.dat"), path(kept[3]));
  ::mkfifo(path(kept[4]).c_str(), 0600);
  fs::create_directory(path(kept[5]));

  remove_stale_temporaries(dir_.string());
  EXPECT_FALSE(fs::exists(path(leftover)));
  for (const std::string& name : kept)
    EXPECT_TRUE(fs::exists(fs::symlink_status(path(name)))) << name;
  EXPECT_EQ(slurp(path("out.dat")), "earlier");
}

TEST_F(ReplacingFilesTest, TemporariesOfALiveRunAreKept) {
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  char byte = 0;
  const pid_t child = ::fork();
  if (child == 0) {
    OutputFile out = OutputFile::create_replacing(path("out.dat"));
    out.write_record("finished");
    if (::write(ready[1], "r", 1) != 1 || ::read(go[0], &byte, 1) != 1) ::_exit(4);
    out.close();
    ::_exit(0);
  }
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  remove_stale_temporaries(dir_.string());
  EXPECT_EQ(temporaries().size(), 1u);
  ASSERT_EQ(::write(go[1], "g", 1), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  for (const int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(slurp(path("out.dat")), "finished\r\n");
}

TEST_F(ReplacingFilesTest, InterruptRemovesTheLiveTemporariesAndEndsTheRunBySignal) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    std::ofstream(path("open.dat")) << "earlier";
    const int status = in_child([&] {
      platform::install_interrupt_cleanup();
      OutputFile done = OutputFile::create_replacing(path("done.dat"));
      done.write_record("complete");
      done.close();
      OutputFile open = OutputFile::create_replacing(path("open.dat"));
      open.write_record("half");
      open.flush();
      ::kill(::getpid(), signal_number);
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_TRUE(temporaries().empty());
    EXPECT_EQ(slurp(path("open.dat")), "earlier");
    EXPECT_EQ(slurp(path("done.dat")), "complete\r\n");
  }
  // A hangup ignored when the run started stays ignored: the run completes.
  const int status = in_child([this] {
    std::signal(SIGHUP, SIG_IGN);
    platform::install_interrupt_cleanup();
    OutputFile out = OutputFile::create_replacing(path("out.dat"));
    out.write_record("complete");
    ::raise(SIGHUP);
    out.close();
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(slurp(path("out.dat")), "complete\r\n");
  EXPECT_TRUE(temporaries().empty());
}

}  // namespace
}  // namespace meridian
