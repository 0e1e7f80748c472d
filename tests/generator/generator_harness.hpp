#pragma once
// Helpers for the generator tests: a parameter file run on in-memory files, a
// fresh temporary directory per test, and hand-built blocks.


#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "cards/card_files.hpp"
#include "model/generated_model.hpp"
#include "generator/parameter_file.hpp"
#include "files/input_file.hpp"
#include "files/console.hpp"
#include "support/scratch_dir.hpp"

namespace meridian::testing {

// Lines joined with LF, as a parameter file is typed.
inline std::string lines(std::initializer_list<std::string> records) {
  std::string text;
  for (const std::string& record : records) text += record + "\n";
  return text;
}

// Records as written by the program: each followed by CR LF.
inline std::string crlf(std::initializer_list<std::string> records) {
  std::string text;
  for (const std::string& record : records) text += record + "\r\n";
  return text;
}

// A generator run on in-memory files: the parameter text is read, the model
// built, and the card files collected in memory.
class GeneratorHarness {
 public:
  explicit GeneratorHarness(std::string parameter_text)
      : parameter_in_(InputFile::from_text("parameter_in.txt", std::move(parameter_text))),
        files_{OutputFile::in_memory("out_node.txt"), OutputFile::in_memory("out_element.txt"),
               OutputFile::in_memory("out_interface.txt"), OutputFile::in_memory("out_load.txt"),
               OutputFile::in_memory("out_spring.txt")},
        console_input_(InputFile::from_text("console", "")),
        console_output_(OutputFile::in_memory("console")),
        console_{console_input_, console_output_} {}

  // Reads the file; ground node cards go to out_spring as the springs are placed.
  GeneratedModel read() {
    return read_parameter_file(parameter_in_, console_,
                               [this](std::int64_t node, double x, double y, double z) {
                                 write_ground_node_card(files_.out_spring, layouts_, node, x, y, z);
                               });
  }
  // Reads the file and writes every card (no model view).
  GeneratedModel run() {
    GeneratedModel model = read();
    write_cards(model, files_, layouts_);
    flush();
    return model;
  }
  void flush() {
    files_.out_node.flush();
    files_.out_element.flush();
    files_.out_interface.flush();
    files_.out_load.flush();
    files_.out_spring.flush();
    console_output_.flush();
  }

  CardFiles& files() { return files_; }
  const std::string& console_text() {
    console_output_.flush();
    return console_output_.contents();
  }

 private:
  InputFile parameter_in_;
  CardFiles files_;
  InputFile console_input_;
  OutputFile console_output_;
  Console console_;
  CardLayouts layouts_;
};

using TempDir = ScratchDir;

// One segment per direction with the given divisions, one layer per level pair.
inline BlockParameters block_of(std::vector<double> x_points, std::vector<std::int32_t> x_div,
                                std::vector<double> y_points, std::vector<std::int32_t> y_div,
                                std::vector<double> z_points, std::vector<std::int32_t> z_div,
                                std::vector<double> levels) {
  BlockParameters block;
  block.x_segment_count = static_cast<std::int32_t>(x_div.size());
  block.y_segment_count = static_cast<std::int32_t>(y_div.size());
  block.z_segment_count = static_cast<std::int32_t>(z_div.size());
  block.layer_count = static_cast<std::int32_t>(levels.size()) - 1;
  block.x_points = std::move(x_points);
  block.y_points = std::move(y_points);
  block.z_points = std::move(z_points);
  block.x_divisions = std::move(x_div);
  block.y_divisions = std::move(y_div);
  block.z_divisions = std::move(z_div);
  block.layer_levels = std::move(levels);
  block.layer_levels_line = 6;
  return block;
}

}  // namespace meridian::testing
