#include "records/fatal.hpp"

#include <string>

namespace meridian {

void fail_file(std::string_view file, std::string_view what) {
  std::string message(file);
  message += ": ";
  message += what;
  throw FatalError(message);
}

namespace {

std::string line_message(std::string_view file, long line, std::string_view what) {
  std::string message(file);
  message += ", line ";
  message += std::to_string(line);
  message += ": ";
  message += what;
  return message;
}

}  // namespace

void fail_line(std::string_view file, long line, std::string_view what) {
  throw FatalError(line_message(file, line, what));
}

void fail_field(std::string_view file, long line, std::string_view what) {
  throw FieldError(line_message(file, line, what));
}

}  // namespace meridian
