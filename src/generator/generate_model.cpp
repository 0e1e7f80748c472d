#include "generator/generate_model.hpp"

#include "cards/card_files.hpp"
#include "generator/parameter_file.hpp"

namespace meridian {

void generate_model(std::int32_t job_code, Console& console) {
  // All six files are opened before anything is read, so the card files exist,
  // empty, even when the parameter file turns out to be bad.
  GeneratorFiles files{
      InputFile::open("parameter_in.txt"),   OutputFile::create("out_node.txt"),
      OutputFile::create("out_element.txt"), OutputFile::create("out_interface.txt"),
      OutputFile::create("out_load.txt"),    OutputFile::create("out_spring.txt")};
  const CardLayouts layouts;
  const GeneratedModel model = read_parameter_file(files, console, layouts);
  write_card_files(model, files, layouts, job_code);
}

}  // namespace meridian
