// Parsing benchmark: element printout rows (I7,A11,7E11.3) as the listing
// reader takes them, 5,000,000 rows from a file. The rows are written first
// (not timed) when the file does not exist yet; the Fortran baseline
// parse_rows.f90 reads the same file with the same layout. Both print the sum
// of all values read, which must agree to the last bit.
//
// Usage: bench_parse <rows file> [rows]
// Prints "ours <seconds> <sum>".

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_timer.hpp"
#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "records/fields.hpp"
#include "files/output_file.hpp"

namespace {

void write_rows(const std::string& path, std::size_t rows) {
  meridian::OutputFile out = meridian::OutputFile::create(path + ".part");
  std::uint64_t state = 0x2545F4914F6CDD1Dull;
  static constexpr double scale[] = {1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5};
  for (std::size_t r = 0; r < rows; ++r) {
    char* p = out.reserve(18 + 77 + 1);
    const int point = static_cast<int>(r % 8) + 1;
    meridian::render_integer(p, 7, point);
    meridian::render_text(p + 7, 8, "   gauss");
    meridian::render_integer(p + 15, 3, point);
    for (int c = 0; c < 7; ++c) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      const double mantissa = static_cast<double>(state % 1999) - 999.0;
      meridian::render_exponent(p + 18 + 11 * c, 11, 3, mantissa * scale[(state >> 20) % 9]);
    }
    p[95] = '\n';  // the solver's listing has LF line ends
    out.commit(96);
  }
  out.close();
  std::filesystem::rename(path + ".part", path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_parse <rows file> [rows]\n");
    return 2;
  }
  const std::string path = argv[1];
  const std::size_t rows = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5000000;
  if (!std::filesystem::exists(path)) write_rows(path, rows);
  try {
    double best = 1e300;
    double sum = 0.0;
    for (int pass = 0; pass < 2; ++pass) {  // the first pass also warms the file cache
      meridian::bench::Stopwatch watch;
      meridian::InputFile in = meridian::InputFile::open_existing(path);
      sum = 0.0;
      std::string_view line;
      std::size_t read = 0;
      while (in.next_line(line)) {
        std::int32_t point = 0;
        if (!meridian::parse_integer(line.substr(0, 7), point)) in.fail_here("bad point number");
        for (int c = 0; c < 7; ++c) {
          double value = 0.0;
          const std::size_t at = 18 + 11 * static_cast<std::size_t>(c);
          if (!meridian::parse_real(at < line.size() ? line.substr(at, 11) : std::string_view(), 3,
                                    value)) {
            in.fail_here("bad value");
          }
          sum += value;
        }
        ++read;
      }
      if (read != rows) {
        std::fprintf(stderr, "bench_parse: %zu rows read, %zu expected\n", read, rows);
        return 1;
      }
      best = std::min(best, watch.seconds());
    }
    std::printf("ours %.3f %.17g\n", best, sum);
  } catch (const meridian::FatalError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
