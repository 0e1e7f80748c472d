// Rendering benchmark: the node-value records of a stress file,
// (E20.13,8(1X,E20.13)) with 11 values per write (a record of 9 fields and one
// of 2), for 1,000,000 writes, into a file. The values (mixed signs and
// magnitudes, half of them short decimals, half results of arithmetic whose
// shortest form is long) are also saved raw, for the Fortran baseline
// render_records.f90, which renders the same values with the same layout.
//
// Usage: bench_render <values file> <output file> [records]
// Prints one line per variant: "ours_1_thread <seconds>", "ours_2_threads <seconds>".

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_timer.hpp"
#include "records/fields.hpp"
#include "files/output_file.hpp"
#include "files/ordered_blocks.hpp"

namespace {

constexpr int values_per_write = 11;
constexpr std::size_t write_bytes = 188 + 2 + 42 + 2;

std::vector<double> make_values(std::size_t writes) {
  static constexpr double scale[] = {1e-9, 1e-6, 1e-3, 1e-1, 1e0, 1e2, 1e4, 1e7, 1e12};
  std::vector<double> values(writes * values_per_write);
  std::uint64_t state = 88172645463325252ull;
  for (std::size_t i = 0; i < values.size(); ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const double n = static_cast<double>(state % 2000001) - 1000000.0;
    const double s = scale[(state >> 24) % 9];
    double v = 0.0;
    if (i % 2 == 0) {
      v = n / 1000.0 * s;  // a short decimal (up to 7 digits), scaled
    } else {
      v = (n * 0.1 + 1.0 / 3.0) * s / 7.0;  // arithmetic: 17 significant digits
    }
    if (v == 0.0) v = 0.5;  // no signed zeros: the Fortran runtime writes -0.0 signed
    values[i] = v;
  }
  return values;
}

void render_writes(const double* values, std::size_t first, std::size_t last, char* p) {
  for (std::size_t w = first; w < last; ++w) {
    const double* v = values + w * values_per_write;
    meridian::render_exponent(p, 20, 13, v[0]);
    p += 20;
    for (int k = 1; k < values_per_write; ++k) {
      *p = ' ';
      meridian::render_exponent(p + 1, 20, 13, v[k]);
      p += 21;
      if (k == 8) {
        *p++ = '\r';
        *p++ = '\n';
      }
    }
    // The record of the last two values: "\r\n" after 1 + 2 x 21 - 1 columns.
    *p++ = '\r';
    *p++ = '\n';
  }
}

// Renders and writes all writes: on one thread, or with the library's ordered
// two-thread block rendering the stress files use.
double run(const std::vector<double>& values, std::size_t writes, const std::string& path,
           int threads) {
  meridian::bench::Stopwatch watch;
  meridian::OutputFile out = meridian::OutputFile::create(path);
  const meridian::OrderedBlocks plan{writes, write_bytes, 4096, threads > 1};
  meridian::render_ordered_blocks(
      plan,
      [&values](std::size_t first, std::size_t last, char* p) {
        render_writes(values.data(), first, last, p);
      },
      [&out](std::string_view bytes) { out.write_bytes(bytes); });
  out.close();
  return watch.seconds();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_render <values file> <output file> [records]\n");
    return 2;
  }
  const std::size_t writes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1000000;
  const std::vector<double> values = make_values(writes);
  std::FILE* raw = std::fopen(argv[1], "wb");
  if (raw == nullptr || std::fwrite(values.data(), sizeof(double), values.size(), raw) != values.size() ||
      std::fclose(raw) != 0) {
    std::fprintf(stderr, "bench_render: cannot write %s\n", argv[1]);
    return 1;
  }
  const std::string path = argv[2];
  run(values, writes, path, 1);  // warm-up: page cache and allocator
  std::printf("ours_1_thread %.3f\n", run(values, writes, path, 1));
  std::printf("ours_2_threads %.3f\n", run(values, writes, path, 2));
  return 0;
}
