// The meridian executable: hands the command line, as UTF-8, to the driver.
#include <string>
#include <vector>

#include "driver/driver.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = meridian::platform::command_line_arguments(argc, argv);
  return meridian::run_program(arguments);
}
