// Rewrite of the discrete element section of the input deck nikein. The section
// is expected to be: the marker line, 6 lines, one record per spring, 3 lines,
// one orientation record per spring, then the rest of the deck. Both blocks of
// spring records are written anew; every other line is copied.
//
// The whole deck is read and checked before anything is written, and the new
// deck is written to a temporary file of this run beside it that then replaces
// it in one rename, so a refused deck or a failed write leaves the old deck as
// it was.

#include "deck/deck_springs.hpp"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "files/input_file.hpp"
#include "records/fatal.hpp"
#include "records/free_form.hpp"
#include "records/layout.hpp"

namespace meridian {
namespace {

constexpr std::string_view deck_name = "nikein";
constexpr std::string_view done_name = "done";
// The first 30 characters of the line that opens the discrete element section.
constexpr std::string_view section_marker = "*------------------ DISCRETE E";
// Copied lines are written at least this wide (shorter ones padded with blanks).
constexpr std::size_t copied_line_width = 80;
// Lines between the marker line and the first spring record, and between the
// two blocks of spring records.
constexpr std::int64_t lines_before_springs = 6;
constexpr std::int64_t lines_between_blocks = 3;

struct Deck {
  std::vector<std::string> lines;  // lines[k] is line k+1
  std::int64_t marker_line = 0;    // last line that begins with the marker; 0 when none
};

Deck read_deck() {
  Deck deck;
  InputFile in = InputFile::open_existing(std::string(deck_name));
  std::string_view line;
  while (in.next_line(line)) {
    deck.lines.emplace_back(line);
    if (line.starts_with(section_marker)) {
      deck.marker_line = static_cast<std::int64_t>(deck.lines.size());
    }
  }
  return deck;
}

// Every spring's nodes must name rows of the nodal printout.
void check_springs(const DeckSprings& springs) {
  const std::size_t spring_count = springs.spring_node1.size();
  if (springs.spring_node2.size() != spring_count ||
      springs.spring_direction.size() != spring_count ||
      springs.spring_force.size() != spring_count) {
    throw FatalError("deck spring rewrite: the spring tables differ in length");
  }
  const std::int64_t rows = static_cast<std::int64_t>(springs.node_result.size()) / 4;
  const std::int64_t capacity = springs.node_capacity < rows ? springs.node_capacity : rows;
  for (std::size_t i = 0; i < spring_count; ++i) {
    for (const std::int32_t node : {springs.spring_node1[i], springs.spring_node2[i]}) {
      if (node < 1 || node > capacity) {
        throw FatalError("deck spring rewrite: spring " + std::to_string(i + 1) + " names node " +
                         std::to_string(node) + ", outside 1.." + std::to_string(capacity));
      }
    }
  }
}

// A spring is released when its first node's z displacement in the first time
// step is not below its second node's, and its force is not positive.
std::vector<bool> released_springs(const DeckSprings& springs) {
  const std::size_t spring_count = springs.spring_node1.size();
  std::vector<bool> released(spring_count, false);
  for (std::size_t i = 0; i < spring_count; ++i) {
    const auto z_displacement = [&](std::int32_t node) {
      return springs.node_result[static_cast<std::size_t>(node - 1) * 4 + 2];
    };
    const double gap =
        z_displacement(springs.spring_node1[i]) - z_displacement(springs.spring_node2[i]);
    released[i] = gap >= 0.0 && springs.spring_force[i] <= 0.0;
  }
  return released;
}

void write_copied_line(OutputFile& out, const std::string& line) {
  if (line.size() >= copied_line_width) {
    out.write_record(line);
  } else {
    std::string padded = line;
    padded.resize(copied_line_width, ' ');
    out.write_record(padded);
  }
}

// Copies lines first..last (1-based, inclusive).
void copy_lines(OutputFile& out, const Deck& deck, std::int64_t first, std::int64_t last) {
  for (std::int64_t k = first; k <= last; ++k) {
    write_copied_line(out, deck.lines[static_cast<std::size_t>(k - 1)]);
  }
}

void write_new_deck(OutputFile& out, const Deck& deck, const DeckSprings& springs,
                    const std::vector<bool>& released) {
  const Layout spring_record("(I5,2I8,I5)");
  const Layout pair_record("(2I8,2I5)");
  const auto spring_count = static_cast<std::int64_t>(springs.spring_node1.size());
  const auto line_total = static_cast<std::int64_t>(deck.lines.size());
  const std::int64_t marker = deck.marker_line;
  const std::int64_t first_block_end = marker + lines_before_springs + spring_count;
  const std::int64_t second_block_start = first_block_end + lines_between_blocks;

  copy_lines(out, deck, 1, marker + lines_before_springs);
  for (std::int64_t i = 0; i < spring_count; ++i) {
    const auto s = static_cast<std::size_t>(i);
    write_record(
        out, spring_record,
        {i + 1, std::int64_t{springs.spring_node1[s]}, std::int64_t{springs.spring_node2[s]},
         std::int64_t{springs.spring_direction[s]}});
  }
  copy_lines(out, deck, first_block_end + 1, second_block_start);
  for (std::int64_t i = 0; i < spring_count; ++i) {
    const auto s = static_cast<std::size_t>(i);
    const std::int64_t first_code = released[s] ? 0 : 4;
    const std::int64_t second_code = released[s] ? 0 : 7;
    write_record(out, pair_record,
                 {std::int64_t{springs.spring_node1[s]}, std::int64_t{springs.spring_node2[s]},
                  first_code, second_code});
  }
  copy_lines(out, deck, second_block_start + spring_count + 1, line_total);
}

// Writes the new deck under a temporary name of this run beside the old one
// and renames it over the old one (whatever the name held: a link is replaced,
// not followed), keeping the old deck's permission bits. On any failure the
// temporary file is removed and the old deck stays as it was.
void replace_deck(const Deck& deck, const DeckSprings& springs, const std::vector<bool>& released) {
  OutputFile out = OutputFile::create_renaming(std::string(deck_name));
  write_new_deck(out, deck, springs, released);
  out.close();
}

}  // namespace

void rewrite_deck_springs(const DeckSprings& springs, Console& console) {
  check_springs(springs);
  const Deck deck = read_deck();
  const auto line_total = static_cast<std::int64_t>(deck.lines.size());
  const auto spring_count = static_cast<std::int64_t>(springs.spring_node1.size());
  write_free(console.output, {std::string_view("line="), line_total, deck.marker_line});

  // Refuse a deck that does not hold the whole section before anything is written.
  if (deck.marker_line == 0) {
    fail_file(deck_name, "no line begins with \"" + std::string(section_marker) +
                             "\"; the deck is left unchanged");
  }
  const std::int64_t section_end =
      deck.marker_line + lines_before_springs + lines_between_blocks + 2 * spring_count;
  if (section_end > line_total) {
    fail_line(deck_name, deck.marker_line,
              "the discrete element section of " + std::to_string(spring_count) +
                  " springs needs lines up to " + std::to_string(section_end) +
                  " but the deck ends at line " + std::to_string(line_total) +
                  "; the deck is left unchanged");
  }

  const std::vector<bool> released = released_springs(springs);
  bool any_released = false;
  for (std::size_t i = 0; i < released.size(); ++i) {
    if (released[i]) {
      springs.spring_direction[i] = 1;
      any_released = true;
    }
  }
  replace_deck(deck, springs, released);

  if (!any_released) {
    // The marker file: created empty when missing; an existing one is kept as it is.
    if (!file_exists(std::string(done_name))) OutputFile::create(std::string(done_name)).close();
    write_free(console.output, {std::string_view("DONE")});
  }
}

}  // namespace meridian
