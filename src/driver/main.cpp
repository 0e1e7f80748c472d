// The meridian executable: hands the command line to the driver.
#include <string>
#include <vector>

#include "driver/driver.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return meridian::run_program(arguments);
}
